#include "windows/service/Kopierlogik.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "model/Drucker.h"
#include "model/UKennfeld.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UZuendkennfeld.h"
#include "windows/Kontext.h"
#include "windows/TForm.h"
#include "windows/UMotorname.h"
#include "windows/maps/UZuendung.h"
#include "windows/maps/UZuendung_2_corr.h"
#include "windows/service/UKopieren.h"

#include <algorithm>

namespace {

// The parameter whose value above 0 offers the correction map.
constexpr int Parameter_Korrekturkennfeld = 2156;
// Says which item had no file to send; the item's name follows.
constexpr int Text_keine_Datei = 477;

} // namespace

Kopierlogik::Kopierlogik(Kontext& kontext, bool druckmodus)
    : k(kontext), druckmodus_(druckmodus), selbst_(std::make_shared<Kopierlogik*>(this)) {
    waehle_Motorname = [this] {
        if (auto* f = k.fenster<TForm_Motorname>())
            f->waehlen();
    };
    const auto nach_Datei = [w = std::weak_ptr<Kopierlogik*>(selbst_)](Sender& s) {
        if (const auto p = w.lock(); p && *p)
            (*p)->Schritt_nach_Datei(&s);
    };
    const auto nach_Quorvel = [w = std::weak_ptr<Kopierlogik*>(selbst_)](Sender& s) {
        if (const auto p = w.lock(); p && *p)
            (*p)->Schritt_nach_Quorvel(&s);
    };
    TInterAction& r = k.interAction();
    r.Create(cl_Kennfeld::Klasse, nach_Datei, cl_Kennfeld::Kennfeld_gelesen);
    r.Create(cl_Parameter::Klasse, nach_Datei, cl_Parameter::Gelesen);
    r.Create(cl_Zuendung::Klasse, nach_Datei, cl_Zuendung::Karte1_gelesen);
    r.Create(cl_Zuendung::Klasse, nach_Datei, cl_Zuendung::Karte2_gelesen);
    r.Create(cl_Kennfeld::Klasse, nach_Quorvel, cl_Kennfeld::Kennfeld_geschrieben);
    r.Create(cl_Parameter::Klasse, nach_Quorvel, cl_Parameter::Geschrieben);
    r.Create(cl_Zuendung::Klasse, nach_Quorvel, cl_Zuendung::Karte1_geschrieben);
    r.Create(cl_Zuendung::Klasse, nach_Quorvel, cl_Zuendung::Karte2_geschrieben);
}

Kopierlogik::~Kopierlogik() {
    *selbst_ = nullptr;
}

TForm_Zuendung* Kopierlogik::Zuendfenster(int ziel) const {
    for (TForm* f : k.Fenster()) {
        const bool korrektur = dynamic_cast<TForm_Zuendung_2_corr*>(f) != nullptr;
        if (auto* z = dynamic_cast<TForm_Zuendung*>(f); z && korrektur == (ziel == Ziel_Zuendung_2))
            return z;
    }
    return nullptr;
}

// ---------------------------------------------------------------- list and buttons

void Kopierlogik::fuelle_Liste(bool alle_Kennfelder) {
    liste_.clear();
    if (TForm_Zuendung* z = Zuendfenster(Ziel_Zuendung))
        liste_.push_back({z->windowTitle()});
    const bool korrektur = k.parameter().Wert(Parameter_Korrekturkennfeld) > 0 ||
                           (alle_Kennfelder && !k.version().in_Versionsmenge({6, 8}));
    if (TForm_Zuendung* z = Zuendfenster(Ziel_Zuendung_2); z && korrektur)
        liste_.push_back({z->windowTitle()});
    for (const Kennfeldglied& g : k.kennfelder().Kennfeldliste_angeboten())
        if (g.Kennfeld && (alle_Kennfelder || g.Kennfeld->freigegeben))
            liste_.push_back({g.Kennfeld->Titel});
    // A sorted list box: alphabetical, letter case aside, equal titles side by side.
    std::stable_sort(liste_.begin(), liste_.end(), [](const Eintrag& a, const Eintrag& b) {
        return QString::compare(a.Text, b.Text, Qt::CaseInsensitive) < 0;
    });
    melde();
}

void Kopierlogik::waehle_alle(bool an) {
    einstellwerte_ = an;
    for (Eintrag& e : liste_)
        e.gewaehlt = an;
    melde();
}

void Kopierlogik::setze_gewaehlt(int index, bool an) {
    if (index < 0 || index >= static_cast<int>(liste_.size()))
        return;
    liste_[static_cast<size_t>(index)].gewaehlt = an;
    melde();
}

void Kopierlogik::setze_Einstellwerte(bool an) {
    einstellwerte_ = an;
    melde();
}

int Kopierlogik::Auswahlzustand() const {
    const auto n =
        std::count_if(liste_.begin(), liste_.end(), [](const Eintrag& e) { return e.gewaehlt; });
    if (n == 0 && !einstellwerte_)
        return 0;
    if (n == static_cast<long>(liste_.size()) && einstellwerte_)
        return 2;
    return 1;
}

