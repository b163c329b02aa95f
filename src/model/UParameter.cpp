#include "model/UParameter.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/Drucker.h"
#include "model/ModelLog.h"
#include "model/Parameterdatei.h"
#include "model/UQuorveldata.h"
#include "platform/Dateien.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

static_assert(std::endian::native == std::endian::little,
              "extra areas are handed out as the ECU's little-endian bytes");

namespace {

struct Standardgruppe {
    const char* schluessel;
    int text; // 0: the name below
    const char* name;
    const char* bedingung;
};

// The settings editor's groups before a definition file names its own.
constexpr std::array<Standardgruppe, 34> Standardgruppen = {{
    {"DATAVERSION", 159, "", ""},
    {"MOTOR", 122, "", ""},
    {"NRECOG", 123, "", ""},
    {"AIRMASS", 124, "", ""},
    {"LAMBDA", 125, "", "60"},
    {"THROTTLE", 126, "", ""},
    {"MTEMP", 127, "", ""},
    {"ATEMP", 128, "", ""},
    {"AMANI", 129, "", "54"},
    {"INJ", 130, "", ""},
    {"IGN", 131, "", ""},
    {"CLOOP", 132, "", "60"},
    {"FIELD", 133, "", "63"},
    {"IDLE", 134, "", ""},
    {"START", 135, "", ""},
    {"WARMUP", 136, "", ""},
    {"ACCEL", 137, "", ""},
    {"IDLEOFF", 138, "", "1102"},
    {"SMOOTHACCEL", 139, "", "1132"},
    {"TRACTION", 140, "", "1100"},
    {"IDLECNTR", 141, "", "131"},
    {"AIRLOAD", 142, "", "1119"},
    {"THROTTLE_CNTRL", 158, "", "1151"},
    {"NMONI", 143, "", "1105"},
    {"GEAROFF", 144, "", "1127"},
    {"LOOPCONTRA", 632, "", "1162"},
    {"STEPPER", 0, "Schrittmotor", "1216"},
    {"RACE", 145, "", "1106"},
    {"MEMORY", 146, "", "1133"},
    {"DATALINKLOGGER", 147, "", "1144"},
    {"WANKEL", 631, "", "500"},
    {"POWER", 0, "", ""},
    {"11", 0, "", ""},
    {"SPECIAL", 0, "", ""},
}};

// The DOS code page's umlauts in the files, and what they stand for in Windows-1252.
constexpr std::array<std::pair<uint8_t, uint8_t>, 7> Umlaute = {
    {{148, 246}, {129, 252}, {132, 228}, {142, 196}, {153, 214}, {154, 220}, {225, 223}}};

int Breite(int typ) {
    switch (typ) {
    case 2:
    case 3:
    case 6:
        return 1;
    case 8:
    case 9:
        return 4;
    default:
        return 2;
    }
}

// An integer field: blanks, an optional "-", then decimal digits or "$" and hexadecimal
// digits (0-9, A-F); blanks may follow, nothing else.
std::optional<int64_t> Ganzzahl(const QString& feld) {
    qsizetype i = 0;
    const qsizetype n = feld.size();
    while (i < n && feld[i] == ' ')
        ++i;
    bool negativ = false;
    if (i < n && feld[i] == '-') {
        negativ = true;
        ++i;
    }
    const bool hex = i < n && feld[i] == '$';
    if (hex)
        ++i;
    int64_t wert = 0;
    int ziffern = 0;
    for (; i < n; ++i) {
        const char16_t c = feld[i].unicode();
        int z = -1;
        if (c >= '0' && c <= '9')
            z = c - '0';
        else if (hex && c >= 'A' && c <= 'F')
            z = c - 'A' + 10;
        if (z < 0)
            break;
        wert = wert * (hex ? 16 : 10) + z;
        if (++ziffern > 10)
            return std::nullopt;
    }
    while (i < n && feld[i] == ' ')
        ++i;
    if (ziffern == 0 || i != n)
        return std::nullopt;
    return negativ ? -wert : wert;
}

std::optional<double> Dezimalzahl(const QString& feld) {
    bool ok = false;
    const double w = feld.trimmed().toDouble(&ok);
    // "nan" and "inf" are no limits: nothing would ever lie between them.
    if (!ok || !std::isfinite(w))
        return std::nullopt;
    return w;
}

// A value's byte offset must be reachable by a data item's word offset, a 16-bit word;
// anything larger would have an extra area grow without bound.
constexpr int64_t Offset_max = 2 * 65535 + 1;

QString ohne_Leerzeichen(QString s) {
    s.remove(' ');
    return s;
}

// What a condition is read from: a position in the text.
struct Leser {
    const QString& t;
    qsizetype i = 0;

    bool am_Ende() const { return i >= t.size(); }
    QChar c() const { return t[i]; }
    static bool Operator(QChar c) { return c == '&' || c == '|'; }
    static bool Termanfang(QChar c) { return (c >= '0' && c <= '9') || c == '$'; }

    std::optional<int64_t> Zahl() {
        const bool hex = !am_Ende() && c() == '$';
        if (hex)
            ++i;
        int64_t w = 0;
        int ziffern = 0;
        while (!am_Ende()) {
            const char16_t z = c().unicode();
            int v = -1;
            if (z >= '0' && z <= '9')
                v = z - '0';
            else if (hex && z >= 'A' && z <= 'F')
                v = z - 'A' + 10;
            if (v < 0 || ziffern > 10)
                break;
            w = w * (hex ? 16 : 10) + v;
            ++ziffern;
            ++i;
        }
        if (ziffern == 0)
            return std::nullopt;
        return w;
    }
};

bool ist_Quorveli() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUpper() ==
           QLatin1String("QUORVELI.EXE");
}

} // namespace

