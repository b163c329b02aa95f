#include "link/UKommunikation.h"

#include "base/Uglobal.h"

#include <algorithm>
#include <cstring>

namespace {

// Words a message may carry after its two header words: the message travels as one block
// transfer, and a block transfer carries at most 2000 bytes.
constexpr int Nutzworte_max = cl_Kommunikation::Antwortgroesse / 2 - 2;

void setze_Wort(uint8_t* ziel, int index, int wert) {
    ziel[2 * index] = static_cast<uint8_t>(wert & 0xFF);
    ziel[2 * index + 1] = static_cast<uint8_t>((wert >> 8) & 0xFF);
}

// The built-in items, in table order; the live data and the password gate give the
// buffers of items 1 and 2 later.
constexpr std::array<Filetyp_Eintrag, cl_ECU_Liste::Eingebaut_Anzahl> Eingebaute_Elemente = {{
    {0, 17, true, 0, nullptr, 0},
    {1, 81, true, 0, nullptr, 0},
    {2, 257, true, 400, nullptr, 0},
    {3, 272, false, 0, nullptr, 0},
    {4, 66, true, 0, nullptr, 0},
    {5, 305, true, 0, nullptr, 0},
}};

} // namespace

// ---------------------------------------------------------------- cl_ECU_Liste

cl_ECU_Liste::cl_ECU_Liste() : eingebaut_(Eingebaute_Elemente) {}

void cl_ECU_Liste::laden(int index) {
    eintraege_.clear();
    if (index != 0)
        return;
    for (const Filetyp_Eintrag& e : eingebaut_)
        einfuegen(e);
}

int cl_ECU_Liste::Position(int id) const {
    int unten = 0;
    int oben = Anzahl();
    while (oben - 1 > unten) {
        const int mitte = (unten + oben) / 2;
        const int m = eintraege_[static_cast<size_t>(mitte)]->Id;
        if (m == id)
            return mitte;
        if (id < m)
            oben = mitte;
        else
            unten = mitte;
    }
    return oben;
}

bool cl_ECU_Liste::einfuegen(const Filetyp_Eintrag& e) {
    if (suche_Code(e.Id))
        return false;
    auto f = std::make_unique<cl_Filetyp>();
    f->Nummer = e.Nummer;
    f->Id = e.Id;
    f->nicht_Sammel = e.nicht_Sammel;
    f->Laenge = e.Laenge;
    f->Puffer = e.Puffer;
    f->Puffergroesse = e.Puffer ? e.Puffergroesse : 0;
    const int p = Position(e.Id);
    eintraege_.insert(eintraege_.begin() + p, std::move(f));
    return true;
}

cl_Filetyp* cl_ECU_Liste::suche_Code(int id) const {
    const int p = Position(id);
    if (p < Anzahl() && eintraege_[static_cast<size_t>(p)]->Id == id)
        return eintraege_[static_cast<size_t>(p)].get();
    return nullptr;
}

cl_Filetyp* cl_ECU_Liste::suche_Index(int nummer) const {
    for (const auto& f : eintraege_)
        if (f->Nummer == nummer)
            return f.get();
    return nullptr;
}

void cl_ECU_Liste::setze_Filetyp_Werte(int nummer, int laenge, uint8_t* puffer, int puffergroesse) {
    for (Filetyp_Eintrag& e : eingebaut_) {
        if (e.Nummer != nummer)
            continue;
        e.Laenge = laenge;
        e.Puffer = puffer;
        e.Puffergroesse = puffergroesse;
        if (cl_Filetyp* f = suche_Index(nummer); f && f->Id == e.Id) {
            f->Laenge = laenge;
            f->Puffer = puffer;
            f->Puffergroesse = puffer ? puffergroesse : 0;
        }
    }
}

// ---------------------------------------------------------------- cl_Kommunikation

cl_Kommunikation::cl_Kommunikation(cl_COM_Quorvel& link, cl_ECU_Liste& liste)
    : cl_COM_data(link, Befehl_Lesen, true, true, 500, 0, nullptr, Antwortgroesse, nullptr),
      liste_(liste) {
    setze_Sendedaten(Sendepuffer.data());
    setze_Antwortpuffer(Antwortdaten.data());
    neues_Blockformat = true;
}

int cl_Kommunikation::Elementlaenge(const cl_Filetyp& f) const {
    if (f.Puffer)
        return f.Laenge;
    return bereiche_ ? bereiche_->Bereichslaenge(f.Id) : 0;
}