Kopierlogik::Knoepfe Kopierlogik::check_Buttons() const {
    Knoepfe b;
    const int zustand = Auswahlzustand();
    b.alles_anwaehlen = !laeuft_ && zustand < 2;
    b.alles_abwaehlen = !laeuft_ && zustand >= 1;
    if (druckmodus_) {
        b.Titel = 87;
        b.Kopierknoepfe_sichtbar = false;
        b.Drucken_sichtbar = true;
        return b;
    }
    if (!laeuft_) {
        b.Quorvel_Datei = b.Datei_Quorvel = zustand >= 1;
    } else if (nach_Datei_) {
        b.Text_Quorvel_Datei = 71;
        b.Quorvel_Datei = true;
    } else {
        b.Text_Datei_Quorvel = 71;
        b.Datei_Quorvel = true;
    }
    return b;
}

void Kopierlogik::melde() {
    if (geaendert)
        geaendert();
}

// ---------------------------------------------------------------- start and abort

void Kopierlogik::Button_Quorvel_DateiClick() {
    if (laeuft_)
        abbrechen();
    else
        starte(true);
}

void Kopierlogik::Button_Datei_QuorvelClick() {
    if (laeuft_)
        abbrechen();
    else
        starte(false);
}

void Kopierlogik::ColorButton_DruckenClick() {
    if (laeuft_) {
        abbrechen();
        return;
    }
    TPrinter_Quorvel& d = k.drucker();
    int kopien = 1;
    if (!d.Druckdialog(kopien))
        return;
    if (kopien > 1)
        k.meldungen().zeige(hole_Text(1253));
    d.Dokument_beginnen();
    starte(true);
}

void Kopierlogik::starte(bool nach_Datei) {
    if (k.dateiversion().Basisname().isEmpty() && waehle_Motorname)
        waehle_Motorname();
    nach_Datei_ = nach_Datei;
    erwartet_ = nullptr;
    ziel_ = Ziel_Zuendung_2;
    listenindex_ = -1;
    setze_laeuft(true);
    if (nach_Datei)
        Schritt_nach_Datei(nullptr);
    else
        Schritt_nach_Quorvel(nullptr);
    melde();
}

void Kopierlogik::setze_laeuft(bool an) {
    laeuft_ = an;
    // The axis adaptation holds back while either backup window runs.
    bool irgendeine = false;
    for (TForm* f : k.Fenster())
        if (auto* kopie = dynamic_cast<TForm_Kopieren*>(f))
            irgendeine = irgendeine || kopie->Logik().laeuft();
    k.kennfelder().Sicherung_laeuft = irgendeine || an;
}

void Kopierlogik::abbrechen() {
    k.parameter().stoppen();
    if (TForm_Zuendung* z = Zuendfenster(Ziel_Zuendung))
        z->Logik().Karte.stoppen();
    const Kennfeldliste& angeboten = k.kennfelder().Kennfeldliste_angeboten();
    if (ziel_ >= 0 && ziel_ < static_cast<int>(angeboten.size()))
        if (cl_Kennfeld* kf = angeboten[static_cast<size_t>(ziel_)].Kennfeld)
            kf->stoppe_Transfer();
    // A printout ends its document here too: one left open would refuse every later one.
    if (druckmodus_ && nach_Datei_)
        k.drucker().Dokument_beenden();
    erwartet_ = nullptr;
    setze_laeuft(false);
    melde();
}

// ---------------------------------------------------------------- the run

bool Kopierlogik::suche_naechstes() {
    const int n = static_cast<int>(liste_.size());
    do {
        ++listenindex_;
    } while (listenindex_ < n && !liste_[static_cast<size_t>(listenindex_)].gewaehlt);
    if (listenindex_ >= n)
        return false;
    const QString& text = liste_[static_cast<size_t>(listenindex_)].Text;
    ziel_ = Ziel_Zuendung;
    if (TForm_Zuendung* z = Zuendfenster(Ziel_Zuendung); z && z->windowTitle() == text)
        return true;
    if (TForm_Zuendung* z = Zuendfenster(Ziel_Zuendung_2); z && z->windowTitle() == text) {
        ziel_ = Ziel_Zuendung_2;
        return true;
    }
    const Kennfeldliste& angeboten = k.kennfelder().Kennfeldliste_angeboten();
    for (size_t i = 0; i < angeboten.size(); ++i)
        if (angeboten[i].Kennfeld && angeboten[i].Kennfeld->Titel == text) {
            ziel_ = static_cast<int>(i);
            break;
        }
    return true;
}

bool Kopierlogik::sichere_Parameter() {
    cl_Parameter& p = k.parameter();
    if (druckmodus_) {
        p.drucke_Liste(false);
        return true;
    }
    if (p.speichere_Datei(false))
        return true;
    // Without a free number the store says nothing; a write error it reported itself.
    cl_Dateiversion& v = k.dateiversion();
    v.Suffix = QStringLiteral("P");
    if (v.naechste_freie_Version() < 0)
        k.meldungen().zeige(hole_Text(505));
    return false;
}

