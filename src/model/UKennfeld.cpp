#include "model/UKennfeld.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/UKommunikation.h"
#include "model/Drucker.h"
#include "model/ModelLog.h"
#include "model/UParameter.h"
#include "platform/Dateien.h"

#include <QFile>
#include <QFont>
#include <QLocale>
#include <QPen>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr int Letzte = cl_Kennfeld_Grafik::Punkte - 1;

int16_t auf_int16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(),
                                                    std::numeric_limits<int16_t>::max()));
}

int32_t auf_int32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The lines of a map file, coarse to fine: 0, 16, 8, 4, 12, 2, 6, ... for a file whose step
// code (divided by 16) is schritt; the same order serves the points of a line.
std::vector<int> Dateireihenfolge(int schritt) {
    std::vector<int> r{0, 16};
    for (int s = 16; s > schritt; s /= 2)
        for (int i = s / 2; i < 16; i += s)
            r.push_back(i);
    return r;
}

QString Lesefehler(const QString& pfad) {
    return QStringLiteral("File ") + pfad + QStringLiteral(" could not be read completely.");
}

// The system's time separator: what its time format puts between hours and minutes.
QChar Zeittrenner() {
    const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    const qsizetype h = format.indexOf(QRegularExpression(QStringLiteral("[hH]+")));
    if (h >= 0)
        for (qsizetype i = h; i < format.size(); ++i)
            if (format[i] != 'h' && format[i] != 'H')
                return format[i] == ' ' ? QChar(':') : format[i];
    return ':';
}

} // namespace

// ---------------------------------------------------------------- map files

std::optional<Kennfelddatei> zerlege_Kennfelddatei(const QByteArray& inhalt, bool kurve,
                                                   Kennfelddatei::Fehler* fehler) {
    const auto melde = [fehler](Kennfelddatei::Fehler f) {
        if (fehler)
            *fehler = f;
        return std::nullopt;
    };
    const auto* b = reinterpret_cast<const uint8_t*>(inhalt.constData());
    const qsizetype worte = inhalt.size() / 2;
    qsizetype pos = 0;
    const auto lies = [&]() -> std::optional<int16_t> {
        if (pos >= worte)
            return std::nullopt;
        return static_cast<int16_t>(lies_Wort(b + 2 * pos++));
    };
    Kennfelddatei d;
    for (auto& k : d.Kopf) {
        const auto w = lies();
        if (!w)
            return melde(Kennfelddatei::Fehler::zu_kurz);
        k = *w;
    }
    // Codes below 16 are outside the format: their loops would read lines twice, or not end.
    if (d.Kopf[0] < 16 || d.Kopf[1] < 16)
        return melde(Kennfelddatei::Fehler::Schrittcode);
    const std::vector<int> zeilen = Dateireihenfolge(d.Kopf[0] / 16);
    const std::vector<int> punkte = kurve ? std::vector<int>{0} : Dateireihenfolge(d.Kopf[1] / 16);
    for (int x : zeilen)
        for (int y : punkte) {
            const auto w = lies();
            if (!w)
                return melde(Kennfelddatei::Fehler::zu_kurz);
            d.Punkte.push_back({x, y, *w});
        }
    if (fehler)
        *fehler = Kennfelddatei::Fehler::keiner;
    return d;
}

// ---------------------------------------------------------------- cl_Kennfeld_Daten

cl_Kennfeld_Daten::cl_Kennfeld_Daten(int kennfeldNr, cl_Kennfeld& fenster, int pauseMs)
    : cl_COM_data(fenster.link(), Befehl_Zeile_lesen, false, false, 500, Lesegroesse, nullptr,
                  Antwortgroesse, nullptr),
      Fenster(fenster), Pause_ms(pauseMs) {
    setze_Sendedaten(Lesedaten.data());
    setze_Antwortpuffer(Antwortdaten.data());
    const uint8_t kurve = fenster.ist_Kurve || fenster.log_Y ? 1 : 0;
    Lesedaten = {static_cast<uint8_t>(kennfeldNr & 0xFF), 0, kurve};
    if (fenster.log_Y)
        Lesedaten = {6, 0, 1};
    Schreibdaten[0] = static_cast<uint8_t>(kennfeldNr & 0xFF);
    Schreibdaten[2] = 16;
    Schreibdaten[3] = kurve;
}

