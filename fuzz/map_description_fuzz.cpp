// The map description: the input is the software description file of an ECU of type 1 (its
// parameter definitions and its '*' lines), read as the definitions load reads it (with
// rebuild), twice more with rebuild and once without, over the built-in catalogue and both
// map lists. Promised: nothing is reported of a file that can be read; a map the file
// describes is made once however often it is read, and from the second read on a read with
// rebuild offers the same list (a line of type 2 or more offers the first ignition editor
// when the list before it held it, so that the first read may follow the one before); a
// read without rebuild makes no map and changes no offer; every offered member is a
// catalogue map, a described map, an ignition editor or a separator; a map's raw range spans
// at least 10 and its step comes from the step table.

#include "Fuzzhilfe.h"

#include "app/AppContext.h"
#include "model/UKennfeld.h"
#include "model/UKennfeldbeschreibung.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"

#include <QApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

// The maps' wait windows measure their labels, which loads the system's fonts once: leaks
// inside the font library, not in the program.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}

namespace {

constexpr const char* Datei = "T-SIMQuorvel-1-400-0615.TXT";

struct Auswahl : Offline_Auswahl {
    int Hardwaremodell() const override { return 400; }
    QString Software_Dateiname() const override { return QLatin1String(Datei); }
};

// Maps without windows, which live until the test lets them go: before the link they use.
class Modellfabrik : public Kennfeld_Fabrik {
public:
    explicit Modellfabrik(AppContext& k)
        : u_{k.link(), k.kommunikation(), k.version(), k.parameter(), k.meldungen()} {}
    cl_Kennfeld& erzeuge(const Kennfeld_Beschreibung& b) override {
        karten.push_back(std::make_unique<cl_Kennfeld>(u_, b));
        return *karten.back();
    }
    std::vector<std::unique_ptr<cl_Kennfeld>> karten;

private:
    Kennfeld_Umgebung u_;
};

class Weiterleitung : public Kennfeld_Fabrik {
public:
    explicit Weiterleitung(Kennfeld_Fabrik& ziel) : ziel_(ziel) {}
    cl_Kennfeld& erzeuge(const Kennfeld_Beschreibung& b) override { return ziel_.erzeuge(b); }

private:
    Kennfeld_Fabrik& ziel_;
};

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    fuzz::Programmordner ordner;
    std::unique_ptr<QApplication> app;
    fuzz::Mitschrift* meldungen = nullptr;
    std::unique_ptr<AppContext> kontext;
    Auswahl auswahl;
    std::unique_ptr<Modellfabrik> karten;

    Umgebung() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
        neu();
    }

    // A fresh program: the described maps live for the whole run, so that many inputs would
    // pile them up.
    void neu() {
        if (kontext) {
            kontext->kennfelder().vergiss_Kennfelder();
            karten.reset();
            kontext.reset();
        }
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
        kontext->version().setze_offline(1, 1, 400, 0, 615, 0);
        karten = std::make_unique<Modellfabrik>(*kontext);
        kontext->kennfelder().erzeuge_Kennfelder(*karten);
        kontext->kennfelder().setze_Fabrik(std::make_unique<Weiterleitung>(*karten));
        kontext->kennfelder().erstelle_Kennfeldliste();
    }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

std::vector<Kennfeldglied> Angebot(Kennfelder& k) {
    return {k.Kennfeldliste_angeboten().begin(), k.Kennfeldliste_angeboten().end()};
}

void pruefe_Listen(Umgebung& u) {
    Kennfelder& k = u.kontext->kennfelder();
    std::set<const cl_Kennfeld*> bekannt(k.Katalog().begin(), k.Katalog().end());
    std::set<int> nummern;
    for (const cl_Kennfeld* f : k.beschriebene_Kennfelder()) {
        bekannt.insert(f);
        fuzz::pruefe(nummern.insert(f->Kennfeld_Nr).second, "a described map made twice");
    }
    for (const Kennfeldglied& g : k.Kennfeldliste_angeboten()) {
        fuzz::pruefe(!g.Kennfeld || bekannt.contains(g.Kennfeld), "an offered map nobody made");
        fuzz::pruefe(!g.Editor || g.Editor == &k.Zuendung() || g.Editor == &k.Zuendung_2(),
                     "an offered editor that does not exist");
        fuzz::pruefe(!(g.Kennfeld && g.Editor), "a member both map and editor");
    }
    for (const cl_Kennfeld* f : bekannt) {
        fuzz::pruefe(int64_t{f->Roh_max} - f->Roh_min >= 10, "a raw range below 10");
        fuzz::pruefe(f->Schrittzeile >= 0 && f->Schrittzeile < int(Schrittweiten.size()),
                     "a step row outside the table");
        const auto& zeile = Schrittweiten[static_cast<size_t>(f->Schrittzeile)];
        fuzz::pruefe(std::find(zeile.begin(), zeile.end(), f->Schritt) != zeile.end(),
                     "a step the table does not have");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    if (u.kontext->kennfelder().beschriebene_Kennfelder().size() > 100)
        u.neu();
    const QByteArray datei(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    fuzz::schreibe(u.ordner.datei(QStringLiteral("Language/English/") + QLatin1String(Datei)),
                   datei);
    u.meldungen->texte.clear();
    Kennfelder& k = u.kontext->kennfelder();
    Kennfeldbeschreibung& leser = u.kontext->kennfeldbeschreibung();

    // The definitions load reads the description with rebuild.
    u.kontext->parameter().lade_Definitionen();
    pruefe_Listen(u);
    const size_t beschrieben = k.beschriebene_Kennfelder().size();

    leser.lade_Kennfeld_Definitionen(true);
    pruefe_Listen(u);
    const std::vector<Kennfeldglied> erst = Angebot(k);
    leser.lade_Kennfeld_Definitionen(true);
    pruefe_Listen(u);
    fuzz::pruefe(Angebot(k) == erst, "a third read offered another list");
    fuzz::pruefe(k.beschriebene_Kennfelder().size() == beschrieben, "a later read made maps");

    leser.lade_Kennfeld_Definitionen(false);
    pruefe_Listen(u);
    fuzz::pruefe(Angebot(k) == erst, "a read without rebuild changed the offers");
    fuzz::pruefe(k.beschriebene_Kennfelder().size() == beschrieben,
                 "a read without rebuild made a map");
    fuzz::pruefe(u.meldungen->texte.isEmpty(), "a readable file reported");
    return 0;
}
