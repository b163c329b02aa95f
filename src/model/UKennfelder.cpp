#include "model/UKennfelder.h"

#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "link/UKommunikation.h"
#include "model/ModelLog.h"
#include "model/UKennfeldkatalog.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"

#include <algorithm>
#include <limits>

namespace {

int32_t begrenzt(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

void setze_X(cl_Kennfeld& k, int64_t min, int64_t max) {
    k.setze_X_min(begrenzt(min));
    k.setze_X_max(begrenzt(max));
}

void setze_Y(cl_Kennfeld& k, int64_t min, int64_t max) {
    k.setze_Y_min(begrenzt(min));
    k.setze_Y_max(begrenzt(max));
}

void setze_Roh(cl_Kennfeld& k, int32_t min, int32_t max) {
    k.setze_Roh_min(min);
    k.setze_Roh_max(max);
}

// The built-in offer of a rebuild before the description file speaks: map and condition.
struct Standardangebot {
    int nr;
    const char* bedingung;
};
constexpr Standardangebot Standardkatalog[] = {
    {0, "76[0]"},  {22, ""},     {4, ""},      {7, "60[2]"}, {8, "131&76[0]"}, {9, "76[1]"},
    {10, "76"},    {81, "2028"}, {11, "1117"}, {12, "1118"}, {14, "1119"},     {15, "1102"},
    {16, "131"},   {17, "131"},  {24, ""},     {18, ""},     {19, "1115"},     {23, "76[2-3]"},
    {26, "76[3]"}, {27, "1185"}, {13, "1119"},
};

} // namespace

// ---------------------------------------------------------------- Zuendeditor

Zuendeditor::Zuendeditor(std::function<QString()> standardtitel)
    : standardtitel_(std::move(standardtitel)) {}

void Zuendeditor::setze_Titel(const QString& text) {
    Titel = text.isEmpty() && standardtitel_ ? standardtitel_() : text;
    if (Titel_geaendert)
        Titel_geaendert(Titel);
}

void Zuendeditor::setze_Bedingung(const QString& text) {
    Bedingung = text;
    Bedingung.remove(QLatin1Char(' '));
}

// ---------------------------------------------------------------- Kennfelder

Kennfelder::Kennfelder()
    : zuendung_([this] { return Zuendung_Standardtitel(); }),
      zuendung_2_([] { return hole_Text(1209); }) {}

Kennfelder::~Kennfelder() = default;

void Kennfelder::melde_an(TInterAction& registry) {
    registry_ = &registry;
    struct Bindung {
        const KlassenInfo& klasse;
        int ereignis;
        void (Kennfelder::*handler)();
    };
    const Bindung bindungen[] = {
        {cl_akt_Daten::Klasse, cl_COM_data::Beantwortet, &Kennfelder::aktualisiere_Betriebspunkte},
        {cl_akt_Daten_A::Klasse, cl_COM_data::Beantwortet,
         &Kennfelder::aktualisiere_Betriebspunkte},
        {cl_Diesel_Daten::Klasse, cl_COM_data::Beantwortet,
         &Kennfelder::aktualisiere_Betriebspunkte_Diesel},
        {cl_Diesel_Daten_A::Klasse, cl_COM_data::Beantwortet,
         &Kennfelder::aktualisiere_Betriebspunkte_Diesel_A},
        {cl_Parameter::Klasse, cl_Parameter::Gelesen,
         &Kennfelder::passe_Kennfelder_an_Parameter_an},
        {cl_COM_Quorvel::Klasse, cl_COM_Quorvel::Verbunden, &Kennfelder::Kennfelder_online},
        {cl_COM_Quorvel::Klasse, cl_COM_Quorvel::Getrennt, &Kennfelder::Kennfelder_offline},
        {cl_Getriebe_Daten::Klasse, cl_COM_data::Beantwortet,
         &Kennfelder::aktualisiere_Betriebspunkte_Getriebe},
    };
    for (const Bindung& b : bindungen)
        registry.Create(
            b.klasse, [this, h = b.handler](Sender&) { (this->*h)(); }, b.ereignis);
}

void Kennfelder::verbinde(const Kennfelder_Umgebung& umgebung) {
    u_.emplace(umgebung);
}

void Kennfelder::setze_Fabrik(std::unique_ptr<Kennfeld_Fabrik> fabrik) {
    fabrik_ = std::move(fabrik);
}

void Kennfelder::vergiss_Kennfelder() {
    u_.reset();
    menue_ = nullptr;
    fabrik_.reset();
    platzhalter_ = nullptr;
    katalog_.clear();
    beschrieben_.clear();
    alle_.clear();
    angeboten_.clear();
    listen_ = false;
    zuendung_.zeigen = nullptr;
    zuendung_.Titel_geaendert = nullptr;
    zuendung_2_.zeigen = nullptr;
    zuendung_2_.Titel_geaendert = nullptr;
}

// --- the catalogue ----------------------------------------------------------------------------

void Kennfelder::erzeuge_Kennfelder(Kennfeld_Fabrik& fabrik) {
    if (platzhalter_)
        return;
    platzhalter_ = &fabrik.erzeuge(Platzhalter_Beschreibung());
    for (const Kennfeld_Beschreibung& b : Katalog_Beschreibungen()) {
        katalog_.push_back(&fabrik.erzeuge(b));
        katalog_.back()->setze_Zuendwinkel_Bedienung(zuendbedienung_);
    }
}

cl_Kennfeld* Kennfelder::Katalogkennfeld(int nummer) const {
    for (cl_Kennfeld* k : katalog_)
        if (k->Kennfeld_Nr == nummer)
            return k;
    return nullptr;
}

// --- the lists --------------------------------------------------------------------------------

void Kennfelder::erstelle_Kennfeldliste() {
    alle_.clear();
    angeboten_.clear();
    for (const Katalogplatz& p : Katalog_Listenordnung()) {
        switch (p.art) {
        case Katalogplatz::Art::Kennfeld:
            if (cl_Kennfeld* k = Katalogkennfeld(p.Nr))
                alle_.push_back({k, nullptr});
            break;
        case Katalogplatz::Art::Zuendung:
            alle_.push_back({nullptr, &zuendung_});
            break;
        case Katalogplatz::Art::Zuendung_2:
            alle_.push_back({nullptr, &zuendung_2_});
            break;
        case Katalogplatz::Art::Trenner:
            alle_.push_back({});
            break;
        }
    }
    // The editors' captions as their windows start them, until those windows exist.
    for (Zuendeditor* e : {&zuendung_, &zuendung_2_})
        if (e->Titel.isEmpty())
            e->setze_Titel(QString());
    listen_ = true;
    pruefe_Kennfeld_Bedingungen();
}

cl_Kennfeld* Kennfelder::suche_in_alle(int nummer) const {
    for (const Kennfeldglied& g : alle_)
        if (g.Kennfeld && g.Kennfeld->Kennfeld_Nr == nummer)
            return g.Kennfeld;
    return nullptr;
}

cl_Kennfeld* Kennfelder::suche_in_angeboten(int nummer) const {
    for (const Kennfeldglied& g : angeboten_)
        if (g.Kennfeld && g.Kennfeld->Kennfeld_Nr == nummer)
            return g.Kennfeld;
    return nullptr;
}

bool Kennfelder::ist_angeboten(const Kennfeldglied& glied) const {
    return std::find(angeboten_.begin(), angeboten_.end(), glied) != angeboten_.end();
}

void Kennfelder::haenge_an(cl_Kennfeld& kennfeld) {
    angeboten_.push_back({&kennfeld, nullptr});
}

void Kennfelder::haenge_an(Zuendeditor& editor) {
    angeboten_.push_back({nullptr, &editor});
}

void Kennfelder::haenge_Trenner_an() {
    angeboten_.push_back({});
}

cl_Kennfeld* Kennfelder::erzeuge_beschriebenes_Kennfeld(const Kennfeld_Beschreibung& b) {
    if (!fabrik_) {
        qCDebug(lcModel) << "no map can be made for map" << b.Kennfeld_Nr;
        return nullptr;
    }
    cl_Kennfeld& k = fabrik_->erzeuge(b);
    beschrieben_.push_back(&k);
    k.setze_Zuendwinkel_Bedienung(zuendbedienung_);
    return &k;
}

void Kennfelder::setze_Zuendwinkel_Bedienung(Zuendwinkel_Bedienung* b) {
    zuendbedienung_ = b;
    for (const auto* liste : {&katalog_, &beschrieben_})
        for (cl_Kennfeld* k : *liste)
            k->setze_Zuendwinkel_Bedienung(b);
}

// --- offers and conditions --------------------------------------------------------------------

void Kennfelder::loesche_Kennfeld_Angebot() {
    for (const Kennfeldglied& g : alle_)
        if (g.Kennfeld)
            g.Kennfeld->verfuegbar = false;
    zuendung_.angeboten = false;
    zuendung_2_.angeboten = false;
}

void Kennfelder::setze_Standard_Katalog() {
    Katalog_erste_Zeile = true;
    Standard_Katalog_aktiv = true;
    loesche_Kennfeld_Angebot();
    zuendung_.angeboten = true;
    if (Zuendung_eigene_Anfrage)
        Zuendung_eigene_Anfrage();
    if (ECU_Typ() == 5)
        return;
    for (const Standardangebot& s : Standardkatalog)
        if (cl_Kennfeld* k = suche_in_alle(s.nr)) {
            k->verfuegbar = true;
            k->setze_Bedingung(QString::fromLatin1(s.bedingung));
        }
}

void Kennfelder::erstelle_Angebotsliste(bool mit_Trennern) {
    angeboten_.clear();
    for (const Kennfeldglied& g : alle_) {
        if (g.Kennfeld) {
            if (g.Kennfeld->verfuegbar)
                angeboten_.push_back(g);
        } else if (g.Editor) {
            if (g.Editor->angeboten)
                angeboten_.push_back(g);
        } else if (mit_Trennern) {
            angeboten_.push_back(g);
        }
    }
}

void Kennfelder::pruefe_Kennfeld_Bedingungen() {
    if (!u_)
        return;
    for (const Kennfeldglied& g : angeboten_)
        if (g.Kennfeld)
            g.Kennfeld->freigegeben = u_->parameter.pruefe_Bedingung(g.Kennfeld->Bedingung);
}

std::optional<bool> Kennfelder::Menue_sichtbar(const QString& titel) {
    std::optional<bool> sichtbar;
    for (const Kennfeldglied& g : angeboten_) {
        if (g.Kennfeld) {
            if (g.Kennfeld->Titel == titel)
                sichtbar = g.Kennfeld->freigegeben;
        } else if (g.Editor == &zuendung_) {
            if (zuendung_.Titel == titel)
                sichtbar = true;
        } else if (g.Editor == &zuendung_2_) {
            if (zuendung_2_.Titel == titel) {
                zuendung_2_.freigegeben =
                    u_ && u_->parameter.pruefe_Bedingung(zuendung_2_.Bedingung);
                sichtbar = zuendung_2_.freigegeben;
            }
        }
    }
    return sichtbar;
}

int Kennfelder::ECU_Typ() const {
    return u_ ? u_->version.ECU_Typ() : 0;
}

QString Kennfelder::Zuendung_Standardtitel() const {
    return hole_Text(ECU_Typ() == 5 ? 1058 : 270);
}

// --- the menu ---------------------------------------------------------------------------------

void Kennfelder::erstelle_Kennfeld_Menue() {
    // The offered maps work with the ECU exactly while the link is up: one offered only now
    // (after a reconnect, or another ECU's) would keep what an earlier disconnect left it,
    // its ECU functions off while connected.
    if (u_ && listen_) {
        if (u_->link.ist_verbunden())
            Kennfelder_online();
        else
            Kennfelder_offline();
    }
    if (menue_)
        menue_->erstelle_Kennfeld_Menue();
}

void Kennfelder::aktualisiere_Kennfeld_Menue() {
    if (menue_)
        menue_->aktualisiere_Kennfeld_Menue();
}

// --- connect and disconnect -------------------------------------------------------------------

void Kennfelder::Kennfelder_online() {
    if (!listen_)
        return;
    for (const Kennfeldglied& g : angeboten_)
        if (g.Kennfeld)
            g.Kennfeld->ECU_Menue_ein();
}

void Kennfelder::Kennfelder_offline() {
    if (!listen_)
        return;
    for (const Kennfeldglied& g : angeboten_)
        if (g.Kennfeld)
            g.Kennfeld->ECU_Menue_aus();
}

// --- axis adaptation --------------------------------------------------------------------------

void Kennfelder::passe_Kennfelder_an_Parameter_an() {
    if (!u_)
        return;
    cl_Parameter& par = u_->parameter;
    const cl_Version& v = u_->version;
    const auto W = [&par](int n) { return par.Wert(n); };
    const auto mit = [this](int nr, auto f) {
        if (cl_Kennfeld* k = Katalogkennfeld(nr))
            f(*k);
    };
    const int hersteller = v.Hersteller();
    const int typ = v.ECU_Typ();
    const int version = v.Version();
    const QString text_240 = hole_Text(240);
    const QString text_246 = hole_Text(246);

    // The load axis, and the pressure maximum.
    const int32_t L = hersteller == 9 ? 100 : 90;
    const QString L_Einheit = hersteller == 9 ? QStringLiteral("%") : QStringLiteral("d");
    int64_t P = 4000;
    if (W(54) >= 1)
        P = W(246);
    else if (v.Wert_138() == 1)
        P = 1050;
    else if (v.Wert_138() == 2)
        P = 2500;
    else if (v.Wert_138() == 3)
        P = 3000;
    const auto Lastachse = [&](cl_Kennfeld& k) {
        k.setze_X_max(L);
        k.Einheit_X = L_Einheit;
    };

    // 1
    mit(0, [&](cl_Kennfeld& k) {
        setze_Y(k, W(4), W(5));
        Lastachse(k);
        k.setze_Achsname_X(text_240);
    });
    // 2 to 4
    mit(22, [&](cl_Kennfeld& k) {
        setze_X(k, W(8), W(9));
        k.setze_Y_max(begrenzt(W(1109)));
    });
    mit(4, [&](cl_Kennfeld& k) { setze_X(k, W(8), W(9)); });
    mit(7, [&](cl_Kennfeld& k) { setze_X(k, W(4), W(5)); });
    // 5
    mit(10, [&](cl_Kennfeld& k) {
        setze_Y(k, W(4), W(5));
        if (Lastachse_10()) {
            Lastachse(k);
            k.setze_Achsname_X(text_240);
        } else {
            k.setze_X_max(begrenzt(P));
            k.Einheit_X = QStringLiteral("hPa");
            k.setze_Achsname_X(text_246);
        }
    });
    // 6 to 9
    mit(11, [&](cl_Kennfeld& k) { setze_X(k, W(10), W(11)); });
    mit(12, [&](cl_Kennfeld& k) { k.setze_X_max(begrenzt(P)); });
    for (const int nr : {13, 14})
        mit(nr, [&](cl_Kennfeld& k) {
            setze_Y(k, W(4), W(5));
            Lastachse(k);
        });
    mit(15, [&](cl_Kennfeld& k) { setze_X(k, W(8), W(9)); });
    // 10
    mit(16, [&](cl_Kennfeld& k) {
        setze_X(k, W(8), W(9));
        if (W(1151) < 1 && W(5153) < 1) {
            setze_Roh(k, -10000, 10000);
            k.Z_min = -100;
            k.Z_max = 100;
            k.Einheit_Z = QStringLiteral("%");
        } else {
            setze_Roh(k, 0, 400);
            k.Z_min = 0;
            k.Z_max = 400;
            if (!v.passt(9, 1, 1, 534, -1, -1, -1)) {
                k.Einheit_Z = QStringLiteral("0.1 deg");
                k.setze_Titel(hole_Text(234));
            } else {
                k.Einheit_Z = QStringLiteral("0.1 %");
                k.setze_Titel(QStringLiteral("throttle start (torque)"));
            }
        }
    });
    // 11
    mit(211, [&](cl_Kennfeld& k) {
        setze_X(k, W(8), W(9));
        if (W(1151) < 1) {
            setze_Roh(k, -10000, 10000);
            k.Z_min = -100;
            k.Z_max = 100;
            k.Einheit_Z = QStringLiteral("%");
        } else {
            setze_Roh(k, 0, 400);
            k.Z_min = 0;
            k.Z_max = 400;
            k.Einheit_Z = QStringLiteral("0.1 deg");
            k.setze_Titel(hole_Text(1283));
        }
    });
    // 12 to 18
    mit(17, [&](cl_Kennfeld& k) { setze_X(k, W(8), W(9)); });
    mit(24, [&](cl_Kennfeld& k) {
        if (W(2492) < 1) {
            Lastachse(k);
        } else {
            k.setze_X_max(begrenzt(W(246)));
            k.Einheit_X = QStringLiteral("hPa");
        }
    });
    for (const int nr : {35, 27})
        mit(nr, Lastachse);
    for (const int nr : {18, 19})
        mit(nr, [&](cl_Kennfeld& k) { setze_X(k, W(8), W(9)); });
    for (const int nr : {23, 26, 32})
        mit(nr, [&](cl_Kennfeld& k) { setze_X(k, W(4), W(5)); });
    mit(44, [&](cl_Kennfeld& k) { setze_X(k, W(8), W(9)); });
    mit(201, [&](cl_Kennfeld& k) {
        setze_X(k, (W(2393) * 500 + 512) / 1024 * 10, (W(2394) * 500 + 512) / 1024 * 10);
    });
    // 19
    if (typ != 5)
        mit(61, [&](cl_Kennfeld& k) { k.setze_Y_max(begrenzt(W(1003))); });
    // 20
    if (typ == 5) {
        const auto binde = [&](cl_Kennfeld& k, int erster) {
            for (int i = 1; i <= 8; ++i)
                k.Parameter_Nr[static_cast<size_t>(i)] = erster + i - 1;
            k.setze_Y_max(begrenzt(W(1011)));
            k.setze_X_max(begrenzt(W(8070)));
            k.Einheit_X = QStringLiteral("Nm");
            k.setze_Achsname_X(hole_Text(1029));
        };
        mit(13, [&](cl_Kennfeld& k) { binde(k, 1124); });
        mit(14, [&](cl_Kennfeld& k) {
            k.setze_Roh_max(100);
            const int64_t anzeige = (int64_t{k.Z_max} - k.Z_min) * 2;
            k.Rundung = anzeige == 0 ? 0 : begrenzt((int64_t{k.Roh_max} - k.Roh_min) / anzeige);
            binde(k, 1132);
        });
        mit(64, [&](cl_Kennfeld& k) { k.setze_X_max(begrenzt(W(1011))); });
        mit(68, [&](cl_Kennfeld& k) {
            k.setze_X_max(begrenzt(W(1066)));
            k.setze_Y_max(begrenzt(W(1011)));
        });
        mit(66, [&](cl_Kennfeld& k) { setze_X(k, W(8), W(9)); });
        mit(67, [&](cl_Kennfeld& k) {
            k.setze_X_max(begrenzt(W(8088)));
            setze_Y(k, W(8), W(9));
        });
    }
    // 21 to 26
    mit(60, [&](cl_Kennfeld& k) {
        k.setze_X_max(begrenzt(W(1004)));
        k.setze_Y_max(begrenzt(W(1003)));
    });
    mit(52, [&](cl_Kennfeld& k) { setze_X(k, -W(1895), W(1895)); });
    mit(70, [&](cl_Kennfeld& k) { k.setze_Y_max(begrenzt(W(5))); });
    mit(71, [&](cl_Kennfeld& k) {
        k.setze_X_max(begrenzt(W(5)));
        k.setze_Y_max(begrenzt(W(5114)));
    });
    mit(72, [&](cl_Kennfeld& k) {
        k.setze_X_max(begrenzt(W(5)));
        k.setze_Y_max(begrenzt(W(5133)));
    });
    mit(73, [&](cl_Kennfeld& k) { k.setze_X_max(begrenzt(W(5108))); });
    mit(74, [&](cl_Kennfeld& k) { k.setze_X_max(begrenzt(W(5113))); });
    // 27
    if (hersteller == 9 && version <= 517) {
        mit(76, [&](cl_Kennfeld& k) { setze_X(k, W(5145), W(5147)); });
        mit(77, [&](cl_Kennfeld& k) { setze_X(k, W(5146), W(5148)); });
    } else {
        for (const int nr : {76, 77})
            mit(nr, [&](cl_Kennfeld& k) { setze_X(k, 0, 100); });
    }
    // 28 to 32
    for (const auto& [nr, p] : {std::pair{78, 5147}, std::pair{79, 5148}})
        mit(nr, [&, p = p](cl_Kennfeld& k) {
            setze_X(k, W(4), W(5));
            k.setze_Roh_max(begrenzt(W(p)));
            k.Z_max = k.Roh_max;
        });
    mit(80, [&](cl_Kennfeld& k) { setze_Y(k, W(4), W(5)); });
    for (const int nr : {81, 89, 90})
        mit(nr, [&](cl_Kennfeld& k) { setze_X(k, W(10), W(11)); });
    for (const int nr : {87, 88})
        mit(nr, [&](cl_Kennfeld& k) { setze_X(k, W(10), W(5303)); });
    mit(42, [&](cl_Kennfeld& k) {
        setze_Y(k, W(4), W(5));
        Lastachse(k);
    });
    // 33
    if (hersteller == 9) {
        for (const int nr : {0, 24})
            mit(nr, [&](cl_Kennfeld& k) { k.setze_X_max(100); });
        if (version >= 527)
            mit(34, [&](cl_Kennfeld& k) {
                k.setze_X_min(begrenzt(W(5249) * 5000 / 1023));
                k.setze_X_max(begrenzt(W(5250) * 5000 / 1023));
            });
    }
    // 34
    mit(86, [&](cl_Kennfeld& k) {
        setze_Y(k, W(4), W(5));
        if (W(2630) < 1) {
            Lastachse(k);
            k.setze_Achsname_X(text_240);
        } else {
            k.setze_X_max(begrenzt(P));
            k.Einheit_X = QStringLiteral("hPa");
            k.setze_Achsname_X(text_246);
        }
    });
    // 35
    if (hersteller == 12) {
        mit(0, [&](cl_Kennfeld& k) {
            k.setze_Roh_max(1250);
            k.Z_max = 1000;
            k.Schrittzeile = 1;
        });
        mit(75, [&](cl_Kennfeld& k) {
            k.setze_X_max(begrenzt(W(6013) * 5000 / 1024));
            k.setze_Roh_max(1200);
            k.Z_max = 1200;
        });
        mit(61, [&](cl_Kennfeld& k) {
            k.setze_X_max(100);
            k.setze_Y_max(begrenzt(W(5)));
        });
        mit(36, [&](cl_Kennfeld& k) { k.setze_Y_max(begrenzt(W(5))); });
    }
    // 36 to 38
    for (const int nr : {83, 84, 85})
        mit(nr, [&](cl_Kennfeld& k) {
            k.setze_X_max(begrenzt(W(5224)));
            setze_Y(k, W(4), W(5));
        });
    for (const int nr : {38, 39})
        mit(nr, [&](cl_Kennfeld& k) {
            setze_X(k, 0, L);
            setze_Y(k, W(4), W(5));
        });
    mit(43, [&](cl_Kennfeld& k) {
        setze_Y(k, W(4), W(5));
        Lastachse(k);
    });
    // 39
    mit(41, [&](cl_Kennfeld& k) {
        if (hersteller != 9) {
            k.setze_X_max(begrenzt(W(2148)));
            k.setze_Roh_max(1024);
            k.Z_max = 900;
            k.Einheit_Z = QStringLiteral("0.1 deg");
        } else {
            k.setze_X_max(1000);
            k.setze_Roh_max(1000);
            k.Z_max = 1000;
            k.Einheit_Z = QStringLiteral("0.1 %");
        }
    });
    // 40
    for (const int nr : {200, 45})
        mit(nr, [&](cl_Kennfeld& k) {
            if (W(2576) < 1) {
                k.setze_Achsname_X(text_240);
                k.Einheit_X = hole_Text(83);
                k.setze_X_max(L);
            } else {
                k.setze_Achsname_X(text_246);
                k.Einheit_X = QStringLiteral("hPa");
                k.setze_X_max(begrenzt(P));
            }
            setze_Y(k, W(4), W(5));
            if (nr == 200) {
                k.setze_Roh_max(begrenzt(W(2196)));
                k.Z_max = k.Roh_max;
            }
        });
    // 41, 42
    mit(202, [&](cl_Kennfeld& k) { setze_X(k, W(4), W(5)); });
    mit(210, [&](cl_Kennfeld& k) { setze_Y(k, W(4), W(5)); });

    // A backup copy reads the maps itself and judges the conditions at its end.
    if (Sicherung_laeuft)
        return;
    for (const Kennfeldglied& g : angeboten_)
        if (g.Kennfeld && g.Kennfeld->sichtbar() && g.Kennfeld->COM_aktiv)
            g.Kennfeld->lese_von_ECU();
    pruefe_Kennfeld_Bedingungen();
}

bool Kennfelder::Lastachse_10() const {
    if (!u_)
        return true;
    cl_Parameter& par = u_->parameter;
    return !u_->version.passt(-1, 1, 203, -1, -1, -1, -1) &&
           (par.Wert(76) != 0 || par.Wert(2631) <= 0) && !(par.Wert(76) > 0 && par.Wert(2629) > 0);
}

// --- live points ------------------------------------------------------------------------------

void Kennfelder::punkt(int nr, int64_t x, int64_t y, const std::array<QString, 3>* texte) {
    cl_Kennfeld* k = Katalogkennfeld(nr);
    if (!k || !k->sichtbar())
        return;
    if (texte)
        k->setze_Arbeitspunkt(begrenzt(x), begrenzt(y), (*texte)[0], (*texte)[1], (*texte)[2]);
    else
        k->setze_Arbeitspunkt(begrenzt(x), begrenzt(y), QString(), QString(), QString());
}

void Kennfelder::aktualisiere_Betriebspunkte() {
    if (!u_)
        return;
    cl_ECU_Befehle& b = u_->befehle;
    cl_Parameter& par = u_->parameter;
    const auto W = [&par](int n) { return par.Wert(n); };
    const cl_Datensatz& M = b.akt_Daten;
    const cl_Datensatz& A = b.akt_Daten_A;
    const cl_Datensatz& B = b.akt_Daten_B;
    const cl_Datensatz& V = b.akt_Daten_Vundel;
    const cl_Datensatz& G = b.Getriebe_Daten;
    const int version = u_->version.Version();
    const int hersteller = u_->version.Hersteller();

    // Map 9's axis follows the parameter whether the window shows or not; the points and
    // their texts are only for windows that show them, and the answer comes many times a
    // second.
    if (cl_Kennfeld* k = Katalogkennfeld(9))
        k->setze_X_max(W(1933) < 1 ? 1000 : 500);
    const auto sichtbar = [](const cl_Kennfeld* k) { return k->sichtbar(); };
    if (std::none_of(katalog_.begin(), katalog_.end(), sichtbar) &&
        std::none_of(beschrieben_.begin(), beschrieben_.end(), sichtbar))
        return;

    std::array<QString, 3> texte;
    texte[0] = QString::number(mal_0_8(static_cast<float>(A.s16(30)))) + QStringLiteral(" µs");
    if (version >= 645) {
        texte[1] = QString::asprintf("Lambda: %5.2f", A.s16(96) * 0.001);
        texte[2] = QString::asprintf("Soll-Lambda: %5.2f", A.s16(94) * 0.001);
    } else {
        texte[1] = QString::asprintf(
            "Lambda: %5.2f V  ", static_cast<double>(ADC_zu_Volt(static_cast<float>(M.u16(42)))));
    }
    const auto* T = &texte;
    const auto Millivolt = [](int16_t roh) {
        return Round(static_cast<double>(ADC_zu_Volt(static_cast<float>(roh))) * 1000.0);
    };
    // The load of the maps whose X axis may be a pressure.
    const auto Last = [&](bool lastachse) -> int64_t {
        if (lastachse)
            return M.s16(72);
        return W(54) < 1 ? M.s16(80) : A.s16(66);
    };

    aktualisiere_beschriebene_Betriebspunkte(texte);

    for (const int nr : {0, 13, 14})
        punkt(nr, M.s16(72), M.u16(10), T);
    punkt(22, M.s16(74), A.s16(0), T);
    for (const int nr : {4, 15, 211, 16, 17, 18, 19, 44})
        punkt(nr, M.s16(74), 0, T);
    for (const int nr : {7, 23, 26, 202})
        punkt(nr, M.u16(10), 0, T);
    punkt(8, Byte_zu_Prozent_mittig(static_cast<float>(M.u16(22))), 0, T);
    for (const int nr : {9, 37})
        punkt(nr, M.u16(26) * 1000 / 1024, 0, T);
    punkt(10, Last(Lastachse_10()), M.u16(10), T);
    for (const int nr : {11, 81})
        punkt(nr, M.s16(78), 0, T);
    punkt(12, Last(false), 0, T);
    punkt(24, Last(W(2492) < 1), 0, T);
    punkt(27, M.s16(72), 0, T);
    punkt(29, M.u16(44) * 5000 / 1023, 0, T);
    punkt(30, M.u16(46) * 5000 / 1023, 0, T);
    punkt(43, M.s16(72), B.u16(54), T);
    punkt(31, A.s16(74), 0, T);
    punkt(52, A.s16(76), 0, T);
    const std::array<QString, 3> texte_32{hole_Text(810), hole_Text(811), QString()};
    punkt(32, M.u16(10), 0, &texte_32);
    punkt(34, Millivolt(M.s16(76)), 0, T);
    punkt(36, V.s16(88), M.u16(10), nullptr);
    punkt(75, Millivolt(A.s16(86)), 0, nullptr);
    for (const int nr : {70, 71})
        punkt(nr, M.s16(72), M.u16(10), nullptr);
    punkt(72, M.u16(10), M.u16(32), nullptr);
    for (const int nr : {73, 74})
        punkt(nr, A.s32(44) / 600, 0, nullptr);
    for (const int nr : {78, 79})
        punkt(nr, M.u16(10), 0, nullptr);
    punkt(80, M.s16(80), M.u16(10), nullptr);
    punkt(82, M.s16(80), 0, T);
    for (const int nr : {89, 90})
        punkt(nr, M.s16(78), 0, nullptr);
    punkt(86, Last(W(2630) < 1), M.u16(10), T);
    punkt(61, M.s16(72), M.u16(10), nullptr);
    for (const int nr : {83, 84, 85})
        punkt(nr, V.u16(72), M.u16(10), nullptr);
    for (const int nr : {38, 39})
        punkt(nr, M.s16(72), M.u16(10), T);
    punkt(40, M.u16(38) * 5000 / 1024, 0, T);
    punkt(42, M.s16(72), M.u16(10), T);
    punkt(200, Last(W(2576) < 1), M.u16(10), T);
    punkt(201, M.u16(42) * 5000 / 1023, 0, T);
    punkt(46, B.s16(70) * 5000 / 1023, 0, T);
    punkt(47, B.s16(80), 0, T);
    punkt(45, Last(W(2576) < 1), M.u16(10), T);
    punkt(210, A.s16(60) / 10, M.u16(10), T);

    if (hersteller == 9) {
        for (const int nr : {87, 88})
            punkt(nr, V.s16(84), 0, T);
        punkt(41, V.s16(44), 0, T);
    } else {
        punkt(41, B.u16(52), 0, T);
    }
    if (u_->version.Hardware_Haupt() == 3) {
        punkt(101, G.u16(22), G.s16(16), nullptr);
        punkt(102, G.s16(28), 0, nullptr);
        for (int nr = 110; nr <= 115; ++nr)
            punkt(nr, G.u16(22), 0, nullptr);
        for (int nr = 116; nr <= 120; ++nr)
            punkt(nr, G.s16(52), 0, nullptr);
    }
}

void Kennfelder::aktualisiere_beschriebene_Betriebspunkte(const std::array<QString, 3>& texte) {
    cl_Parameter& par = u_->parameter;
    // The live value's word; a value one byte wide gives that byte.
    const auto lies = [&par](int32_t nummer) -> int32_t {
        if (nummer == 0)
            return 0;
        const std::span<const uint8_t> wert = par.Livewert(nummer);
        if (wert.size() >= 2)
            return static_cast<int16_t>(lies_Wort(wert.data()));
        return wert.empty() ? 0 : wert[0];
    };
    for (const Kennfeldglied& g : angeboten_) {
        cl_Kennfeld* k = g.Kennfeld;
        if (!k || k->Quelle_X == 0 || !k->sichtbar())
            continue;
        const int32_t x = lies(k->Quelle_X);
        const int32_t y = lies(k->Quelle_Y);
        if (k->Quelle_Nr != 0)
            k->setze_Arbeitspunkt(x, y, texte[0], texte[1], texte[2]);
        else
            k->setze_Arbeitspunkt(x, y, QString(), QString(), QString());
    }
}

void Kennfelder::aktualisiere_Betriebspunkte_Diesel() {
    if (!u_)
        return;
    const cl_Datensatz& D = u_->befehle.Diesel_Daten;
    punkt(17, D.s16(4), 0, nullptr);
    punkt(64, D.u16(0), 0, nullptr);
    punkt(63, D.u16(26), 0, nullptr);
    punkt(29, D.u16(10) * 5000 / 1023, 0, nullptr);
    punkt(30, D.u16(82) * 5000 / 1023, 0, nullptr);
    punkt(66, D.s16(4), 0, nullptr);
    punkt(67, D.u16(0), D.s16(4), nullptr);
    punkt(68, D.s16(34) / 10, D.u16(0), nullptr);
    punkt(9, D.u16(26), 0, nullptr);
    punkt(17, D.s16(4), 0, nullptr);
    punkt(75, (D.s16(90) * 5000 + 512) / 1024, 0, nullptr);
}

void Kennfelder::aktualisiere_Betriebspunkte_Diesel_A() {
    if (!u_)
        return;
    const cl_Datensatz& D = u_->befehle.Diesel_Daten;
    const cl_Datensatz& DA = u_->befehle.Diesel_Daten_A;
    punkt(65, D.u16(82) * 5000 / 1023, 0, nullptr);
    for (const int nr : {13, 14})
        punkt(nr, DA.s16(2) / 10, D.u16(0), nullptr);
}

void Kennfelder::aktualisiere_Betriebspunkte_Getriebe() {
    if (!u_)
        return;
    const cl_Datensatz& G = u_->befehle.Getriebe_Daten;
    punkt(101, G.u16(22), G.s16(16), nullptr);
    punkt(102, G.u16(26) * 5000 / 1024, 0, nullptr);
    for (int nr = 110; nr <= 115; ++nr)
        punkt(nr, G.u16(22), 0, nullptr);
    for (int nr = 116; nr <= 120; ++nr)
        punkt(nr, G.s16(52), 0, nullptr);
}

void Kennfelder::melde_Betriebspunkte_an(int datenelement) {
    if (!registry_ || !Betriebspunkt_Elemente_.insert(datenelement).second)
        return;
    registry_->Create(
        cl_Kommunikation::Klasse, [this](Sender&) { aktualisiere_Betriebspunkte(); }, datenelement);
}