uint8_t cl_Kennfeld_Daten::Zeilenposition(int zeile) {
    return zeile >= 16 ? 255 : static_cast<uint8_t>(16 * std::max(zeile, 0));
}

void cl_Kennfeld_Daten::lese_Zeile(int zeile, int verzoegerungMs) {
    Zeile = std::clamp(zeile, 0, Letzte);
    if (Fenster.ist_Kurve)
        Endzeile = Zeile;
    else
        Endzeile = Zeile == 0 ? Letzte : Zeile - 1;
    Lesedaten[1] = Zeilenposition(Zeile);
    starte_Lesen(verzoegerungMs);
}

void cl_Kennfeld_Daten::stelle_Leseanfrage() {
    Befehl = Befehl_Zeile_lesen;
    Sendelaenge = Lesegroesse;
    setze_Sendedaten(Lesedaten.data());
    Antwortlaenge = Antwortgroesse;
    setze_Antwortpuffer(Antwortdaten.data());
}

void cl_Kennfeld_Daten::starte_Lesen(int verzoegerungMs) {
    if (aktiv)
        return;
    stelle_Leseanfrage();
    starten_nach(verzoegerungMs);
}

void cl_Kennfeld_Daten::schreibe_Zeile(int zeile) {
    if (aktiv)
        return;
    Befehl = Befehl_Zeile_schreiben;
    Sendelaenge = Schreibgroesse;
    setze_Sendedaten(Schreibdaten.data());
    Antwortlaenge = 0;
    Zeile = std::clamp(zeile, 0, Letzte);
    Schreibdaten[1] = static_cast<uint8_t>(Zeile);
    for (int i = 0; i < cl_Kennfeld_Grafik::Punkte; ++i) {
        int32_t w = 0;
        if (Fenster.ist_Kurve)
            w = Fenster.Kurvenwert(i);
        else if (Fenster.log_Y)
            w = Fenster.Wert(i, Zeile);
        else
            w = Fenster.Wert(Zeile, i);
        schreibe_Wort(&Schreibdaten[static_cast<size_t>(4 + 2 * i)],
                      static_cast<uint16_t>(auf_int16(Fenster.Anzeige_zu_Roh_lang(w))));
    }
    sofort_starten();
}

void cl_Kennfeld_Daten::speichere_Kennfeld() {
    if (aktiv)
        return;
    Antwortlaenge = 1;
    setze_Antwortpuffer(Antwortdaten.data());
    setze_Sendedaten(Lesedaten.data());
    if (Fenster.ist_Datenelement()) {
        Befehl = Befehl_speichern_Datenelement;
        Lesedaten[0] = static_cast<uint8_t>(Fenster.Kennfeld_Nr & 0xFF);
        Lesedaten[1] = static_cast<uint8_t>((Fenster.Kennfeld_Nr >> 8) & 0xFF);
        Sendelaenge = 2;
    } else {
        Befehl = Befehl_speichern;
        Lesedaten[0] = Fenster.log_Y ? 22 : static_cast<uint8_t>(Fenster.Kennfeld_Nr & 0xFF);
        Sendelaenge = 1;
    }
    starten_nach(100);
}

void cl_Kennfeld_Daten::lese_Zeile_am_Arbeitspunkt() {
    if (!Fenster.COM_aktiv || aktiv)
        return;
    Meldung_aus();
    Modus = 3;
    const int64_t d = int64_t{Fenster.X_max} - Fenster.X_min;
    const int64_t p = d == 0 ? 0 : (int64_t{Fenster.Arbeitspunkt_X} - Fenster.X_min) * 256 / d;
    Sonderzeile = static_cast<int>(std::clamp<int64_t>((p + 8) / 16, 0, Letzte));
    Lesedaten[1] = Zeilenposition(Sonderzeile);
    Zyklusphase = true;
    stelle_Leseanfrage();
    sofort_starten();
}

