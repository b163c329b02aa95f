#include "model/UKennfeldbeschreibung.h"

#include "base/Meldungen.h"
#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "link/UKommunikation.h"
#include "model/ModelLog.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UZuendkennfeld.h"
#include "platform/Dateien.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <exception>
#include <limits>

namespace {

constexpr int32_t int32_max = std::numeric_limits<int32_t>::max();

int Hexziffer(QChar c, bool auch_klein) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (auch_klein && u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// The runtime's integer conversion of a field's text: a sign or a '$' hexadecimal prefix,
// then digits. True when it converted whole or failed only after the first character, with
// the value of what it took; a number that outgrows 32 bits ends where it would.
bool Ganzzahl(const QString& text, int32_t& wert) {
    wert = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    if (i >= n)
        return false;
    bool negativ = false;
    bool hex = false;
    if (text[i] == '$') {
        hex = true;
        ++i;
    } else if (text[i] == '-') {
        negativ = true;
        ++i;
    } else if (text[i] == '+') {
        ++i;
    }
    if (hex) {
        uint32_t v = 0;
        for (int ziffern = 0; i < n; ++i, ++ziffern) {
            const int d = Hexziffer(text[i], true);
            if (d < 0 || ziffern == 8)
                break;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        wert = static_cast<int32_t>(v);
    } else {
        const int64_t grenze = negativ ? int64_t{int32_max} + 1 : int64_t{int32_max};
        int64_t v = 0;
        for (; i < n; ++i) {
            const char16_t u = text[i].unicode();
            if (u < '0' || u > '9' || v * 10 + (u - '0') > grenze)
                break;
            v = v * 10 + (u - '0');
        }
        wert = static_cast<int32_t>(negativ ? -v : v);
    }
    // Where it stopped is 0-based: a stop at the first character is a failure.
    return i >= n || i > 0;
}

// Each maximum above its minimum.
void ordne_Paar(int32_t min, int32_t& max) {
    if (max <= min)
        max = min == int32_max ? int32_max : min + 1;
}

} // namespace

bool Kennfeld_Feldleser::ueberspringe_Leerzeichen() {
    qsizetype j = i_;
    while (j < z_.size() && z_[j] == ' ')
        ++j;
    if (j >= z_.size())
        return false;
    i_ = j;
    return true;
}

bool Kennfeld_Feldleser::lies_Feldzahl(int32_t& wert) {
    wert = 0;
    if (!ueberspringe_Leerzeichen())
        return false;
    const qsizetype n = z_.size();
    if (z_[i_] == 'X' || z_[i_] == 'x') {
        ++i_;
        uint32_t v = 0;
        int ziffern = 0;
        for (; i_ < n; ++i_, ++ziffern) {
            const int d = Hexziffer(z_[i_], false);
            if (d < 0)
                break;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        // The character that ended the number is taken with it.
        if (i_ < n)
            ++i_;
        wert = static_cast<int32_t>(v);
        return ziffern > 0;
    }
    qsizetype ende = i_;
    while (ende < n && z_[ende] != ',' && z_[ende] != '[')
        ++ende;
    const QString text = z_.mid(i_, ende - i_);
    i_ = ende < n ? ende + 1 : n;
    return Ganzzahl(text, wert);
}

bool Kennfeld_Feldleser::lies_Feldwert(int32_t& wert) {
    wert = 0;
    if (!ueberspringe_Leerzeichen())
        return false;
    if (z_[i_] != '#')
        return lies_Feldzahl(wert);
    ++i_;
    int32_t nummer = 0;
    if (!lies_Feldzahl(nummer))
        return false;
    wert = static_cast<int32_t>(p_.Wert(nummer));
    if (nummer >= 20000) {
        int element = 0;
        p_.Livewert(nummer, element);
        if (element != 0)
            p_.abonniere_Wert(element);
    }
    return true;
}

bool Kennfeld_Feldleser::lies_Parameternummer(int32_t& nummer) {
    nummer = 0;
    if (!ueberspringe_Leerzeichen() || z_[i_] != '#')
        return false;
    ++i_;
    if (lies_Feldzahl(nummer))
        return true;
    nummer = 0;
    return false;
}

bool Kennfeld_Feldleser::lies_Quelle(int32_t& quelle) {
    quelle = 0;
    int32_t nummer = 0;
    if (!lies_Parameternummer(nummer))
        return false;
    if (nummer < 20000)
        return true;
    int element = 0;
    if (!p_.Livewert(nummer, element))
        return false;
    if (element != 0)
        p_.abonniere_Quelle(element);
    quelle = nummer;
    return true;
}

bool Kennfeld_Feldleser::lies_Feldtext(QString& text) {
    text.clear();
    if (!ueberspringe_Leerzeichen())
        return false;
    const qsizetype komma = z_.indexOf(',', i_);
    text = z_.mid(i_, komma < 0 ? -1 : komma - i_);
    text.remove(' ');
    i_ = komma < 0 ? z_.size() : komma + 1;
    return !text.isEmpty() || komma >= 0;
}

bool Kennfeld_Feldleser::lies_Bedingung(QString& text) {
    text.clear();
    if (!ueberspringe_Leerzeichen())
        return false;
    bool in_Klammer = false;
    qsizetype j = i_;
    for (; j < z_.size(); ++j) {
        const QChar c = z_[j];
        if (c == '[')
            in_Klammer = true;
        else if (c == ']')
            in_Klammer = false;
        else if (c == ',' && !in_Klammer)
            break;
    }
    if (j >= z_.size()) {
        if (!in_Klammer)
            text = z_.mid(i_);
        i_ = z_.size();
        return true;
    }
    // The ',' stays with the condition; the evaluator ends at it.
    text = z_.mid(i_, j + 1 - i_);
    i_ = j + 1;
    return true;
}

Kennfeldzeile lies_Kennfeldzeile(const QString& zeile, bool neu_aufbauen,
                                 Kennfeld_Parameterzugriff& zugriff) {
    Kennfeldzeile k;
    if (zeile.size() < 2 || zeile[0] != '*')
        return k;
    Kennfeld_Feldleser f(zeile, 1, zugriff);
    if (!f.lies_Feldwert(k.Nummer))
        return k;
    f.lies_Bedingung(k.Bedingung);

    if (k.Nummer == 5 || k.Nummer == 55) {
        k.art = Kennfeldzeile::Art::Zuendeditor;
        if (neu_aufbauen)
            k.Titel_gelesen = f.lies_Feldtext(k.Zuendtitel);
        return k;
    }
    bool ok = f.lies_Feldwert(k.Typ);
    if (ok && k.Typ >= 2) {
        k.art = Kennfeldzeile::Art::Zuendkennfeld;
        if (neu_aufbauen)
            k.Titel_gelesen = f.lies_Feldtext(k.Zuendtitel);
        return k;
    }
    k.art = Kennfeldzeile::Art::Kennfeld;

    // After the first invalid field nothing more is read: its variables stay 0.
    const auto wert = [&](int32_t& v) {
        if (ok)
            ok = f.lies_Feldwert(v);
    };
    const auto paar = [&](int32_t& min, int32_t& max) {
        wert(min);
        wert(max);
        if (ok)
            ordne_Paar(min, max);
    };
    const auto text = [&](QString& t) {
        if (ok)
            ok = f.lies_Feldtext(t);
    };
    if (ok)
        ok = f.lies_Quelle(k.Quelle_X);
    if (ok)
        ok = f.lies_Quelle(k.Quelle_Y);
    wert(k.Quelle_Nr);
    int32_t kurve = 0, ungenutzt = 0, zyklisch = 0;
    wert(kurve);
    wert(ungenutzt);
    wert(zyklisch);
    k.ist_Kurve = kurve == 1;
    k.zyklisch = zyklisch == 1;
    paar(k.X_min, k.X_max);
    paar(k.Y_min, k.Y_max);
    paar(k.Roh_min, k.Roh_max);
    paar(k.Z_min, k.Z_max);
    if (neu_aufbauen) {
        wert(k.Schrittzeile);
        // The step digit is read wherever the position stands, and never makes a line short.
        QString ziffer;
        f.lies_Feldtext(ziffer);
        k.Schrittziffer = ziffer.isEmpty() ? '\0' : ziffer[0].toLatin1();
        if (k.Nummer < 256)
            for (int32_t& p : k.Parameter_Nr)
                if (ok)
                    ok = f.lies_Parameternummer(p);
        for (QString* t : {&k.Kennung, &k.Titel, &k.Achsname_X, &k.Achsname_Y, &k.Einheit_X,
                           &k.Einheit_Y, &k.Einheit_Z, &k.Hilfethema})
            text(*t);
    }
    k.vollstaendig = ok;
    return k;
}

// --- the reader -------------------------------------------------------------------------

Kennfeldbeschreibung::Kennfeldbeschreibung(Kennfelder& kennfelder, cl_Parameter& parameter,
                                           cl_Version& version, Meldungen& meldungen)
    : kennfelder_(kennfelder), parameter_(parameter), version_(version), meldungen_(meldungen),
      selbst_(std::make_shared<Kennfeldbeschreibung*>(this)) {
    oeffne = [](const QString& pfad) -> std::unique_ptr<QIODevice> {
        auto f = std::make_unique<QFile>(Dateien::finde(pfad));
        if (!f->open(QIODevice::ReadOnly))
            return nullptr;
        return f;
    };
}

Kennfeldbeschreibung::~Kennfeldbeschreibung() {
    *selbst_ = nullptr;
}

namespace {

// The file's whole lines up to a read error; the line it broke off in is left out, since
// its numbers may be cut short. False when the read failed.
bool lies_Zeilen(QIODevice& datei, QStringList& zeilen) {
    QByteArray inhalt;
    bool ok = true;
    char puffer[4096];
    for (;;) {
        const qint64 n = datei.read(puffer, sizeof(puffer));
        if (n == 0)
            break;
        if (n < 0) {
            ok = false;
            const qsizetype ende = std::max(inhalt.lastIndexOf('\n'), inhalt.lastIndexOf('\r'));
            inhalt.truncate(ende + 1);
            break;
        }
        inhalt.append(puffer, n);
    }
    zeilen = Dateien::von_1252(inhalt).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    return ok;
}

} // namespace

void Kennfeldbeschreibung::lade_Kennfeld_Definitionen(bool neu_aufbauen) {
    const QString name = version_.Software_Dateiname();
    if (name.isEmpty())
        return;
    const QString pfad = Dateien::verbinde(glob().Pfad_Sprache, name);
    // Before the main window first shows there are no lists to offer from; the next read
    // after it does the rebuild.
    if (neu_aufbauen && !kennfelder_.Listen_vorhanden()) {
        qCDebug(lcModel) << "map description not read before the map lists exist:" << pfad;
        return;
    }
    std::unique_ptr<QIODevice> datei;
    try {
        if (oeffne)
            datei = oeffne(pfad);
    } catch (...) {
        datei.reset();
    }
    if (!datei) {
        // A refresh of the ranges asks no one: the rebuild that follows the next parameter
        // read tells the user.
        if (neu_aufbauen)
            meldungen_.zeige(hole_Text(541) + pfad);
        else
            qCDebug(lcModel) << "map description not readable:" << pfad;
        return;
    }

    // A failure in the middle leaves the offers of the lines before it; the rebuild still
    // ends with an offered list and a menu made from them, never the last read's menu
    // beside a list half made.
    bool gestoert = false;
    try {
        if (neu_aufbauen)
            kennfelder_.setze_Standard_Katalog();
        QStringList zeilen;
        gestoert = !lies_Zeilen(*datei, zeilen);
        for (const QString& zeile : zeilen) {
            const Kennfeldzeile z = lies_Kennfeldzeile(zeile, neu_aufbauen, *this);
            if (z.art != Kennfeldzeile::Art::ungueltig)
                lese_Kennfeld_Definition(z, neu_aufbauen);
        }
    } catch (const std::exception& e) {
        gestoert = true;
        qCDebug(lcModel) << "map description:" << e.what();
    } catch (...) {
        gestoert = true;
    }
    if (!neu_aufbauen) {
        if (gestoert)
            qCDebug(lcModel) << "map description read only partly:" << pfad;
        return;
    }
    try {
        if (kennfelder_.Standard_Katalog_aktiv)
            kennfelder_.erstelle_Angebotsliste(true);
        kennfelder_.erstelle_Kennfeld_Menue();
    } catch (...) {
        gestoert = true;
    }
    if (gestoert)
        meldungen_.zeige(hole_Text(541) + pfad);
}

void Kennfeldbeschreibung::lese_Kennfeld_Definition(const Kennfeldzeile& z, bool neu_aufbauen) {
    Kennfelder& k = kennfelder_;
    if (neu_aufbauen && k.Katalog_erste_Zeile) {
        k.Katalog_erste_Zeile = false;
        k.loesche_Kennfeld_Angebot();
        if (version_.ECU_Typ() == 5)
            k.Zuendung().angeboten = true;
    }
    if (z.art == Kennfeldzeile::Art::Zuendeditor) {
        if (neu_aufbauen)
            Zuendeditor_Zeile(z);
        return;
    }
    if (z.art == Kennfeldzeile::Art::Zuendkennfeld) {
        if (neu_aufbauen && z.Titel_gelesen)
            Zuendkennfeld_Zeile(z);
        return;
    }

    if (neu_aufbauen && k.Standard_Katalog_aktiv) {
        if (cl_Kennfeld* f = k.suche_in_alle(z.Nummer)) {
            f->setze_Bedingung(z.Bedingung);
            f->verfuegbar = true;
            return;
        }
        // The first map the catalogue lacks: the offers so far in catalogue order, and the
        // file's order from here on.
        k.erstelle_Angebotsliste(false);
        k.Standard_Katalog_aktiv = false;
    }
    if (z.Nummer < 0) {
        if (neu_aufbauen)
            k.haenge_Trenner_an();
        return;
    }
    if (!z.vollstaendig) {
        if (!neu_aufbauen)
            return;
        if (cl_Kennfeld* f = k.suche_in_alle(z.Nummer)) {
            f->setze_Bedingung(z.Bedingung);
            k.haenge_an(*f);
        }
        return;
    }

    cl_Kennfeld* f = nullptr;
    if (neu_aufbauen) {
        f = k.suche_in_alle(z.Nummer);
        if (!f) {
            const auto& b = k.beschriebene_Kennfelder();
            const auto it = std::find_if(b.begin(), b.end(), [&](const cl_Kennfeld* m) {
                return m->Kennfeld_Nr == z.Nummer;
            });
            f = it == b.end() ? nullptr : *it;
        }
    } else {
        f = k.suche_in_angeboten(z.Nummer);
    }
    if (!f) {
        if (neu_aufbauen)
            erzeuge_Kennfeld(z);
        return;
    }
    f->setze_X_min(z.X_min);
    f->setze_X_max(z.X_max);
    f->setze_Y_min(z.Y_min);
    f->setze_Y_max(z.Y_max);
    f->setze_Roh_min(z.Roh_min);
    f->setze_Roh_max(z.Roh_max);
    f->Z_min = z.Z_min;
    f->Z_max = z.Z_max;
    if (f->sichtbar())
        f->Ansicht()->zeichne_Kennfeld();
    if (neu_aufbauen)
        k.haenge_an(*f);
}

void Kennfeldbeschreibung::Zuendeditor_Zeile(const Kennfeldzeile& z) {
    Kennfelder& k = kennfelder_;
    const bool erster = z.Nummer == Kennfelder::Zuendung_Nr;
    Zuendeditor& e = erster ? k.Zuendung() : k.Zuendung_2();
    if (k.Standard_Katalog_aktiv) {
        e.angeboten = true;
        if (erster) {
            if (!z.Zuendtitel.isEmpty())
                e.setze_Titel(z.Zuendtitel);
        } else {
            e.setze_Bedingung(z.Bedingung);
            e.setze_Titel(z.Zuendtitel);
        }
        return;
    }
    k.haenge_an(e);
    e.angeboten = true;
    e.setze_Titel(z.Zuendtitel);
}

void Kennfeldbeschreibung::Zuendkennfeld_Zeile(const Kennfeldzeile& z) {
    Kennfelder& k = kennfelder_;
    Zuendeditor& e = k.Zuendung();
    if (k.ist_angeboten({nullptr, &e}))
        e.angeboten = true;
    // The caption as the line gives it, an empty one too.
    e.Titel = z.Zuendtitel;
    if (e.Titel_geaendert)
        e.Titel_geaendert(e.Titel);
    if (!Zuendkennfeld)
        return;
    Zuendkennfeld->Datenelement = (z.Typ & 1) != 0;
    Zuendkennfeld->Spalten_16 = z.Typ >= 4;
    // Entered once however often the file is read: the map keeps each number registered once.
    Zuendkennfeld->als_Datenobjekt_anmelden(z.Nummer);
}

void Kennfeldbeschreibung::erzeuge_Kennfeld(const Kennfeldzeile& z) {
    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = z.Nummer;
    b.neues_Protokoll = z.Typ == 1;
    b.ist_Kurve = z.ist_Kurve;
    b.log_Y = false;
    b.zyklisch = z.zyklisch;
    b.X_min = z.X_min;
    b.X_max = z.X_max;
    b.Y_min = z.Y_min;
    b.Y_max = z.Y_max;
    b.Roh_min = z.Roh_min;
    b.Roh_max = z.Roh_max;
    b.Z_min = z.Z_min;
    b.Z_max = z.Z_max;
    // A row or digit outside the step table: the map takes the table's nearest entry.
    b.Schrittzeile = z.Schrittzeile;
    b.Schrittziffer = z.Schrittziffer;
    b.Parameter_Nr = z.Parameter_Nr;
    b.Kennung = z.Kennung;
    b.Titel = z.Titel;
    b.Achsname_X = z.Achsname_X;
    b.Achsname_Y = z.Achsname_Y;
    b.Einheit_X = z.Einheit_X;
    b.Einheit_Y = z.Einheit_Y;
    b.Einheit_Z = z.Einheit_Z;
    b.Hilfethema = z.Hilfethema;
    cl_Kennfeld* f = kennfelder_.erzeuge_beschriebenes_Kennfeld(b);
    if (!f)
        return;
    f->setze_Bedingung(z.Bedingung);
    f->Quelle_X = z.Quelle_X;
    f->Quelle_Y = z.Quelle_Y;
    f->Quelle_Nr = z.Quelle_Nr;
    kennfelder_.melde_Betriebspunkte_an(z.Nummer);
    kennfelder_.haenge_an(*f);
}

// --- what the fields look up ------------------------------------------------------------

int64_t Kennfeldbeschreibung::Wert(int nummer) {
    return parameter_.suche_Parameter(nummer) ? parameter_.hole_Rohwert(*parameter_.Cursor(), 0)
                                              : 0;
}

bool Kennfeldbeschreibung::Livewert(int nummer, int& element) {
    element = 0;
    if (!parameter_.suche_Parameter(nummer))
        return false;
    const int bereich = parameter_.Cursor()->Bereich;
    if (bereich < 1 || bereich > 3)
        element = bereich;
    uint8_t* adresse = nullptr;
    int id = 0;
    return parameter_.Adresse_virtuell(nummer, adresse, id);
}

void Kennfeldbeschreibung::abonniere_Wert(int element) {
    if (!Wert_Elemente_.insert(element).second)
        return;
    InterAction().Create(
        cl_Kommunikation::Klasse,
        [selbst = std::weak_ptr<Kennfeldbeschreibung*>(selbst_)](Sender&) {
            if (auto s = selbst.lock(); s && *s)
                (*s)->lade_Kennfeld_Definitionen_neu();
        },
        element);
}

void Kennfeldbeschreibung::abonniere_Quelle(int element) {
    kennfelder_.melde_Betriebspunkte_an(element);
}
