// The parameter definition file: the input is the chosen language's file, loaded for an ECU
// of type 1 (blocks) and one of type 7 (data items) beside the shipped German files, which
// add what it lacks. Then the conditions, every value of both images (read, shown, entered),
// the live values' addresses, the walk of every group, the extra areas and a read answer.
// Promised: each number and group is defined once, a value's bytes lie within its memory,
// a live value's address within its record, a group walk ends after each of its active
// definitions once and in file order, and a read answer leaves both images equal.

#include "Fuzzhilfe.h"

#include "app/AppContext.h"
#include "link/UKommunikation.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QSet>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

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

struct Auswahl : Offline_Auswahl {
    QString Datei;
    int Hardwaremodell() const override { return 400; }
    QString Software_Dateiname() const override { return Datei; }
};

struct Identitaet {
    int typ;
    int version;
    const char* datei;
};
constexpr std::array<Identitaet, 2> Identitaeten = {{
    {1, 615, "T-SIMQuorvel-1-400-0615.TXT"},
    {7, 620, "T-SIMQuorvel-7-400-0620.TXT"},
}};

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    fuzz::Programmordner ordner;
    std::unique_ptr<QApplication> app;
    fuzz::Mitschrift* meldungen = nullptr;
    std::unique_ptr<AppContext> kontext;
    Auswahl auswahl;
    // On the heap and exactly as long as the records, so that a step past them is caught.
    std::array<std::vector<uint8_t>, 3> saetze{std::vector<uint8_t>(84), std::vector<uint8_t>(84),
                                               std::vector<uint8_t>(84)};
    std::vector<uint8_t> element = std::vector<uint8_t>(16);

    Umgebung() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
        for (const Identitaet& i : Identitaeten)
            ordner.kopiere(QStringLiteral("Language/Deutsch/") + QLatin1String(i.datei));
        auto m = std::make_unique<fuzz::Mitschrift>();
        meldungen = m.get();
        // The link's trace file lands in the current folder.
        const QString vorher = QDir::currentPath();
        QDir::setCurrent(ordner.pfad());
        kontext = std::make_unique<AppContext>(ordner.pfad(), QStringList{},
                                               std::make_unique<Registry>(ordner.registry()),
                                               std::move(m));
        QDir::setCurrent(vorher);
        kontext->version().setze_Offline_Auswahl(&auswahl);
        kontext->parameter().Live_Datensatz = [this](int bereich) {
            return std::span<uint8_t>(saetze[static_cast<size_t>(bereich - 1)]);
        };
        // A data item with a buffer of its own, for live values in area 4711.
        kontext->ecu_Liste().einfuegen({4711, 4711, true, 8, element.data(), 16});
    }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

// Where a live value may lie: its record, or the buffer of the data item its area names.
std::span<uint8_t> Basis(Umgebung& u, int bereich) {
    if (bereich >= 1 && bereich <= 3)
        return u.saetze[static_cast<size_t>(bereich - 1)];
    const cl_Filetyp* f = u.kontext->ecu_Liste().suche_Index(bereich);
    if (!f || !f->Puffer)
        return {};
    return {f->Puffer, static_cast<size_t>(f->Puffergroesse)};
}