void cl_Kennfeld_Daten::Antwort() {
    // A hidden window takes nothing, unless the backup copy drives it.
    if (!Fenster.sichtbar() && !Kopiermodus)
        return;
    switch (Befehl) {
    case Befehl_speichern:
    case Befehl_speichern_Datenelement:
        if (Fenster.log_Y)
            Lesedaten[0] = 6;
        // The whole map is read back, outside copy mode.
        Fenster.lese_von_ECU();
        break;
    case Befehl_Zeile_schreiben:
        Zeile_geschrieben();
        break;
    case Befehl_Zeile_lesen:
        Zeile_gelesen();
        break;
    default:
        break;
    }
}

void cl_Kennfeld_Daten::Zeile_geschrieben() {
    if (Fenster.log_Y) {
        if (Schreibdaten[0] == 6) {
            Schreibdaten[0] = 21;
            schreibe_Zeile(Zeile + 1);
            return;
        }
        Kopiermodus = false;
        verberge_Meldung();
        Fenster.melde_geschrieben();
        Fenster.Fokus_abgeben();
        return;
    }
    if (Fenster.ist_Kurve) {
        Kopiermodus = false;
        verberge_Meldung();
        Fenster.melde_geschrieben();
        return;
    }
    if (Zeile < Letzte) {
        schreibe_Zeile(Zeile + 1);
        return;
    }
    Kopiermodus = false;
    verberge_Meldung();
    if (fortlaufend) {
        // The cyclic reading resumes.
        Zeile = 0;
        Lesedaten[1] = Zeilenposition(0);
        stelle_Leseanfrage();
        sofort_starten();
    }
    Fenster.melde_geschrieben();
    fortlaufend = true;
}

void cl_Kennfeld_Daten::Zeile_gelesen() {
    if (!Fenster.link().ist_verbunden())
        return;
    std::array<int32_t, cl_Kennfeld_Grafik::Punkte> w{};
    for (size_t i = 0; i < w.size(); ++i)
        w[i] = Fenster.Roh_zu_Anzeige(static_cast<int16_t>(lies_Wort(&Antwortdaten[2 + 2 * i])));
    auto* ansicht = Fenster.Ansicht();
    const bool sichtbar = Fenster.sichtbar();

    if (Fenster.log_Y) {
        const int reihe = Lesedaten[0] == 6 ? 0 : 1;
        for (int i = 0; i < cl_Kennfeld_Grafik::Punkte; ++i)
            Fenster.setze_Wert(i, reihe, w[static_cast<size_t>(i)]);
        if (reihe == 0) {
            Lesedaten[0] = 21;
            sofort_starten();
            return;
        }
        Lesedaten[0] = 6;
        verberge_Meldung();
        if (sichtbar && ansicht)
            ansicht->zeichne_Kennfeld();
        Kopiermodus = false;
        Fenster.melde_gelesen();
        return;
    }
    if (Fenster.ist_Kurve) {
        for (int i = 0; i < cl_Kennfeld_Grafik::Punkte; ++i)
            Fenster.setze_Kurvenwert(i, w[static_cast<size_t>(i)]);
        if (Zyklusphase) {
            if (sichtbar && ansicht)
                ansicht->zeichne_Zeile(0);
        } else {
            verberge_Meldung();
            if (sichtbar && ansicht)
                ansicht->zeichne_Kennfeld();
            Kopiermodus = false;
            Fenster.melde_gelesen();
        }
        weiter_lesen();
        return;
    }
    const int ziel = Modus <= 1 ? Zeile : Sonderzeile;
    for (int i = 0; i < cl_Kennfeld_Grafik::Punkte; ++i)
        Fenster.setze_Wert(ziel, i, w[static_cast<size_t>(i)]);
    if (Zyklusphase) {
        if (sichtbar && ansicht)
            ansicht->zeichne_Zeile(ziel);
    } else if (Zeile >= Letzte) {
        if (sichtbar && ansicht)
            ansicht->zeichne_Kennfeld();
        verberge_Meldung();
        Kopiermodus = false;
        Fenster.melde_gelesen();
    }
    weiter_lesen();
}