void cl_Kommunikation::lese_Element(int nummer) {
    cl_Filetyp* f = liste_.suche_Index(nummer);
    if (!f)
        return;
    f->Lesen_gefragt = {0, f->Laenge};
    f->Lesen_ausstehend = true;
    if (!aktiv)
        sende_Leseauftrag();
}

void cl_Kommunikation::lese_zyklisch(int nummer) {
    cl_Filetyp* f = liste_.suche_Index(nummer);
    if (!f)
        return;
    ++f->zyklische_Leser;
    f->Lesen_gefragt = {0, f->Laenge};
    f->Lesen_ausstehend = true;
    if (!aktiv)
        sende_Leseauftrag();
}

void cl_Kommunikation::beende_zyklisch(int nummer) {
    if (cl_Filetyp* f = liste_.suche_Index(nummer); f && f->zyklische_Leser > 0)
        --f->zyklische_Leser;
}

void cl_Kommunikation::lese_alle() {
    bool offen = false;
    for (int i = 0; i < liste_.Anzahl(); ++i) {
        cl_Filetyp& f = liste_[i];
        if (f.nicht_Sammel)
            continue;
        f.Lesen_gefragt.Offset = 0;
        f.Lesen_ausstehend = true;
        // The first position never goes out: waiting for it would never end.
        f.Sammellesen_offen = i > 0;
        offen = offen || i > 0;
    }
    if (!offen) {
        // Nothing to read: the read is over as it starts.
        InterAction_ausfuehren(*this, Parameter_gelesen);
        return;
    }
    if (!aktiv)
        sende_Leseauftrag();
}

void cl_Kommunikation::schreibe_Daten(int nummer, int offset, int anzahl) {
    cl_Filetyp* f = liste_.suche_Index(nummer);
    if (!f || offset < 0 || anzahl < 0)
        return;
    merke_Schreiben(*f, {offset, anzahl});
    Schreiben_ausstehend = true;
    if (!aktiv)
        sende_Schreibauftrag();
}

void cl_Kommunikation::schreibe_Element(int nummer) {
    if (const cl_Filetyp* f = liste_.suche_Index(nummer))
        schreibe_Daten(nummer, 0, Elementlaenge(*f));
}

void cl_Kommunikation::merke_Schreiben(cl_Filetyp& f, Wortbereich r) {
    // A range asked earlier that has not gone out yet (asked while another write of the
    // item was under way, or the rest of a split one) is kept: one range covers both.
    if (f.Schreiben_ausstehend && f.Schreibstand_im_Flug != f.Schreibstand) {
        const Wortbereich& alt = f.Schreiben_gefragt;
        const int von = std::min(alt.Offset, r.Offset);
        const int bis = std::max(alt.Offset + alt.Anzahl, r.Offset + r.Anzahl);
        r = {von, bis - von};
    }
    f.Schreiben_gefragt = r;
    f.Schreiben_ausstehend = true;
    ++f.Schreibstand;
}

bool cl_Kommunikation::schreibe_alle() {
    // Checked before anything is marked: an item marked here would otherwise go out with
    // the next write of any item, unasked.
    for (int i = 0; i < liste_.Anzahl(); ++i)
        if (!liste_[i].nicht_Sammel && Elementlaenge(liste_[i]) <= 0)
            return false;
    for (int i = 0; i < liste_.Anzahl(); ++i) {
        cl_Filetyp& f = liste_[i];
        if (!f.nicht_Sammel)
            merke_Schreiben(f, {0, Elementlaenge(f)});
    }
    Schreiben_ausstehend = true;
    if (!aktiv)
        sende_Schreibauftrag();
    if (bereiche_)
        bereiche_->melde_geschrieben();
    return true;
}