bool Kopierlogik::sichere_Eintrag() {
    if (ziel_ < 0) {
        TForm_Zuendung* z = Zuendfenster(ziel_);
        if (!z)
            return false;
        if (druckmodus_) {
            z->drucke_Seite();
            return true;
        }
        if (z->speichern(false))
            return true;
        cl_Dateiversion& v = k.dateiversion();
        v.Suffix = z->Logik().Variante.Suffix;
        if (v.naechste_freie_Version() < 0)
            k.meldungen().zeige(hole_Text(505));
        return false;
    }
    const Kennfeldliste& angeboten = k.kennfelder().Kennfeldliste_angeboten();
    cl_Kennfeld* kf = ziel_ < static_cast<int>(angeboten.size())
                          ? angeboten[static_cast<size_t>(ziel_)].Kennfeld
                          : nullptr;
    if (!kf)
        return false;
    if (druckmodus_) {
        kf->drucke_Kennfeld();
        return true;
    }
    // The map's own store says why it failed.
    return kf->speichere_Kennfeld_Datei(false);
}

void Kopierlogik::Schritt_nach_Datei(const Sender* sender) {
    if (!laeuft_ || !nach_Datei_)
        return;
    if (erwartet_ && sender != erwartet_)
        return;
    if (erwartet_) {
        // An item stays chosen until it is stored: a failed store ends the run there, and a
        // new start tries it again.
        if (listenindex_ >= 0) {
            if (!sichere_Eintrag()) {
                abbrechen();
                return;
            }
            liste_[static_cast<size_t>(listenindex_)].gewaehlt = false;
        } else {
            if (!sichere_Parameter()) {
                abbrechen();
                return;
            }
            einstellwerte_ = false;
        }
        erwartet_ = nullptr;
    }
    if (listenindex_ == -1 && einstellwerte_) {
        erwartet_ = &k.parameter();
        k.parameter().lesen();
        melde();
        return;
    }
    if (suche_naechstes()) {
        if (ziel_ < 0) {
            if (TForm_Zuendung* z = Zuendfenster(ziel_)) {
                erwartet_ = &z->Logik().Karte;
                z->Logik().Karte.lesen(true);
            }
        } else if (cl_Kennfeld* kf = k.kennfelder()
                                         .Kennfeldliste_angeboten()[static_cast<size_t>(ziel_)]
                                         .Kennfeld) {
            erwartet_ = kf;
            kf->lese_Kennfeld_Kopie();
        }
    } else {
        setze_laeuft(false);
        if (druckmodus_)
            k.drucker().Seite_beenden(false);
    }
    melde();
}

bool Kopierlogik::sende_Eintrag() {
    // Only a whole file goes out: what memory holds otherwise (a map never read in this
    // run holds its initial values) would overwrite the ECU's data.
    const QString name = liste_[static_cast<size_t>(listenindex_)].Text;
    cl_Dateiversion& v = k.dateiversion();
    if (ziel_ < 0) {
        TForm_Zuendung* z = Zuendfenster(ziel_);
        if (!z)
            return false;
        v.Suffix = z->Logik().Variante.Suffix;
        const bool da = v.hoechste_Version() >= 0;
        if (!z->laden(false)) {
            if (!da)
                k.meldungen().zeige(hole_Text(Text_keine_Datei) + '\n' + name);
            return false;
        }
        erwartet_ = &z->Logik().Karte;
        z->Logik().Karte.schreiben(true);
        return true;
    }
    cl_Kennfeld* kf = k.kennfelder().Kennfeldliste_angeboten()[static_cast<size_t>(ziel_)].Kennfeld;
    if (!kf)
        return false;
    v.Suffix = kf->Kennung;
    const bool da = v.hoechste_Version() >= 0;
    if (!kf->lade_Kennfeld_Datei(false)) {
        if (!da)
            k.meldungen().zeige(hole_Text(Text_keine_Datei) + '\n' + name);
        return false;
    }
    erwartet_ = kf;
    kf->schreibe_Kennfeld_Kopie();
    return true;
}

void Kopierlogik::Schritt_nach_Quorvel(const Sender* sender) {
    if (!laeuft_ || nach_Datei_)
        return;
    if (erwartet_ && sender != erwartet_)
        return;
    if (erwartet_) {
        if (listenindex_ >= 0)
            liste_[static_cast<size_t>(listenindex_)].gewaehlt = false;
        else
            einstellwerte_ = false;
        erwartet_ = nullptr;
    }
    if (listenindex_ == -1 && einstellwerte_) {
        cl_Parameter& p = k.parameter();
        cl_Dateiversion& v = k.dateiversion();
        v.Suffix = QStringLiteral("P");
        const bool da = v.hoechste_Version() >= 0;
        if (!p.lade_Datei(false)) {
            if (!da)
                k.meldungen().zeige(hole_Text(Text_keine_Datei) + '\n' + hole_Text(121));
            abbrechen();
            return;
        }
        erwartet_ = &p;
        p.schreiben();
        melde();
        return;
    }
    if (suche_naechstes()) {
        if (!sende_Eintrag()) {
            abbrechen();
            return;
        }
    } else {
        setze_laeuft(false);
        k.kennfelder().passe_Kennfelder_an_Parameter_an();
    }
    melde();
}