void cl_Kennfeld_Daten::weiter_lesen() {
    if (Modus == 1) {
        Lesedaten[1] = Zeilenposition(Sonderzeile);
        Zyklusphase = true;
        Modus = 2;
        sofort_starten();
        return;
    }
    if (Modus == 2) {
        Modus = 0;
        if (Fenster.COM_aktiv)
            lese_Zeile(0, 0);
        return;
    }
    if (Zeile == Endzeile && !fortlaufend)
        return;
    if (!Fenster.ist_Kurve && Zyklusphase && Modus == 0) {
        lese_Zeile_am_Arbeitspunkt();
        return;
    }
    Zeile = Fenster.ist_Kurve ? 0 : (Zeile + 1) % cl_Kennfeld_Grafik::Punkte;
    Modus = 0;
    Lesedaten[1] = Zeilenposition(Zeile);
    if (Zeile == 0) {
        if (Fenster.sichtbar() && fortlaufend) {
            starte_Lesen(Pause_ms);
            Zyklusphase = true;
            Meldung_aus();
        }
        return;
    }
    starte_Lesen(Zyklusphase ? 200 : 0);
}

// ---------------------------------------------------------------- cl_Kennfeld

cl_Kennfeld::cl_Kennfeld(const Kennfeld_Umgebung& umgebung, const Kennfeld_Beschreibung& b)
    : cl_Kennfeld_Grafik(umgebung, b), eintraege_(umgebung.kommunikation.Liste()),
      selbst_(std::make_shared<cl_Kennfeld*>(this)) {
    setze_Roh_min(b.Roh_min);
    setze_Roh_max(b.Roh_max);
    const int64_t anzeige = int64_t{b.Z_max} - b.Z_min;
    Rundung = anzeige == 0 ? 0 : auf_int32((int64_t{Roh_max} - Roh_min) / (2 * anzeige));
    Daten = std::make_unique<cl_Kennfeld_Daten>(b.Kennfeld_Nr, *this, 1000);
    Daten->zyklisch = b.zyklisch;
    Daten->erzeuge_Meldung(QString(), true);
    Daten->Meldung_aus();
    if (ist_Datenelement()) {
        als_Datenelement_anmelden();
        InterAction().Create(
            cl_Kommunikation::Klasse,
            [selbst = std::weak_ptr<cl_Kennfeld*>(selbst_)](Sender&) {
                if (auto s = selbst.lock(); s && *s)
                    (*s)->Block_empfangen();
            },
            Kennfeld_Nr);
    }
}

cl_Kennfeld::~cl_Kennfeld() {
    *selbst_ = nullptr;
}

void cl_Kennfeld::als_Datenelement_anmelden() {
    Filetyp_Eintrag e;
    e.Nummer = Kennfeld_Nr;
    e.Id = Kennfeld_Nr;
    e.nicht_Sammel = true;
    if (ist_Kurve) {
        e.Laenge = Kurvenblock_Worte;
        e.Puffer = reinterpret_cast<uint8_t*>(Kurvenblock.data());
        e.Puffergroesse = static_cast<int>(sizeof(Kurvenblock));
    } else {
        e.Laenge = Kennfeldblock_Worte;
        e.Puffer = reinterpret_cast<uint8_t*>(Kennfeldblock.data());
        e.Puffergroesse = static_cast<int>(sizeof(Kennfeldblock));
    }
    eintraege_.anmelden(e);
}

int16_t cl_Kennfeld::Blockwort(int i) const {
    const auto* p =
        reinterpret_cast<const uint8_t*>(ist_Kurve ? Kurvenblock.data() : Kennfeldblock.data());
    return static_cast<int16_t>(lies_Wort(p + 2 * i));
}

void cl_Kennfeld::setze_Blockwort(int i, int32_t wert) {
    auto* p = reinterpret_cast<uint8_t*>(ist_Kurve ? Kurvenblock.data() : Kennfeldblock.data());
    schreibe_Wort(p + 2 * i, static_cast<uint16_t>(auf_int16(wert)));
}

void cl_Kennfeld::setze_Roh_min(int32_t v) {
    Roh_min = v;
    if (int64_t{Roh_min} + 10 > Roh_max)
        Roh_max = auf_int32(int64_t{Roh_min} + 10);
}