bool cl_Kommunikation::sende_Schreibauftrag() {
    if (aktiv)
        return false;
    struct Teil {
        cl_Filetyp* f;
        Wortbereich r;
    };
    std::vector<Teil> teile;
    int worte = 0;
    for (int i = 1; i < liste_.Anzahl(); ++i) {
        cl_Filetyp& f = liste_[i];
        if (!f.Schreiben_ausstehend)
            continue;
        const Wortbereich r = f.Schreiben_gefragt;
        if (worte + 3 + r.Anzahl > Nutzworte_max) {
            if (worte > 0)
                break;
            // Too large for any message: its first part goes now, the rest stays asked.
            const int teil = Nutzworte_max - 3;
            f.Schreiben_im_Flug = {r.Offset, teil};
            f.Schreiben_gefragt = {r.Offset + teil, r.Anzahl - teil};
            f.Schreibstand_im_Flug = -1;
            teile.push_back({&f, f.Schreiben_im_Flug});
            worte += 3 + teil;
            break;
        }
        f.Schreiben_im_Flug = r;
        f.Schreibstand_im_Flug = f.Schreibstand;
        teile.push_back({&f, r});
        worte += 3 + r.Anzahl;
    }
    nachricht_.clear();
    if (teile.empty()) {
        Schreiben_ausstehend = false;
        return false;
    }

    Sendepuffer.fill(0);
    uint8_t* p = Sendepuffer.data();
    setze_Wort(p, 0, 1);
    setze_Wort(p, 1, static_cast<int>(teile.size()));
    int w = 2;
    for (const Teil& t : teile) {
        setze_Wort(p, w++, t.f->Id);
        setze_Wort(p, w++, t.r.Offset);
        setze_Wort(p, w++, t.r.Anzahl);
        nachricht_.push_back({t.f->Id, t.r.Offset, t.r.Anzahl});
    }
    for (const Teil& t : teile) {
        if (t.f->Puffer) {
            // Words beyond the item's buffer go out as 0.
            const int von = t.r.Offset * 2;
            const int n = std::clamp(t.f->Puffergroesse - von, 0, t.r.Anzahl * 2);
            if (n > 0)
                std::memcpy(p + 2 * w, t.f->Puffer + von, static_cast<size_t>(n));
        } else if (bereiche_) {
            bereiche_->Bereich_zurueck(t.f->Id);
            if (const std::vector<uint16_t>* b = bereiche_->Bereichsworte(t.f->Id))
                for (int k = 0; k < t.r.Anzahl; ++k) {
                    const size_t q = static_cast<size_t>(t.r.Offset + k);
                    if (q < b->size())
                        setze_Wort(p, w + k, (*b)[q]);
                }
        }
        w += t.r.Anzahl;
    }
    Befehl = Befehl_Schreiben;
    Blockweise_lesen = false;
    Blockweise_senden = true;
    Sendelaenge = 2 * w;
    Antwortlaenge = 0;
    starten();
    return true;
}

bool cl_Kommunikation::sende_Leseauftrag() {
    if (aktiv)
        return false;
    for (int i = 1; i < liste_.Anzahl(); ++i)
        if (liste_[i].zyklische_Leser > 0)
            liste_[i].Lesen_ausstehend = true;
    nachricht_.clear();
    int worte = 0;
    for (int i = 1; i < liste_.Anzahl(); ++i) {
        cl_Filetyp& f = liste_[i];
        if (!f.Lesen_ausstehend)
            continue;
        if (static_cast<int>(nachricht_.size()) >= Lesetripel_max)
            break;
        const Wortbereich r = f.Lesen_gefragt;
        if (worte + 3 + r.Anzahl > Nutzworte_max) {
            if (worte > 0)
                break;
            const int teil = Nutzworte_max - 3;
            f.Lesen_im_Flug = {r.Offset, teil};
            f.Lesen_gefragt = {r.Offset + teil, r.Anzahl - teil};
            nachricht_.push_back({f.Id, r.Offset, teil});
            worte += 3 + teil;
            break;
        }
        f.Lesen_im_Flug = r;
        f.Lesen_ausstehend = false;
        nachricht_.push_back({f.Id, r.Offset, r.Anzahl});
        worte += 3 + r.Anzahl;
    }
    if (nachricht_.empty())
        return false;
    Sendepuffer.fill(0);
    uint8_t* p = Sendepuffer.data();
    setze_Wort(p, 0, 1);
    setze_Wort(p, 1, static_cast<int>(nachricht_.size()));
    int w = 2;
    for (const Tripel& t : nachricht_) {
        setze_Wort(p, w++, t.Id);
        setze_Wort(p, w++, t.Offset);
        setze_Wort(p, w++, t.Anzahl);
    }
    Befehl = Befehl_Lesen;
    Blockweise_lesen = true;
    Blockweise_senden = false;
    Sendelaenge = 2 * w;
    Antwortlaenge = Antwortgroesse;
    starten();
    return true;
}

void cl_Kommunikation::Antwort() {
    if (Befehl == Befehl_Schreiben)
        quittiere_Schreiben();
    else
        verarbeite_Lesedaten();
    sende_Ausstehendes();
}