// ---------------------------------------------------------------- cl_Parameter_Daten

cl_Parameter_Daten::cl_Parameter_Daten(cl_COM_Quorvel& link, cl_Version& version,
                                       cl_Kommunikation& kommunikation)
    : cl_COM_data(link, Befehl_Lesen, true, false, 1000, 0, nullptr, Bildgroesse, nullptr),
      version_(version), kommunikation_(kommunikation) {
    setze_Antwortpuffer(ECU_Bild.data());
    setze_Sendedaten(Bild_neu.data());
}

int cl_Parameter_Daten::Groesse() const {
    const int v = version_.Version();
    if (v < 517)
        return 600;
    if (version_.Hersteller() == 4 && v >= 546 && v <= 599)
        return 1000;
    if (v < 615)
        return 800;
    if (version_.in_Versionsmenge({6, 8}))
        return 1000;
    return 1400;
}

void cl_Parameter_Daten::lese_Block() {
    // One request carries both directions: changing it under a transfer in flight would
    // make that transfer's answer unrecognisable.
    if (aktiv)
        return;
    Befehl = Befehl_Lesen;
    Blockweise_lesen = true;
    Blockweise_senden = false;
    Sendelaenge = 0;
    neues_Blockformat = false;
    if (ueber_Datenelemente) {
        kommunikation_.lese_alle();
        return;
    }
    Antwortlaenge = Groesse();
    sofort_starten();
}

bool cl_Parameter_Daten::schreiben() {
    if (aktiv)
        return false;
    if (!Meldung())
        erzeuge_Meldung(hole_Text(151), false);
    setze_Meldungstext(hole_Text(151));
    Befehl = Befehl_Schreiben;
    Blockweise_senden = true;
    Blockweise_lesen = false;
    if (ueber_Datenelemente)
        return kommunikation_.schreibe_alle();
    Sendelaenge = Groesse();
    Antwortlaenge = 0;
    sofort_starten();
    return true;
}

void cl_Parameter_Daten::Antwort() {
    if (Befehl == Befehl_Schreiben) {
        ECU_Bild = Bild_neu;
        Bilder_uebernommen();
        InterAction_ausfuehren(*this, Geschrieben);
    } else {
        Bild_neu = ECU_Bild;
        Bilder_uebernommen();
        InterAction_ausfuehren(*this, Gelesen);
    }
    if (starte_Statusdaten)
        starte_Statusdaten();
    zaehle_Bits();
}

// ---------------------------------------------------------------- cl_Parameter

cl_Parameter::cl_Parameter(cl_COM_Quorvel& link, cl_Version& version,
                           cl_Kommunikation& kommunikation)
    : cl_Parameter_Daten(link, version, kommunikation) {
    kommunikation.setze_Bereiche(this);
    InterAction().Create(
        cl_Version::Klasse, [this](Sender&) { lade_Definitionen(); }, cl_Version::Beantwortet);
    InterAction().Create(
        cl_Kommunikation::Klasse,
        [this](Sender&) {
            Befehl = Befehl_Lesen;
            Antwort();
        },
        cl_Kommunikation::Parameter_gelesen);
}

cl_Parameter::~cl_Parameter() {
    kommunikation_.setze_Bereiche(nullptr);
}

// --- Transfer ---------------------------------------------------------------------------

void cl_Parameter::lesen() {
    if (!Meldung())
        erzeuge_Meldung(::hole_Text(152), false);
    setze_Meldungstext(::hole_Text(152));
    lese_Block();
    pruefe_alle_Bedingungen();
}

bool cl_Parameter::schreiben() {
    bool flash = false;
    for (const auto& d : definitionen_)
        if (d->Flash && hole_Rohwert(*d, 0) != hole_Rohwert(*d, 1))
            flash = true;
    // Nothing is stored in flash that was not written.
    if (!cl_Parameter_Daten::schreiben())
        return false;
    if (!flash)
        return true;
    if (ueber_Datenelemente) {
        // The data items go out in as many messages as it takes, after what is under way
        // already: the store waits for the last acknowledgement, or it would keep the old
        // values.
        Flash_nach_Schreiben_ = true;
    } else if (ins_Flash_sichern) {
        ins_Flash_sichern();
    }
    link().meldungen().zeige(::hole_Text(157));
    return true;
}

void cl_Parameter::Antwort() {
    cl_Parameter_Daten::Antwort();
    if (!ist_Quorveli() && lies_Kennfeldbeschreibung)
        lies_Kennfeldbeschreibung();
    InterAction_ausfuehren(*this, Befehl == Befehl_Schreiben ? Geschrieben : Gelesen);
    if (aktualisiere_Menues)
        aktualisiere_Menues();
}

void cl_Parameter::Bilder_uebernommen() {
    // The conditions checked when the read started saw the values before it; the listeners
    // must see those of the ECU.
    if (Befehl != Befehl_Schreiben)
        pruefe_alle_Bedingungen();
}

void cl_Parameter::melde_geschrieben() {
    InterAction_ausfuehren(*this, Geschrieben);
    if (!Flash_nach_Schreiben_)
        return;
    const cl_ECU_Liste& liste = kommunikation_.Liste();
    // The first position never goes out, so it is never acknowledged either.
    for (int i = 1; i < liste.Anzahl(); ++i)
        if (!liste[i].nicht_Sammel && liste[i].Schreiben_ausstehend)
            return;
    Flash_nach_Schreiben_ = false;
    if (ins_Flash_sichern)
        ins_Flash_sichern();
}