void cl_Kennfeld::setze_Roh_max(int32_t v) {
    Roh_max = auf_int32(std::max(int64_t{Roh_min} + 10, int64_t{v}));
}

void cl_Kennfeld::setze_Bedingung(const QString& text) {
    Bedingung = text;
    Bedingung.remove(' ');
}

int32_t cl_Kennfeld::Roh_zu_Anzeige(int32_t roh) const {
    const int64_t d = int64_t{Roh_max} - Roh_min;
    if (d == 0)
        return Z_min;
    return auf_int32(Z_min + ((int64_t{Z_max} - Z_min) * (int64_t{roh} - Roh_min) + Rundung) / d);
}

int64_t cl_Kennfeld::Anzeige_zu_Roh_lang(int64_t wert) const {
    const int64_t d = int64_t{Z_max} - Z_min;
    if (d == 0)
        return Roh_min;
    return Roh_min + (int64_t{Roh_max} - Roh_min) * (wert - Z_min) / d;
}

int32_t cl_Kennfeld::Anzeige_zu_Roh(int32_t wert) const {
    return auf_int32(Anzeige_zu_Roh_lang(wert));
}

// --- transfers -------------------------------------------------------------------------------

void cl_Kennfeld::lese_Kennfeld() {
    if (!link().ist_verbunden())
        return;
    if (ist_Datenelement()) {
        Transferzustand = 2;
        u_.kommunikation.lese_Element(Kennfeld_Nr);
        return;
    }
    if (log_Y)
        Daten->Lesedaten[0] = 6;
    Daten->setze_Meldungstext(hole_Text(261) + ' ' + Titel);
    Daten->Meldung_ein();
    Daten->Zyklusphase = false;
    Daten->lese_Zeile(0, 0);
}

void cl_Kennfeld::lese_von_ECU() {
    Daten->Kopiermodus = false;
    lese_Kennfeld();
}

void cl_Kennfeld::lese_Kennfeld_Kopie() {
    Daten->Kopiermodus = true;
    lese_Kennfeld();
}

void cl_Kennfeld::schreibe_Kennfeld(const QString& text) {
    if (!link().ist_verbunden())
        return;
    if (ist_Datenelement()) {
        Transferzustand = 3;
        if (ist_Kurve)
            for (int i = 0; i < Punkte; ++i)
                setze_Blockwort(i, Kurvenwert(i));
        else
            for (int x = 0; x < Punkte; ++x)
                for (int y = 0; y < Punkte; ++y)
                    setze_Blockwort(x * Punkte + y, Wert(x, y));
        u_.kommunikation.schreibe_Daten(Kennfeld_Nr, 0, ist_Kurve ? Punkte : Punkte * Punkte);
        return;
    }
    if (log_Y)
        Daten->Schreibdaten[0] = 6;
    Daten->stoppen();
    Daten->Meldung_ein();
    Daten->setze_Meldungstext(text);
    Daten->Zyklusphase = false;
    Daten->schreibe_Zeile(0);
}

void cl_Kennfeld::schreibe_in_ECU() {
    Daten->Kopiermodus = false;
    schreibe_Kennfeld(hole_Text(262) + ' ' + Titel);
}

void cl_Kennfeld::schreibe_Kennfeld_Kopie() {
    Daten->Kopiermodus = true;
    schreibe_Kennfeld(hole_Text(262) + ' ' + Titel);
}

void cl_Kennfeld::schreibe_nach_Aenderung() {
    Daten->Kopiermodus = false;
    schreibe_Kennfeld(hole_Text(264) + ' ' + Titel);
}

void cl_Kennfeld::speichere_Achsen() {
    if (ist_Datenelement()) {
        Transferzustand = 1;
        const int basis = ist_Kurve ? 17 : 289;
        const int n = ist_Kurve ? 2 : 4;
        for (int i = 0; i < n; ++i)
            setze_Blockwort(basis + i, Achswerte[static_cast<size_t>(i)]);
        u_.kommunikation.schreibe_Daten(Kennfeld_Nr, basis, n);
        return;
    }
    // A line read under way would keep the store from starting; the store's answer reads
    // the whole map anyway.
    Daten->stoppen();
    Daten->Meldung_ein();
    Daten->setze_Meldungstext(hole_Text(263) + ' ' + Titel);
    Daten->Zyklusphase = false;
    Daten->speichere_Kennfeld();
}

