#include "link/UComData.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "serial/SerPort.h"

#include <QTimer>
#include <algorithm>

// ---------------------------------------------------------------- cl_COM_data

cl_COM_data::cl_COM_data(cl_COM_Quorvel& link, uint8_t befehl, bool blockweiseLesen,
                         bool blockweiseSenden, int timeoutMs, int sendelaenge,
                         const uint8_t* sendedaten, int antwortlaenge, uint8_t* antwortpuffer)
    : Befehl(befehl), Blockweise_lesen(blockweiseLesen), Blockweise_senden(blockweiseSenden),
      Timeout_ms(timeoutMs), Sendelaenge(sendelaenge), Antwortlaenge(antwortlaenge),
      Sendedaten(sendedaten), Antwortpuffer(antwortpuffer), link_(&link) {
    link.anmelden(*this);
}

cl_COM_data::~cl_COM_data() {
    if (link_)
        link_->abmelden(*this);
}

void cl_COM_data::sofort_starten() {
    if (aktiv)
        return;
    beantwortet = false;
    aktiv = true;
    Periode = -1;
    faellig = -100;
}

void cl_COM_data::starten() {
    if (aktiv)
        return;
    beantwortet = false;
    aktiv = true;
    Periode = -1;
    const int tick = link_->Tick();
    faellig = tick < 11 ? tick : tick - 10;
}

void cl_COM_data::starten_nach(int ms) {
    if (aktiv)
        return;
    beantwortet = false;
    aktiv = true;
    Periode = -1;
    faellig = link_->Tick() + ms / cl_COM_Quorvel::Tickdauer_ms;
}

void cl_COM_data::starten_zyklisch(int verzoegerungMs, int periodeMs) {
    if (aktiv)
        return;
    beantwortet = false;
    Periode = periodeMs / cl_COM_Quorvel::Tickdauer_ms;
    if (Periode < 0)
        return;
    aktiv = true;
    faellig = link_->Tick() + verzoegerungMs / cl_COM_Quorvel::Tickdauer_ms;
}

void cl_COM_data::stoppen() {
    aktiv = false;
    if (link_ && link_->aktuelle_Anfrage() == this) {
        link_->abbrechen();
        link_->im_Flug_ = false;
    }
}

void cl_COM_data::erzeuge_Meldung(const QString& text, bool offenLassen) {
    if (link_ && link_->fabrik_)
        meldung_ = link_->fabrik_(*this, text, offenLassen);
}

void cl_COM_data::setze_Meldungstext(const QString& text) {
    if (meldung_)
        meldung_->setze_Text(text);
}

void cl_COM_data::zeige_Meldung() {
    if (meldung_)
        meldung_->zeige();
}

void cl_COM_data::verberge_Meldung() {
    if (meldung_)
        meldung_->verberge();
}

void cl_COM_data::Meldung_ein() {
    if (meldung_)
        meldung_->eingeschaltet = true;
}

void cl_COM_data::Meldung_aus() {
    if (meldung_)
        meldung_->eingeschaltet = false;
}

void cl_COM_data::zeige_Fortschritt(bool an) {
    if (meldung_)
        meldung_->zeige_Fortschritt(an);
}

void cl_COM_data::setze_Fortschritt(int n) {
    if (meldung_)
        meldung_->setze_Fortschritt(n);
}

bool cl_COM_data::Fortschritt_sichtbar() const {
    return meldung_ && meldung_->Fortschritt_sichtbar();
}

// ---------------------------------------------------------------- cl_COM_Quorvel

cl_COM_Quorvel::cl_COM_Quorvel(Registry& registry, Meldungen& meldungen)
    : clCOM(registry, meldungen), timer_(std::make_unique<QTimer>()) {
    timer_->setInterval(Tickdauer_ms);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { TimerTimer(); });
    timer_->start();
    Takt_pruefen();
}

cl_COM_Quorvel::~cl_COM_Quorvel() {
    timer_->stop();
    for (cl_COM_data* r : ring_)
        r->link_ = nullptr;
}

void cl_COM_Quorvel::erzeuge_COM() {
    waehle_Port(glob().COM_Nr, true, false);
}

void cl_COM_Quorvel::anmelden(cl_COM_data& anfrage) {
    abmelden(anfrage);
    ring_.push_back(&anfrage);
}

void cl_COM_Quorvel::abmelden(cl_COM_data& anfrage) {
    const auto it = std::find(ring_.begin(), ring_.end(), &anfrage);
    if (it == ring_.end())
        return;
    const int index = static_cast<int>(it - ring_.begin());
    if (index == aktuell_) {
        // Its exchange is abandoned with it: a wait nobody ends would hold the link.
        if (im_Flug_ && wartet())
            abbrechen();
        aktuell_ = -1;
        im_Flug_ = false;
    } else if (index < aktuell_) {
        --aktuell_;
    }
    ring_.erase(it);
}

cl_COM_data* cl_COM_Quorvel::aktuelle_Anfrage() const {
    return aktuell_ >= 0 ? ring_[static_cast<size_t>(aktuell_)] : nullptr;
}

void cl_COM_Quorvel::setze_Verbindung(bool an) {
    setze_aktiv(an);
    pruefe_Verbindung();
}

void cl_COM_Quorvel::pruefe_Verbindung() {
    const bool jetzt = ist_enabled() && fehler_ < Fehlergrenze;
    if (jetzt && !verbunden_) {
        verbunden_ = true;
        InterAction_ausfuehren(*this, Verbunden);
    } else if (!jetzt && verbunden_) {
        verbunden_ = false;
        alle_stoppen();
        InterAction_ausfuehren(*this, Getrennt);
    }
}