void pruefe_Definitionen(Umgebung& u) {
    cl_Parameter& p = u.kontext->parameter();
    std::vector<cl_Parameter::Definition*> defs;
    std::map<const cl_Parameter::Definition*, size_t> position;
    std::set<std::pair<int, QString>> schluessel;
    for (const auto& d : p.Definitionen()) {
        position[d.get()] = defs.size();
        defs.push_back(d.get());
        fuzz::pruefe(schluessel.insert({d->Nummer, d->Gruppe}).second,
                     "a number and group defined twice");
        fuzz::pruefe(d->Typ >= 0 && d->Typ <= 9, "a type outside 0..9");
    }

    // The conditions leave the cursor where it was.
    p.suche_Parameter(defs.empty() ? 1 : defs.back()->Nummer);
    const cl_Parameter::Definition* cursor = p.Cursor();
    p.pruefe_alle_Bedingungen();
    for (const auto* d : defs)
        p.pruefe_Bedingung(d->Bedingung);
    fuzz::pruefe(p.Cursor() == cursor, "a condition moved the cursor");

    // Every value, both images: read, shown, entered as text and as raw value.
    for (const auto* d : defs) {
        for (int bild : {0, 1}) {
            const QString text = p.Wert_als_Text(*d, bild);
            p.hole_Rohwert(*d, bild);
            p.setze_Wert_aus_Text(*d, bild, text);
        }
        p.setze_Wert_aus_Text(*d, 1, QStringLiteral("12,5"));
        p.setze_Rohwert(*d, 1, p.hole_Rohwert(*d, 0) + 1);
        p.setze_Wert(d->Nummer, 65535);
        p.Wert(d->Nummer);
        p.Wert_neu(d->Nummer);
    }

    // A live value's address lies within its record with the width of the definition found.
    for (const auto* d : defs) {
        if (d->Nummer < 20000)
            continue;
        uint8_t* adresse = nullptr;
        int element = 0;
        if (!p.Adresse_virtuell(d->Nummer, adresse, element))
            continue;
        const cl_Parameter::Definition* erste = p.Cursor();
        fuzz::pruefe(erste && erste->Nummer == d->Nummer, "the address of another number");
        const std::span<uint8_t> basis = Basis(u, erste->Bereich);
        fuzz::pruefe(adresse >= basis.data() &&
                         adresse + Breite(erste->Typ) <= basis.data() + basis.size(),
                     "a live value's address outside its record");
    }

    // Every group's walk: each active definition of the group once, in file order, while
    // every value met is shown and entered.
    QSet<QString> gruppen;
    for (const clGruppe& g : p.Gruppen())
        gruppen.insert(g.Schluessel);
    for (const auto* d : defs)
        gruppen.insert(d->Gruppe);
    for (const QString& g : gruppen) {
        const int anzahl = p.zaehle_Gruppe(g);
        int gesehen = 0;
        size_t zuletzt = 0;
        for (bool weiter = p.erster_in_Gruppe(g); weiter; weiter = p.naechster_in_Gruppe()) {
            const cl_Parameter::Definition* c = p.Cursor();
            fuzz::pruefe(c && c->aktiv && c->Gruppe == g, "a group walk met another group");
            const size_t pos = position.at(c);
            fuzz::pruefe(gesehen == 0 || pos > zuletzt, "a group walk went back");
            zuletzt = pos;
            fuzz::pruefe(++gesehen <= anzahl, "a group walk does not end");
            p.Text_neu();
            p.Text_ECU();
            p.hole_Rohwert_ECU();
            p.setze_Text_neu(p.Text_ECU());
            p.hole_Text();
            p.hole_Typ();
            p.hole_Min();
            p.hole_Max();
        }
        fuzz::pruefe(gesehen == anzahl, "a group walk missed a definition");
    }

    // The extra areas: taken over, given back, written by a data item.
    const std::array<uint16_t, 4> worte{1, 2, 3, 4};
    std::set<int> bereiche;
    for (const auto* d : defs)
        if (d->Bereich > 2 && d->Nummer < 20000)
            bereiche.insert(d->Bereich);
    for (const int b : bereiche) {
        p.Bereich_uebernehmen(b);
        p.Bereich_zurueck(b);
        p.schreibe_Bereich(b, b % 7, worte.data(), static_cast<int>(worte.size()));
        p.Bereich_uebernehmen(b);
        p.Bereichsadresse(1, b);
        p.Bereichslaenge(b);
    }
    for (const auto* d : defs)
        p.Wert_als_Text(*d, 1);

    // A read answer: the edited image becomes what the ECU sent.
    p.Befehl = cl_Parameter_Daten::Befehl_Lesen;
    p.Antwort();
    fuzz::pruefe(p.ECU_Bild == p.Bild_neu, "a read left the images apart");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray datei(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const Identitaet& i : Identitaeten) {
        const QString name = QLatin1String(i.datei);
        fuzz::schreibe(u.ordner.datei(QStringLiteral("Language/English/") + name), datei);
        u.auswahl.Datei = name;
        u.kontext->version().setze_offline(i.typ, 1, 400, 0, i.version, 0);
        u.kontext->parameter().lade_Definitionen();
        fuzz::pruefe(u.kontext->parameter().Definitionen_geladen(), "the definitions not loaded");
        pruefe_Definitionen(u);
    }
    return 0;
}