void cl_Kennfeld::schreibe_Achsbereich() {
    if (!ist_Datenelement())
        return;
    Transferzustand = 4;
    const int basis = ist_Kurve ? 19 : 293;
    const int n = ist_Kurve ? 2 : 4;
    for (int i = 0; i < n; ++i)
        setze_Blockwort(basis + i, Achsbereichswerte[static_cast<size_t>(i)]);
    u_.kommunikation.schreibe_Daten(Kennfeld_Nr, basis, n);
}

void cl_Kennfeld::sende_Parameter() {
    u_.parameter.schreiben();
}

void cl_Kennfeld::setze_COM_aktiv(bool an) {
    if (Daten->zyklisch) {
        Daten->fortlaufend = an;
        if (an)
            lese_von_ECU();
        else
            Daten->stoppen();
        return;
    }
    if (an)
        lese_von_ECU();
}

void cl_Kennfeld::lese_Zeile_nach_Aenderung(int zeile) {
    if (!COM_aktiv)
        return;
    Daten->Meldung_aus();
    if (Daten->aktiv) {
        // The running chain reads that line next.
        if (Daten->Modus <= 0) {
            Daten->Modus = 1;
            Daten->Sonderzeile = zeile;
        }
        return;
    }
    Daten->Sonderzeile = zeile;
    Daten->Lesedaten[1] = cl_Kennfeld_Daten::Zeilenposition(zeile);
    Daten->Zyklusphase = true;
    Daten->Modus = 2;
    Daten->stelle_Leseanfrage();
    Daten->sofort_starten();
    // Sets line and end line for the reading that follows; its own start has no effect.
    Daten->lese_Zeile(zeile, 0);
}

void cl_Kennfeld::stoppe() {
    Daten->stoppen();
}

void cl_Kennfeld::stoppe_Transfer() {
    Daten->Kopiermodus = false;
    Daten->stoppen();
}

void cl_Kennfeld::melde_gelesen() {
    InterAction_ausfuehren(*this, Kennfeld_gelesen);
}

void cl_Kennfeld::melde_geschrieben() {
    InterAction_ausfuehren(*this, Kennfeld_geschrieben);
}

void cl_Kennfeld::Block_empfangen() {
    if (Transferzustand == 3 || Transferzustand == 4)
        return;
    if (Transferzustand == 1) {
        Daten->speichere_Kennfeld();
        return;
    }
    if (ist_Kurve) {
        for (int i = 0; i < Punkte; ++i)
            setze_Kurvenwert(i, Blockwort(i));
        for (int i = 0; i < 2; ++i) {
            Achswerte[static_cast<size_t>(i)] = Blockwort(17 + i);
            Achsbereichswerte[static_cast<size_t>(i)] = Blockwort(19 + i);
        }
    } else {
        for (int x = 0; x < Punkte; ++x)
            for (int y = 0; y < Punkte; ++y)
                setze_Wert(x, y, Blockwort(x * Punkte + y));
        for (int i = 0; i < 4; ++i) {
            Achswerte[static_cast<size_t>(i)] = Blockwort(289 + i);
            Achsbereichswerte[static_cast<size_t>(i)] = Blockwort(293 + i);
        }
    }
    zeichne_neu();
}

// --- files ------------------------------------------------------------------------------------

bool cl_Kennfeld::speichere_Kennfeld_Datei(bool mitDialog) {
    if (!u_.dateiversion)
        return false;
    cl_Dateiversion& v = *u_.dateiversion;
    v.Beschriftung = Titel;
    v.Suffix = Kennung;
    v.Speichermodus = 1;
    int nr = -1;
    if (mitDialog) {
        nr = v.zeige_Dialog();
        if (nr < 0)
            return false;
    } else {
        nr = v.naechste_freie_Version();
        if (nr < 0) {
            u_.meldungen.zeige(hole_Text(505));
            return false;
        }
    }
    return speichere_Datei(v.Dateiname(nr));
}