void cl_Kommunikation::sende_Ausstehendes() {
    if (aktiv)
        return;
    if (Schreiben_ausstehend && sende_Schreibauftrag())
        return;
    sende_Leseauftrag();
}

void cl_Kommunikation::quittiere_Schreiben() {
    const std::vector<Tripel> gesendet = nachricht_;
    for (const Tripel& t : gesendet) {
        cl_Filetyp* f = liste_.suche_Code(t.Id);
        if (!f)
            continue;
        // A write asked again while this one was under way is still to go.
        if (f->Schreibstand_im_Flug == f->Schreibstand)
            f->Schreiben_ausstehend = false;
        f->Schreibstand_im_Flug = -1;
        InterAction_ausfuehren(*this, f->Nummer);
    }
    if (bereiche_)
        bereiche_->melde_geschrieben();
}

void cl_Kommunikation::lies_nochmals() {
    for (const Tripel& t : nachricht_) {
        cl_Filetyp* f = liste_.suche_Code(t.Id);
        if (!f)
            continue;
        const Wortbereich flug = f->Lesen_im_Flug;
        if (!f->Lesen_ausstehend) {
            f->Lesen_gefragt = flug;
        } else if (f->Lesen_gefragt.Offset == flug.Offset + flug.Anzahl) {
            // The rest of a split range waits: the lost part goes in front of it.
            f->Lesen_gefragt = {flug.Offset, flug.Anzahl + f->Lesen_gefragt.Anzahl};
        }
        f->Lesen_ausstehend = true;
    }
}

void cl_Kommunikation::verarbeite_Lesedaten() {
    const int bytes = std::clamp(Antwortlaenge, 0, Antwortgroesse);
    const auto wort = [this](int i) {
        return lies_Wort(&Antwortdaten[static_cast<size_t>(2 * i)]);
    };
    const int worte = bytes / 2;
    const int n = worte >= 2 ? wort(1) : 0;
    bool gueltig = n >= 1 && (n + 1) * 2 <= 1000 && 2 + 3 * n <= worte;
    // Every triple's words must lie within what arrived, or the words of one item would be
    // taken for another's.
    if (gueltig) {
        int summe = 2 + 3 * n;
        for (int k = 0; k < n; ++k)
            summe += wort(2 + 3 * k + 2);
        gueltig = summe <= worte;
    }
    if (!gueltig) {
        lies_nochmals();
        return;
    }

    int zeiger = 2 + 3 * n;
    int letzter_Bereich = -1;
    bool fertig_geworden = false;
    for (int k = 0; k < n; ++k) {
        const int id = wort(2 + 3 * k);
        const int offset = wort(2 + 3 * k + 1);
        const int anzahl = wort(2 + 3 * k + 2);
        cl_Filetyp* f = liste_.suche_Code(id);
        zeiger += anzahl;
        if (!f)
            continue;
        // Settled before anyone hears of the item: a handler may refill the directory.
        if (f->Sammellesen_offen && !f->Lesen_ausstehend) {
            f->Sammellesen_offen = false;
            fertig_geworden = true;
        }
        const int daten = zeiger - anzahl;
        if (f->Puffer) {
            const int gefragt = f->Lesen_im_Flug.Anzahl > 0 ? f->Lesen_im_Flug.Anzahl : anzahl;
            const int von = offset * 2;
            const int n_bytes =
                std::clamp(f->Puffergroesse - von, 0, std::min(gefragt, anzahl) * 2);
            if (n_bytes > 0)
                std::memcpy(f->Puffer + von, Antwortdaten.data() + 2 * daten,
                            static_cast<size_t>(n_bytes));
            InterAction_ausfuehren(*this, f->Nummer);
            continue;
        }
        if (!f->nicht_Sammel && bereiche_) {
            std::vector<uint16_t> w(static_cast<size_t>(anzahl));
            for (int i = 0; i < anzahl; ++i)
                w[static_cast<size_t>(i)] = wort(daten + i);
            bereiche_->schreibe_Bereich(id, offset, w.data(), anzahl);
            bereiche_->Bereich_uebernehmen(id);
        }
        letzter_Bereich = f->Nummer;
    }
    // The parameter-memory items of a message are announced once.
    if (letzter_Bereich >= 0)
        InterAction_ausfuehren(*this, letzter_Bereich);
    if (fertig_geworden) {
        bool offen = false;
        for (int i = 1; i < liste_.Anzahl(); ++i)
            offen = offen || liste_[i].Sammellesen_offen;
        if (!offen)
            InterAction_ausfuehren(*this, Parameter_gelesen);
    }
}