void cl_Parameter::zaehle_Bits() {
    const auto roh = [this](int nummer) -> std::optional<std::pair<int64_t, int>> {
        for (const auto& d : definitionen_)
            if (d->Nummer == nummer)
                return std::pair{hole_Rohwert(*d, 0), Breite(d->Typ) * 8};
        return std::nullopt;
    };
    const int64_t p1 = roh(1) ? roh(1)->first : 0;
    int64_t bits = 0;
    if (const auto p = roh(2396); p && p1 >= 0) {
        const int n = static_cast<int>(std::min<int64_t>(p1 + 1, p->second));
        const uint64_t maske = n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
        bits = std::popcount(static_cast<uint64_t>(p->first) & maske);
    }
    Bitzahl = static_cast<int32_t>(bits);
    P1_ohne_Bits = static_cast<int32_t>(p1 - bits);
}

// --- Definitions ------------------------------------------------------------------------

void cl_Parameter::fuelle_Standardgruppen() {
    gruppen_.clear();
    for (const Standardgruppe& g : Standardgruppen)
        gruppen_.push_back({g.text ? ::hole_Text(g.text) : QString::fromUtf8(g.name),
                            QString::fromLatin1(g.schluessel), QString::fromLatin1(g.bedingung)});
}

cl_Parameter::Definitionsquelle cl_Parameter::aktuelle_Quelle() const {
    return {version_.Software_Dateiname(), version_.Hardware_Haupt(), link().ist_verbunden()};
}

bool cl_Parameter::lade_Definitionen_bei_Aenderung() {
    if (gelesen_fuer_ == aktuelle_Quelle())
        return false;
    lade_Definitionen();
    return true;
}

void cl_Parameter::lade_Definitionen() {
    // A file that could not be read counts as read: it is not tried (and reported) again
    // until its source changes.
    gelesen_fuer_ = aktuelle_Quelle();
    ++definitionsstand_;
    bereiche_ECU_.clear();
    bereiche_neu_.clear();
    ueber_Datenelemente = false;
    cursor_ = nullptr;
    aktuell_ = nullptr;
    nach_Nummer_und_Gruppe_.clear();
    erste_nach_Nummer_.clear();
    definitionen_.clear();
    fuelle_Standardgruppen();
    gruppen_ersetzt_ = false;
    definitionen_geladen_ = false;
    // A flag of the ECU heard before must not outlive its definitions.
    Definitionsdatei_Plus = false;

    if (!lies_Definitionsdatei(glob().Pfad_Sprache, true))
        return;
    lies_Definitionsdatei(glob().Pfad_Englisch, false);
    lies_Definitionsdatei(glob().Pfad_Deutsch, false);
    if (!ist_Quorveli() && lies_Kennfeldbeschreibung)
        lies_Kennfeldbeschreibung();
    pruefe_alle_Bedingungen();
    definitionen_geladen_ = true;
}