bool cl_Kennfeld::speichere_Datei(const QString& pfad) {
    QByteArray daten;
    const auto wort = [&daten](int64_t w) {
        const auto u = static_cast<uint16_t>(static_cast<uint64_t>(w) & 0xFFFF);
        daten.append(static_cast<char>(u & 0xFF));
        daten.append(static_cast<char>(u >> 8));
    };
    wort(16);
    wort(16);
    wort(X_min);
    wort(X_max);
    wort(Y_min);
    wort(Y_max);
    for (int i = 1; i <= 4; ++i)
        wort(u_.parameter.Wert(Parameter_Nr[static_cast<size_t>(i)]));
    const std::vector<int> folge = Dateireihenfolge(1);
    for (int x : folge) {
        if (ist_Kurve) {
            wort(auf_int16(Anzeige_zu_Roh_lang(Werte[static_cast<size_t>(x)][0])));
            continue;
        }
        for (int y : folge)
            wort(auf_int16(Anzeige_zu_Roh_lang(Wert(x, y))));
    }
    const bool ok = Dateien::schreibe_Datei(pfad, daten);
    if (!ok)
        u_.meldungen.zeige(Dateien::Schreibfehler(pfad));
    Fokus_abgeben();
    return ok;
}

bool cl_Kennfeld::lade_Kennfeld_Datei(bool mitDialog) {
    if (!u_.dateiversion)
        return false;
    cl_Dateiversion& v = *u_.dateiversion;
    v.Beschriftung = Titel;
    v.Suffix = Kennung;
    v.Speichermodus = 0;
    const int nr = mitDialog ? v.zeige_Dialog() : v.hoechste_Version();
    if (nr < 0)
        return false;
    return lade_Datei(v.Dateiname(nr), mitDialog);
}

bool cl_Kennfeld::lade_Datei(const QString& pfad, bool mitDialog) {
    // A file that does not open leaves the window as it was, its ECU coupling too.
    QFile datei(pfad);
    if (!datei.open(QIODevice::ReadOnly)) {
        u_.meldungen.zeige(Lesefehler(pfad));
        return false;
    }
    setze_Stuetzstellen();
    if (mitDialog && COM_aktiv)
        CheckBox_COMClick(false);
    setze_COM_aktiv(false);

    const QByteArray inhalt = datei.readAll();
    datei.close();
    Kennfelddatei::Fehler fehler = Kennfelddatei::Fehler::keiner;
    const std::optional<Kennfelddatei> gelesen = zerlege_Kennfelddatei(inhalt, ist_Kurve, &fehler);
    if (!gelesen) {
        u_.meldungen.zeige(fehler == Kennfelddatei::Fehler::Schrittcode
                               ? QStringLiteral("File ") + pfad +
                                     QStringLiteral(" is not a map file: its step code is invalid.")
                               : Lesefehler(pfad));
        return false;
    }
    const auto& kopf = gelesen->Kopf;
    // Everything the layout calls for is there: now it is taken over.
    X_min = kopf[2];
    X_max = kopf[3];
    Y_min = kopf[4];
    Y_max = kopf[5];
    berechne_Raster();
    for (int i = 1; i <= 4; ++i)
        if (Parameter_Nr[static_cast<size_t>(i)] != 0)
            u_.parameter.setze_Wert(Parameter_Nr[static_cast<size_t>(i)],
                                    kopf[static_cast<size_t>(5 + i)]);
    for (const Kennfelddatei::Punkt& p : gelesen->Punkte)
        setze_Wert(p.x, p.y, Roh_zu_Anzeige(p.roh));
    zeichne_neu();
    return true;
}

// --- CSV --------------------------------------------------------------------------------------

void cl_Kennfeld::Menue_CSV() {
    if (!u_.CSV_Dialog)
        return;
    u_.CSV_Dialog(CSV_Datei, Kommentare, [this](const QString& datei, const QStringList& k) {
        schreibe_Kennfeld_CSV(datei, k);
    });
}