void cl_COM_Quorvel::trennen() {
    fehler_ = Fehlergrenze;
    pruefe_Verbindung();
}

void cl_COM_Quorvel::alle_stoppen() {
    Reset_Empfang();
    // A block transfer keeps its wait through a receiver reset; with its request stopped
    // nothing would ever end that wait, and the link would send nothing again.
    if (wartet())
        abbrechen();
    im_Flug_ = false;
    for (cl_COM_data* r : ring_) {
        r->aktiv = false;
        r->Periode = -1;
    }
}

void cl_COM_Quorvel::setze_Takt(bool an) {
    if (an)
        timer_->start();
    else
        timer_->stop();
    Takt_pruefen();
}

void cl_COM_Quorvel::setze_unterbrochen(bool an) {
    unterbrochen_ = an;
    Takt_pruefen();
}

void cl_COM_Quorvel::Takt_pruefen() {
    // Suspended, the tick polls nothing; stopped, it does not come.
    Takt_liest_ = timer_->isActive() && !unterbrochen_;
    passe_Zustellung_an();
}

bool cl_COM_Quorvel::Takt_laeuft() const {
    return timer_->isActive();
}

void cl_COM_Quorvel::TimerTimer() {
    if (oeffnet_CAN())
        return;
    if (unterbrochen_) {
        // The boot loader dialogue owns the net: its replies are read on the dialogue's own
        // port, and the link's handle is only kept from filling up.
        if (ist_CAN_Modus())
            lies_CAN_verwerfen();
        return;
    }
    if (ist_CAN_Modus())
        lies_CAN();
    if (Serport && Serport->Open())
        Serport->PollDispatcher();
    ++tick_;
    if (ist_enabled() && !ring_.empty())
        Schritt();
    zeige_Meldungen();
}

void cl_COM_Quorvel::Schritt() {
    cl_COM_data* r = aktuelle_Anfrage();

    if (Empfangsfehler()) {
        setze_Empfangsfehler(false);
        // The receiver threw the exchange away (an answer with the wrong command byte, or
        // one that overran the buffer): that is a failed exchange, not a reason to send
        // again at once, or an ECU that always answers wrongly would never be disconnected.
        if (im_Flug_ && !wartet() && r && r->aktiv) {
            Fehlschlag(*r);
            return;
        }
        pause_ = true;
    }

    if (pause_) {
        if (warten_ > 0) {
            --warten_;
            return;
        }
        pause_ = false;
    }

    if (wartet() && r && r->aktiv) {
        if (pruefe_Antwort(warten_)) {
            if (!hole_Antwort(r->Befehl, r->Antwortlaenge, r->Antwortpuffer))
                return; // refused: it runs into its time-out
            im_Flug_ = false;
            r->beantwortet = true;
            fehler_ = 0;
            pruefe_Verbindung();
            // Settled before the answer operation runs, so that it can start the request
            // (or a chain) again.
            if (r->Periode >= 0)
                r->faellig = tick_ + r->Periode;
            else
                r->aktiv = false;
            r->Antwort();
            if (r->meldung_ && !r->meldung_->offen_lassen)
                r->verberge_Meldung();
        } else if (warten_ == 0) {
            Fehlschlag(*r);
            return;
        }
    }

    if (!wartet() && naechste_Anfrage())
        sende(*aktuelle_Anfrage());
}

void cl_COM_Quorvel::Fehlschlag(cl_COM_data& r) {
    im_Flug_ = false;
    ++fehler_;
    pruefe_Verbindung();
    pause_ = true;
    warten_ = r.Timeout_ms / Tickdauer_ms;
    if (r.Abbruch_bei_Timeout) {
        r.aktiv = false;
        abbrechen();
        r.verberge_Meldung();
        // Shown after the tick: a modal box inside it would hold the whole link.
        tickmeldungen_.append(hole_Text(89));
    } else {
        r.faellig = tick_;
    }
    r.Timeout();
}

void cl_COM_Quorvel::sende(cl_COM_data& r) {
    if (r.meldung_ && r.meldung_->eingeschaltet)
        r.zeige_Meldung();
    if (r.Blockweise_lesen)
        starte_Blockempfang(r.Befehl, r.Sendelaenge, r.Sendedaten, r.neues_Blockformat,
                            r.Antwortlaenge);
    else
        sende_Anfrage(r.Befehl, r.Sendelaenge, r.Blockweise_senden, r.Sendedaten);
    warten_ = r.Timeout_ms / Tickdauer_ms;
    im_Flug_ = wartet();
}

bool cl_COM_Quorvel::naechste_Anfrage() {
    const int n = static_cast<int>(ring_.size());
    if (n == 0)
        return false;
    // Without a current node the walk starts after the anchor, the last node.
    const int start = aktuell_ >= 0 ? aktuell_ : n - 1;
    int bester = -1;
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        const cl_COM_data* r = ring_[static_cast<size_t>(i)];
        if (!r->aktiv || tick_ < r->faellig)
            continue;
        if (bester < 0 || r->faellig < ring_[static_cast<size_t>(bester)]->faellig)
            bester = i;
    }
    if (bester < 0)
        return false;
    aktuell_ = bester;
    return true;
}

void cl_COM_Quorvel::zeige_Meldungen() {
    if (tickmeldungen_.isEmpty())
        return;
    const QStringList texte = std::exchange(tickmeldungen_, {});
    for (const QString& t : texte)
        meldungen().zeige(t);
}