bool cl_Parameter::lies_Definitionsdatei(const QString& ordner, bool melden) {
    const QString name = version_.Software_Dateiname();
    if (name.isEmpty())
        return false;
    const QString pfad = Dateien::verbinde(ordner, name);
    QFile datei(Dateien::finde(pfad));
    if (!datei.open(QIODevice::ReadOnly)) {
        if (melden)
            link().meldungen().zeige(::hole_Text(541) + pfad);
        return false;
    }
    // A read error ends the reading quietly with what came.
    QByteArray inhalt = datei.readAll();
    for (char& b : inhalt)
        for (const auto& [dos, ansi] : Umlaute)
            if (static_cast<uint8_t>(b) == dos) {
                b = static_cast<char>(ansi);
                break;
            }
    const QString text = Dateien::von_1252(inhalt);
    aktuell_ = nullptr;
    Details_annehmen = false;
    Hilfe_annehmen = false;
    for (const QString& zeile : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
        lies_Zeile(zeile);
    aktuell_ = nullptr;
    return true;
}

void cl_Parameter::lies_Zeile(const QString& zeile) {
    if (zeile.isEmpty())
        return;
    const QChar art = zeile[0];
    const QString rest = zeile.mid(1);

    if (art == '-') {
        // number, group, type, area, offset [, flash [, condition]]
        QStringList f;
        qsizetype pos = 0;
        for (int k = 0; k < 5; ++k) {
            const qsizetype komma = rest.indexOf(',', pos);
            f.append(rest.mid(pos, komma < 0 ? -1 : komma - pos));
            pos = komma < 0 ? rest.size() + 1 : komma + 1;
            if (komma < 0 && k < 4)
                return;
        }
        const auto nummer = Ganzzahl(f[0]);
        const QString gruppe = ohne_Leerzeichen(f[1]);
        const auto typ = Ganzzahl(f[2]);
        const auto bereich = Ganzzahl(f[3]);
        const auto offset = Ganzzahl(f[4]);
        if (!nummer || !typ || !bereich || !offset || *typ < 0 || *typ > 9 || *nummer < 0 ||
            *nummer > 65535 || *offset < 0 || *offset > Offset_max || *bereich < 0 ||
            *bereich > 65535)
            return;
        bool flash = false;
        QString bedingung;
        if (pos <= rest.size()) {
            const qsizetype komma = rest.indexOf(',', pos);
            const auto fl = Ganzzahl(rest.mid(pos, komma < 0 ? -1 : komma - pos));
            if (!fl)
                return;
            flash = *fl > 0;
            if (komma >= 0) {
                bedingung = rest.mid(komma + 1);
                qsizetype b = 0;
                while (b < bedingung.size() && bedingung[b] == ' ')
                    ++b;
                bedingung.remove(0, b);
            }
        }
        const std::pair<int, QString> schluessel{static_cast<int>(*nummer), gruppe};
        if (Definition* const vorhanden = nach_Nummer_und_Gruppe_.value(schluessel)) {
            aktuell_ = vorhanden;
            Details_annehmen = false;
            Hilfe_annehmen = vorhanden->Hilfe.isEmpty();
            return;
        }
        auto d = std::make_unique<Definition>();
        d->Nummer = static_cast<int>(*nummer);
        d->Gruppe = gruppe;
        d->Typ = static_cast<int>(*typ);
        d->Bereich = static_cast<int>(*bereich);
        d->Offset = static_cast<int>(*offset);
        d->Flash = flash;
        d->Bedingung = bedingung;
        aktuell_ = d.get();
        Details_annehmen = true;
        Hilfe_annehmen = true;
        nach_Nummer_und_Gruppe_.insert(schluessel, d.get());
        if (!erste_nach_Nummer_.contains(d->Nummer))
            erste_nach_Nummer_.insert(d->Nummer, d.get());
        definitionen_.push_back(std::move(d));
        const int b = static_cast<int>(*bereich);
        kommunikation_.Liste().einfuegen({b + 10000, b, false, 0, nullptr, 0});
        for (int seite : {0, 1})
            if (!Bereich(seite, b))
                Bereiche(seite).push_back(
                    std::make_unique<cl_Parameter_file>(cl_Parameter_file{b, {}}));
        if (b > 2 && version_.Version() > 600)
            ueber_Datenelemente = true;
        return;
    }
    if (art == '/') {
        if (aktuell_ && Details_annehmen)
            aktuell_->Text = rest;
        return;
    }
    if (art == '\'') {
        if (aktuell_ && Hilfe_annehmen)
            aktuell_->Hilfe.append(rest);
        return;
    }
    if (art == '#') {
        if (!aktuell_ || !Details_annehmen)
            return;
        const QStringList f = rest.split(',');
        const auto min = Dezimalzahl(f[0]);
        if (!min)
            return;
        std::optional<double> max;
        if (f.size() > 1 && !(max = Dezimalzahl(f[1])))
            return;
        aktuell_->Minimum = *min;
        aktuell_->Minimum_gegeben = true;
        if (max) {
            aktuell_->Maximum = *max;
            aktuell_->Maximum_gegeben = true;
        }
        return;
    }
    if (art == ':') {
        if (!aktuell_ || !Details_annehmen)
            return;
        aktuell_->freigegeben = false;
        const int hw = version_.Hardware_Haupt();
        for (const QString& eintrag : rest.split(',')) {
            const qsizetype strich = eintrag.indexOf('-');
            if (strich < 0) {
                const auto h = Ganzzahl(eintrag);
                if (!h)
                    return;
                if (*h == hw) {
                    aktuell_->freigegeben = true;
                    return;
                }
                continue;
            }
            const auto von = Ganzzahl(eintrag.left(strich));
            const auto bis = Ganzzahl(eintrag.mid(strich + 1));
            if (!von || !bis)
                return;
            if (hw >= *von && hw <= *bis) {
                aktuell_->freigegeben = true;
                return;
            }
        }
        return;
    }
    if (art == '.') {
        const qsizetype k1 = rest.indexOf(',');
        const QString schluessel = ohne_Leerzeichen(rest.left(k1));
        if (schluessel.isEmpty())
            return;
        QString name;
        QString bedingung;
        if (k1 >= 0) {
            const qsizetype k2 = rest.indexOf(',', k1 + 1);
            name = rest.mid(k1 + 1, k2 < 0 ? -1 : k2 - k1 - 1);
            if (k2 >= 0)
                bedingung = rest.mid(k2 + 1).trimmed();
        }
        if (!gruppen_ersetzt_) {
            gruppen_.clear();
            gruppen_ersetzt_ = true;
        }
        for (const clGruppe& g : gruppen_)
            if (g.Schluessel == schluessel)
                return;
        gruppen_.push_back({name, schluessel, bedingung});
        return;
    }
    if (art == '+') {
        const QStringList f = rest.split(',');
        const auto a = Ganzzahl(f[0]);
        const auto b = f.size() > 1 ? Ganzzahl(f[1]) : std::nullopt;
        Definitionsdatei_Plus = a && b && *a == 1 && *b == 1;
    }
}

bool cl_Parameter::pruefe_Bedingung(const QString& text) {
    Definition* const cursor = cursor_;
    Leser l{text};
    // A term: n (value > 0) or n[a,b-c,...] (value listed); nullopt when it cannot be read.
    const auto term = [&]() -> std::optional<bool> {
        while (!l.am_Ende() && !Leser::Termanfang(l.c()) && !Leser::Operator(l.c()))
            ++l.i;
        if (l.am_Ende() || Leser::Operator(l.c()))
            return std::nullopt;
        const auto n = l.Zahl();
        if (!n)
            return std::nullopt;
        // Parameter numbers are 16-bit: a larger one names no parameter.
        const int64_t wert = *n <= 65535 ? Wert_neu(static_cast<int>(*n)) : 0;
        if (l.am_Ende() || l.c() != '[')
            return wert > 0;
        ++l.i;
        bool gefunden = false;
        for (;;) {
            const auto a = l.Zahl();
            if (!a)
                return std::nullopt;
            int64_t b = *a;
            if (!l.am_Ende() && l.c() == '-') {
                ++l.i;
                const auto bis = l.Zahl();
                if (!bis)
                    return std::nullopt;
                b = *bis;
            }
            gefunden = gefunden || (wert >= *a && wert <= b);
            if (l.am_Ende())
                return std::nullopt;
            if (l.c() == ']') {
                ++l.i;
                return gefunden;
            }
            if (l.c() != ',')
                return std::nullopt;
            ++l.i;
        }
    };

    bool ergebnis = true;
    if (const auto erster = term()) {
        ergebnis = *erster;
        for (;;) {
            while (!l.am_Ende() && !Leser::Operator(l.c()))
                ++l.i;
            if (l.am_Ende())
                break;
            const QChar op = l.c();
            ++l.i;
            if (op == '|' && ergebnis)
                break;
            const auto t = term();
            if (!t)
                break;
            ergebnis = op == '|' ? *t : (ergebnis && *t);
        }
    }
    cursor_ = cursor;
    return ergebnis;
}

bool cl_Parameter::pruefe_alle_Bedingungen() {
    bool unveraendert = true;
    for (const auto& d : definitionen_) {
        const bool aktiv =
            d->freigegeben && (d->Bedingung.isEmpty() || pruefe_Bedingung(d->Bedingung));
        if (aktiv != d->aktiv)
            unveraendert = false;
        d->aktiv = aktiv;
    }
    return unveraendert;
}

bool cl_Parameter::suche_Parameter(int nummer) {
    cursor_ = erste_nach_Nummer_.value(nummer);
    return cursor_ != nullptr;
}

int cl_Parameter::zaehle_Gruppe(const QString& schluessel) const {
    return static_cast<int>(
        std::count_if(definitionen_.begin(), definitionen_.end(),
                      [&](const auto& d) { return d->aktiv && d->Gruppe == schluessel; }));
}

bool cl_Parameter::erster_in_Gruppe(const QString& schluessel) {
    gruppe_ = schluessel;
    cursor_ = nullptr;
    for (const auto& d : definitionen_)
        if (d->aktiv && d->Gruppe == gruppe_) {
            cursor_ = d.get();
            return true;
        }
    return false;
}

bool cl_Parameter::naechster_in_Gruppe() {
    auto it = std::find_if(definitionen_.begin(), definitionen_.end(),
                           [this](const auto& d) { return d.get() == cursor_; });
    cursor_ = nullptr;
    if (it == definitionen_.end())
        return false;
    for (++it; it != definitionen_.end(); ++it)
        if ((*it)->aktiv && (*it)->Gruppe == gruppe_) {
            cursor_ = it->get();
            return true;
        }
    return false;
}

QString cl_Parameter::hole_Text() const {
    return cursor_ ? cursor_->Text : QString();
}

int cl_Parameter::hole_Typ() const {
    return cursor_ ? cursor_->Typ : 0;
}

double cl_Parameter::hole_Min() const {
    return cursor_ ? cursor_->Minimum : 0;
}

double cl_Parameter::hole_Max() const {
    return cursor_ ? cursor_->Maximum : 0;
}

// --- Typed access -----------------------------------------------------------------------

std::span<uint8_t> cl_Parameter::Speicher(const Definition& d, int bild) {
    const auto breite = static_cast<size_t>(Breite(d.Typ));
    const auto offset = static_cast<size_t>(d.Offset);
    std::span<uint8_t> basis;
    if (d.Nummer >= 20000) {
        // This definition's own place: another definition of the number may lie elsewhere
        // or be narrower, and showing a value must not move the cursor of a group walk.
        int element = 0;
        return Livespeicher(d, element);
    }
    if (d.Bereich > 2) {
        cl_Parameter_file* b = Bereich(bild == 0 ? 0 : 1, d.Bereich);
        if (!b)
            return {};
        // A value past the area's end lengthens it, as a data item's answer does.
        const size_t worte = (offset + breite + 1) / 2;
        if (b->Worte.size() < worte)
            b->Worte.resize(worte);
        basis = {reinterpret_cast<uint8_t*>(b->Worte.data()), b->Worte.size() * 2};
    } else {
        basis = bild == 0 ? std::span<uint8_t>(ECU_Bild) : std::span<uint8_t>(Bild_neu);
    }
    if (offset + breite > basis.size())
        return {};
    return basis.subspan(offset, breite);
}

std::span<const uint8_t> cl_Parameter::Speicher(const Definition& d, int bild) const {
    const auto breite = static_cast<size_t>(Breite(d.Typ));
    const auto offset = static_cast<size_t>(d.Offset);
    if (d.Nummer >= 20000 || d.Bereich > 2) {
        if (d.Nummer < 20000) {
            // Reads past an extra area's end give 0: no memory.
            const auto& liste = bild == 0 ? bereiche_ECU_ : bereiche_neu_;
            for (const auto& b : liste)
                if (b->Bereich == d.Bereich) {
                    std::span<const uint8_t> basis{
                        reinterpret_cast<const uint8_t*>(b->Worte.data()), b->Worte.size() * 2};
                    return offset + breite <= basis.size() ? basis.subspan(offset, breite)
                                                           : std::span<const uint8_t>{};
                }
            return {};
        }
        return const_cast<cl_Parameter*>(this)->Speicher(d, bild);
    }
    const std::span<const uint8_t> basis =
        bild == 0 ? std::span<const uint8_t>(ECU_Bild) : std::span<const uint8_t>(Bild_neu);
    if (offset + breite > basis.size())
        return {};
    return basis.subspan(offset, breite);
}

int64_t cl_Parameter::hole_Rohwert(const Definition& d, int bild) const {
    const std::span<const uint8_t> s = Speicher(d, bild);
    if (s.empty())
        return 0;
    uint32_t u = 0;
    for (size_t i = 0; i < s.size(); ++i)
        u |= static_cast<uint32_t>(s[i]) << (8 * i);
    switch (d.Typ) {
    case 0:
    case 5:
        return static_cast<int16_t>(u);
    case 6:
        return static_cast<int8_t>(u);
    case 8:
        return static_cast<int32_t>(u);
    default:
        return u;
    }
}

int64_t cl_Parameter::Eingabe_zu_Roh(int typ, double wert) {
    // Limits from a file may be of any size; no raw value is wider than 32 bits, and a
    // conversion beyond 64 bits would be undefined.
    if (std::isnan(wert))
        return 0;
    constexpr double grenze = 1.0e15;
    wert = std::clamp(wert, -grenze, grenze);
    switch (typ) {
    case 0:
        return Round(wert * 1.25);
    case 1:
        return Round(wert * 1023 / 5);
    case 2:
        return Round(wert * 255 / 90);
    case 7:
    case 9:
        return static_cast<int64_t>(wert);
    default:
        return Round(wert);
    }
}

void cl_Parameter::setze_Rohwert(const Definition& d, int bild, int64_t roh) {
    if ((d.Typ == 5 || d.Typ == 6) && roh >= 32768)
        roh -= 65536;
    const int64_t min = Eingabe_zu_Roh(d.Typ, d.Minimum);
    const int64_t max = Eingabe_zu_Roh(d.Typ, d.Maximum);
    if (min > roh)
        roh = min;
    else if (max < roh)
        roh = max;
    const std::span<uint8_t> s = Speicher(d, bild);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<uint8_t>((static_cast<uint64_t>(roh) >> (8 * i)) & 0xFF);
}

QString cl_Parameter::Wert_als_Text(const Definition& d, int bild) const {
    if (Speicher(d, bild).empty())
        return QString();
    const int64_t roh = hole_Rohwert(d, bild);
    switch (d.Typ) {
    case 0:
        return QString::number(Round(static_cast<double>(roh) * 0.8));
    case 1:
        return QString::asprintf("%5.2f", static_cast<double>(roh) * 5 / 1023);
    case 2:
        return QString::number(Round(static_cast<double>(roh) * 90 / 255));
    case 7:
    case 9:
        return Zahl_zu_Hex(roh);
    default:
        return QString::number(roh);
    }
}

void cl_Parameter::setze_Wert_aus_Text(const Definition& d, int bild, const QString& text) {
    double wert =
        d.Typ == 7 || d.Typ == 9 ? Hex_zu_Zahl(String_trimmen(text)) : String_zu_Float(text);
    if (wert < d.Minimum)
        wert = d.Minimum;
    else if (wert > d.Maximum)
        wert = d.Maximum;
    const int64_t roh = Eingabe_zu_Roh(d.Typ, wert);
    const std::span<uint8_t> s = Speicher(d, bild);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<uint8_t>((static_cast<uint64_t>(roh) >> (8 * i)) & 0xFF);
}

int64_t cl_Parameter::Wert(int nummer) {
    if (version_.ist_Version_300()) {
        if (nummer == 8 || nummer == 10)
            return -30;
        if (nummer == 220)
            return 0;
    }
    return suche_Parameter(nummer) ? hole_Rohwert(*cursor_, 0) : 0;
}

int64_t cl_Parameter::Wert_neu(int nummer) {
    return suche_Parameter(nummer) ? hole_Rohwert(*cursor_, 1) : 0;
}

void cl_Parameter::setze_Wert(int nummer, int64_t roh) {
    if (!suche_Parameter(nummer))
        return;
    setze_Rohwert(*cursor_, 1, roh);
    setze_Rohwert(*cursor_, 0, roh);
}

int64_t cl_Parameter::hole_Rohwert_ECU() const {
    return cursor_ ? hole_Rohwert(*cursor_, 0) : 0;
}

int64_t cl_Parameter::hole_Rohwert_neu() const {
    return cursor_ ? hole_Rohwert(*cursor_, 1) : 0;
}

void cl_Parameter::setze_Rohwert_neu(int64_t roh) {
    if (cursor_)
        setze_Rohwert(*cursor_, 1, roh);
}

QString cl_Parameter::Text_ECU() const {
    return cursor_ ? Wert_als_Text(*cursor_, 0) : QString();
}

QString cl_Parameter::Text_neu() const {
    return cursor_ ? Wert_als_Text(*cursor_, 1) : QString();
}

void cl_Parameter::setze_Text_neu(const QString& text) {
    if (cursor_)
        setze_Wert_aus_Text(*cursor_, 1, text);
}

bool cl_Parameter::Adresse_virtuell(int nummer, uint8_t*& adresse, int& element) {
    adresse = nullptr;
    if (nummer < 20000 || !suche_Parameter(nummer))
        return false;
    const std::span<uint8_t> s = Livespeicher(*cursor_, element);
    if (s.empty())
        return false;
    adresse = s.data();
    return true;
}

std::span<const uint8_t> cl_Parameter::Livewert(int nummer) {
    if (nummer < 20000 || !suche_Parameter(nummer))
        return {};
    int element = 0;
    return Livespeicher(*cursor_, element);
}

std::span<uint8_t> cl_Parameter::Livespeicher(const Definition& d, int& element) const {
    std::span<uint8_t> basis;
    if (d.Bereich >= 1 && d.Bereich <= 3) {
        element = -1;
        if (Live_Datensatz)
            basis = Live_Datensatz(d.Bereich);
    } else {
        const cl_Filetyp* f = kommunikation_.Liste().suche_Index(d.Bereich);
        if (!f)
            return {};
        element = f->Id;
        if (f->Puffer)
            basis = {f->Puffer, static_cast<size_t>(f->Puffergroesse)};
    }
    // A value must lie within its record: the map description reads through the address.
    const auto breite = static_cast<size_t>(Breite(d.Typ));
    const auto offset = static_cast<size_t>(d.Offset);
    if (offset + breite > basis.size())
        return {};
    return basis.subspan(offset, breite);
}

// --- Areas ------------------------------------------------------------------------------

cl_Parameter_file* cl_Parameter::Bereich(int seite, int bereich) {
    for (const auto& b : Bereiche(seite))
        if (b->Bereich == bereich)
            return b.get();
    return nullptr;
}

std::span<uint8_t> cl_Parameter::Bereichsadresse(int bild, int bereich) {
    if (bereich >= 0 && bereich <= 2)
        return bild == 0 ? std::span<uint8_t>(ECU_Bild) : std::span<uint8_t>(Bild_neu);
    cl_Parameter_file* b = Bereich(bild == 0 ? 0 : 1, bereich);
    if (!b)
        return {};
    return {reinterpret_cast<uint8_t*>(b->Worte.data()), b->Worte.size() * 2};
}

void cl_Parameter::Bereich_anlegen(int bereich, int worte) {
    bereiche_ECU_.push_back(std::make_unique<cl_Parameter_file>(cl_Parameter_file{
        bereich, std::vector<uint16_t>(static_cast<size_t>(std::max(worte, 0)))}));
}

namespace {
void kopiere_Bereich(const cl_Parameter_file* quelle,
                     std::vector<std::unique_ptr<cl_Parameter_file>>& ziele, int bereich) {
    if (!quelle)
        return;
    cl_Parameter_file* ziel = nullptr;
    for (const auto& b : ziele)
        if (b->Bereich == bereich) {
            ziel = b.get();
            break;
        }
    if (!ziel) {
        ziele.push_back(std::make_unique<cl_Parameter_file>(cl_Parameter_file{bereich, {}}));
        ziel = ziele.back().get();
    }
    if (ziel->Worte.size() < quelle->Worte.size())
        ziel->Worte.resize(quelle->Worte.size());
    std::copy(quelle->Worte.begin(), quelle->Worte.end(), ziel->Worte.begin());
}
} // namespace

void cl_Parameter::Bereich_uebernehmen(int bereich) {
    kopiere_Bereich(Bereich(0, bereich), bereiche_neu_, bereich);
}

void cl_Parameter::Bereich_zurueck(int bereich) {
    kopiere_Bereich(Bereich(1, bereich), bereiche_ECU_, bereich);
}

void cl_Parameter::schreibe_Bereich(int bereich, int wortOffset, const uint16_t* worte,
                                    int anzahl) {
    if (wortOffset < 0 || anzahl <= 0)
        return;
    cl_Parameter_file* b = Bereich(0, bereich);
    if (!b) {
        Bereich_anlegen(bereich, 0);
        b = bereiche_ECU_.back().get();
    }
    const auto ende = static_cast<size_t>(wortOffset) + static_cast<size_t>(anzahl);
    if (b->Worte.size() < ende)
        b->Worte.resize(ende);
    std::copy_n(worte, anzahl, b->Worte.begin() + wortOffset);
}

int cl_Parameter::Bereichslaenge(int bereich) const {
    const std::vector<uint16_t>* w = Bereichsworte(bereich);
    return w ? static_cast<int>(w->size()) : 0;
}

const std::vector<uint16_t>* cl_Parameter::Bereichsworte(int bereich) const {
    for (const auto& b : bereiche_ECU_)
        if (b->Bereich == bereich)
            return &b->Worte;
    return nullptr;
}

// --- Files and printing -----------------------------------------------------------------

namespace {

// What a value's memory can hold: the file loader's limits for a definition without its own.
std::pair<int64_t, int64_t> Speicherbereich(int typ) {
    switch (typ) {
    case 0:
    case 5:
        return {INT16_MIN, INT16_MAX};
    case 2:
    case 3:
        return {0, UINT8_MAX};
    case 6:
        return {INT8_MIN, INT8_MAX};
    case 8:
        return {INT32_MIN, INT32_MAX};
    case 9:
        return {0, UINT32_MAX};
    default:
        return {0, UINT16_MAX};
    }
}

} // namespace

bool cl_Parameter::speichere_Datei(bool interaktiv) {
    if (!dateiversion_)
        return false;
    cl_Dateiversion& v = *dateiversion_;
    v.Beschriftung = ::hole_Text(11);
    v.Suffix = QStringLiteral("P");
    v.Speichermodus = 1;
    const int nr = interaktiv ? v.zeige_Dialog() : v.naechste_freie_Version();
    if (nr < 0)
        return false;
    return speichere_Datei_nach(v.Dateiname(nr));
}

bool cl_Parameter::speichere_Datei_nach(const QString& pfad) {
    Parameterdatei::Kopf kopf;
    std::copy_n(version_.Antwortbereich.begin(), kopf.Kennung.size(), kopf.Kennung.begin());
    kopf.Version = version_.Version();
    kopf.Revision = version_.Revision();
    std::vector<Parameterdatei::Eintrag> eintraege;
    eintraege.reserve(definitionen_.size());
    for (const auto& d : definitionen_)
        eintraege.push_back({d->Nummer, d->Typ, hole_Rohwert(*d, 1)});
    if (!Dateien::schreibe_Datei(pfad, Parameterdatei::schreibe(kopf, eintraege))) {
        link().meldungen().zeige(Dateien::Schreibfehler(pfad));
        return false;
    }
    // Only a stored file makes the edited values the reference.
    ECU_Bild = Bild_neu;
    for (const auto& b : bereiche_neu_)
        Bereich_zurueck(b->Bereich);
    return true;
}

bool cl_Parameter::lade_Datei(bool interaktiv) {
    if (!dateiversion_)
        return false;
    cl_Dateiversion& v = *dateiversion_;
    v.Beschriftung = QStringLiteral("Parameter");
    v.Suffix = QStringLiteral("P");
    v.Speichermodus = 0;
    const int nr = interaktiv ? v.zeige_Dialog() : v.hoechste_Version();
    if (nr < 0)
        return false;
    return lade_Datei_aus(v.Dateiname(nr));
}

bool cl_Parameter::lade_Datei_aus(const QString& pfad) {
    lade_Definitionen();
    QFile datei(pfad);
    std::optional<QByteArray> inhalt;
    if (datei.open(QIODevice::ReadOnly)) {
        inhalt = datei.readAll();
        if (datei.error() != QFileDevice::NoError)
            inhalt.reset();
    }
    // The file is read into the ECU image and the identity as they are now, so that a
    // failure can put back exactly what was there.
    const std::array<uint8_t, Bildgroesse> altes_Bild = ECU_Bild;
    std::vector<std::pair<int, std::vector<uint16_t>>> alte_Bereiche;
    for (const auto& b : bereiche_ECU_)
        alte_Bereiche.emplace_back(b->Bereich, b->Worte);

    Parameterdatei::Kopf kopf;
    std::copy_n(version_.Antwortbereich.begin(), kopf.Kennung.size(), kopf.Kennung.begin());
    kopf.Version = version_.Version();
    kopf.Revision = version_.Revision();
    const auto typ_von = [this](int nummer) -> std::optional<int> {
        // Live values are no part of the image: a file does not write into live records.
        if (nummer >= 20000 || !suche_Parameter(nummer))
            return std::nullopt;
        return cursor_->Typ;
    };
    const auto setze = [this](int nummer, int64_t roh) {
        if (!suche_Parameter(nummer))
            return;
        const Definition& d = *cursor_;
        // The word of a signed 16-bit type is its two's complement, as the ECU keeps it.
        if ((d.Typ == 0 || d.Typ == 5 || d.Typ == 6) && roh >= 32768)
            roh -= 65536;
        const auto [smin, smax] = Speicherbereich(d.Typ);
        const int64_t min = d.Minimum_gegeben ? Eingabe_zu_Roh(d.Typ, d.Minimum) : smin;
        const int64_t max = d.Maximum_gegeben ? Eingabe_zu_Roh(d.Typ, d.Maximum) : smax;
        roh = std::max(min, std::min(max, roh));
        const std::span<uint8_t> s = Speicher(d, 0);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<uint8_t>((static_cast<uint64_t>(roh) >> (8 * i)) & 0xFF);
    };
    if (!inhalt || !Parameterdatei::lies(*inhalt, kopf, typ_von, setze)) {
        ECU_Bild = altes_Bild;
        for (const auto& [bereich, worte] : alte_Bereiche)
            if (cl_Parameter_file* b = Bereich(0, bereich))
                b->Worte = worte;
        qCDebug(lcModel) << "parameter file not read:" << pfad;
        link().meldungen().zeige(::hole_Text(542));
        return false;
    }
    std::copy(kopf.Kennung.begin(), kopf.Kennung.end(), version_.Antwortbereich.begin());
    version_.setze_Version(kopf.Version, kopf.Revision);
    aus_Datei_geladen = true;
    Bild_neu = ECU_Bild;
    for (const auto& b : bereiche_ECU_)
        Bereich_uebernehmen(b->Bereich);
    pruefe_alle_Bedingungen();
    return true;
}

void cl_Parameter::drucke_Liste(bool neuesDokument) {
    if (!drucker_)
        return;
    TPrinter_Quorvel& dr = *drucker_;
    if (neuesDokument)
        dr.Dokument_beginnen();
    if (!dr.Dokument_offen)
        return;
    QPainter& c = dr.Canvas();
    const auto regel = [&](int breite) {
        c.setPen(QPen(Qt::black, breite));
        c.drawLine(150, dr.Zeile_Y, dr.Seitenbreite - 100, dr.Zeile_Y);
    };
    const auto hoehe_A = [&] { return c.fontMetrics().boundingRect(QStringLiteral("A")).height(); };
    const auto text = [&](int x, const QString& t) {
        c.drawText(QPoint(x, dr.Zeile_Y + c.fontMetrics().ascent()), t);
    };
    regel(4);
    dr.Zeile_Y += 25;
    dr.setze_Schrift(120, true);
    const QString titel = ::hole_Text(11);
    text((dr.Seitenbreite - 250 - c.fontMetrics().horizontalAdvance(titel)) / 2, titel);
    dr.Zeile_Y += hoehe_A() + 25;
    regel(4);
    dr.Zeile_Y += 25;

    Definition* const cursor = cursor_;
    for (const clGruppe& g : gruppen_) {
        if (zaehle_Gruppe(g.Schluessel) == 0)
            break;
        const auto Seitenpruefung = [&] {
            if (dr.Zeile_Y + 3 * (hoehe_A() + 30) > dr.Seitenhoehe - 100)
                dr.neue_Seite();
        };
        dr.Zeile_Y += 50;
        dr.setze_Schrift(50, true);
        Seitenpruefung();
        text(170, g.Gruppenname);
        dr.Zeile_Y += hoehe_A() + 15;
        dr.setze_Schrift(50, false);
        for (bool da = erster_in_Gruppe(g.Schluessel); da; da = naechster_in_Gruppe()) {
            Seitenpruefung();
            regel(1);
            dr.Zeile_Y += 15;
            text(170, hole_Text());
            const QString wert = Text_ECU();
            text(dr.Seitenbreite - 120 - c.fontMetrics().horizontalAdvance(wert), wert);
            dr.Zeile_Y += hoehe_A() + 15;
        }
        regel(4);
        dr.Zeile_Y += 15;
    }
    cursor_ = cursor;
    if (neuesDokument)
        dr.Dokument_beenden();
}