QStringList cl_Kennfeld::CSV_Zeilen(const QString& datei, const QStringList& kommentar,
                                    QChar dezimaltrenner, const QDateTime& zeit,
                                    QChar zeittrenner) const {
    const QChar sep = dezimaltrenner == '.' ? QChar(',') : QChar(';');
    QStringList z;
    z << Titel << datei
      << zeit.toString(QStringLiteral("dd.MM.yyyy")) + sep +
             zeit.toString(QStringLiteral("HH:mm:ss")).replace(':', zeittrenner)
      << QString();
    z << kommentar;
    z << QString();
    const auto reihe = [](QString kopf, QChar trenner, auto wert) {
        for (int i = 0; i < Punkte; ++i)
            kopf += trenner + QString::number(wert(i));
        return kopf;
    };
    if (ist_Kurve || log_Y) {
        z << reihe(QStringLiteral("X"), sep, [this](int i) { return Position_zu_X(16 * i); });
        if (ist_Kurve) {
            z << reihe(QStringLiteral("Y"), ';', [this](int i) { return Kurvenwert(i); });
        } else {
            z << reihe(QStringLiteral("n=0"), ';', [this](int i) { return Wert(i, 1); });
            z << reihe(QStringLiteral("n > 0"), ';', [this](int i) { return Wert(i, 0); });
        }
    } else {
        z << reihe(QStringLiteral("X/Y"), sep, [this](int x) { return Position_zu_X(16 * x); });
        for (int y = 0; y < Punkte; ++y)
            z << reihe(QString::number(Position_zu_Y(16 * y)), ';',
                       [this, y](int x) { return Wert(x, y); });
    }
    z << QString();
    return z;
}

bool cl_Kennfeld::schreibe_Kennfeld_CSV(const QString& datei, const QStringList& kommentar) {
    CSV_Datei = datei;
    Kommentare = kommentar;
    const QChar dezimal =
        u_.Dezimaltrennzeichen ? u_.Dezimaltrennzeichen() : QLocale::system().decimalPoint().at(0);
    const bool ok = Dateien::schreibe_Zeilen(
        datei, CSV_Zeilen(datei, kommentar, dezimal, QDateTime::currentDateTime(), Zeittrenner()));
    if (!ok)
        u_.meldungen.zeige(Dateien::Schreibfehler(datei));
    return ok;
}

// --- printing ---------------------------------------------------------------------------------

void cl_Kennfeld::Menue_drucken() {
    if (!u_.drucker)
        return;
    u_.drucker->drucke(1, [this] { drucke_Kennfeld(); });
}

void cl_Kennfeld::drucke_Kennfeld() {
    if (!u_.drucker || !u_.drucker->Dokument_offen)
        return;
    TPrinter_Quorvel& d = *u_.drucker;
    QPainter& p = d.Canvas();
    const int w = d.Seitenbreite - 150;
    const int h = ist_Kurve ? (w - 100) / 2 : (w - 100) * 3 / 5;
    if (d.Zeile_Y + h + 50 <= d.Seitenhoehe) {
        p.setPen(QPen(Qt::black, 4));
        p.drawLine(150, d.Zeile_Y, d.Seitenbreite - 100, d.Zeile_Y);
        d.Zeile_Y += 25;
    } else {
        d.neue_Seite();
    }
    QFont f = p.font();
    f.setPixelSize(50);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QPen(Qt::black, 1));
    p.drawText(QRect(200, d.Zeile_Y, d.Seitenbreite - 300, 100), Qt::AlignLeft | Qt::AlignTop,
               Titel);
    f.setPixelSize(40);
    f.setBold(false);
    p.setFont(f);
    d.Zeile_Y += 25;
    Druckmodus = true;
    Strichfaktor = 2;
    if (ansicht_)
        ansicht_->drucke(p, d.Seitenbreite, d.Zeile_Y + h, 300, 250, d.Zeile_Y + 100, 150);
    d.Zeile_Y += h + 25;
    Druckmodus = false;
    Strichfaktor = 1;
    if (sichtbar())
        zeichne_neu();
}
