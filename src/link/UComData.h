#pragma once

#include "base/UInterAction.h"
#include "link/UCOM.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
class cl_COM_Quorvel;
class cl_COM_data;

// The wait window a request may show while it runs, as the request sees it. The windows
// layer supplies the window (through the link's factory); closing it by the user stops the
// request it belongs to.
class Wartefenster {
public:
    virtual ~Wartefenster() = default;

    virtual void setze_Text(const QString& text) = 0;
    virtual QString Text() const = 0;
    // Shows the text, sized to it, at the main window's centre; does nothing while disabled.
    virtual void zeige() = 0;
    virtual void verberge() = 0;
    virtual bool sichtbar() const = 0;
    // Shows or hides the progress bar and clears the percentage.
    virtual void zeige_Fortschritt(bool an) = 0;
    // n from 0 to 1000.
    virtual void setze_Fortschritt(int n) = 0;
    virtual bool Fortschritt_sichtbar() const = 0;

    // Kept open when the request's answer arrives.
    bool offen_lassen = false;
    bool eingeschaltet = true;
};

// Makes the wait window of a request, with its first text and keep-open flag.
using Wartefenster_Fabrik = std::function<std::unique_ptr<Wartefenster>(
    cl_COM_data& anfrage, const QString& text, bool offenLassen)>;

// One kind of exchange with the ECU: created once, registered with the link for the whole
// run, started and stopped as often as needed. The scheduler sends it when it is due and
// calls Antwort after a complete, checked answer was copied in, or Timeout when the wait
// ended without one.
class cl_COM_data : public Sender {
public:
    static constexpr KlassenInfo Klasse{"cl_COM_data", nullptr};
    const KlassenInfo& klasse() const override { return Klasse; }

    // What a request's answer operations announce.
    static constexpr int Beantwortet = 1;
    static constexpr int Fehlgeschlagen = 2;

    cl_COM_data(cl_COM_Quorvel& link, uint8_t befehl, bool blockweiseLesen, bool blockweiseSenden,
                int timeoutMs, int sendelaenge, const uint8_t* sendedaten, int antwortlaenge,
                uint8_t* antwortpuffer);
    ~cl_COM_data() override;
    cl_COM_data(const cl_COM_data&) = delete;
    cl_COM_data& operator=(const cl_COM_data&) = delete;

    virtual void Antwort() {}
    virtual void Timeout() {}

    // Each start does nothing while the request is active.
    // Ahead of every other request.
    void sofort_starten();
    // Ahead of cyclic requests that fell due in the last 10 ticks.
    void starten();
    void starten_nach(int ms);
    // A negative period leaves the request inactive.
    void starten_zyklisch(int verzoegerungMs, int periodeMs);
    // Abandons the transfer when this request is in flight.
    void stoppen();

    void setze_Sendedaten(const uint8_t* daten) { Sendedaten = daten; }
    void setze_Antwortpuffer(uint8_t* puffer) { Antwortpuffer = puffer; }
    int hole_Timeout() const { return Timeout_ms; }

    // The wait window, made by the link's factory; each call does nothing while the request
    // has none (a link without windows makes none).
    void erzeuge_Meldung(const QString& text, bool offenLassen);
    void setze_Meldungstext(const QString& text);
    void zeige_Meldung();
    void verberge_Meldung();
    void Meldung_ein();
    void Meldung_aus();
    void zeige_Fortschritt(bool an);
    void setze_Fortschritt(int n);
    bool Fortschritt_sichtbar() const;
    Wartefenster* Meldung() const { return meldung_.get(); }

    cl_COM_Quorvel& link() const { return *link_; }

    uint8_t Befehl;
    bool Blockweise_lesen;
    bool Blockweise_senden;
    int Timeout_ms;
    int Sendelaenge;
    // After a block read, the bytes received.
    int Antwortlaenge;
    const uint8_t* Sendedaten;
    uint8_t* Antwortpuffer;
    bool aktiv = false;
    bool beantwortet = false;
    int Periode = -1; // ticks; -1 = one-shot
    int faellig = 0;  // tick
    bool Abbruch_bei_Timeout = false;
    bool neues_Blockformat = false;

private:
    friend class cl_COM_Quorvel;
    cl_COM_Quorvel* link_;
    std::unique_ptr<Wartefenster> meldung_;
};

// The one ECU link: the frame layer below, and above it the ring of registered requests,
// the 20 ms scheduler and the connection state.
class cl_COM_Quorvel : public clCOM, public Sender {
public:
    static constexpr KlassenInfo Klasse{"cl_COM_Quorvel", nullptr};
    const KlassenInfo& klasse() const override { return Klasse; }

    // The connection state's changes.
    static constexpr int Verbunden = 1;
    static constexpr int Getrennt = 2;

    static constexpr int Tickdauer_ms = 20;
    static constexpr int Fehlergrenze = 4;

    // The timer starts at once; tests switch it off and tick by hand.
    cl_COM_Quorvel(Registry& registry, Meldungen& meldungen);
    ~cl_COM_Quorvel() override;

    // Re-selects the stored port, now with the setup window's CAN settings.
    void erzeuge_COM();

    // Where the requests' wait windows come from; without a factory requests show none.
    void setze_Wartefenster_Fabrik(Wartefenster_Fabrik fabrik) { fabrik_ = std::move(fabrik); }

    void anmelden(cl_COM_data& anfrage);
    void abmelden(cl_COM_data& anfrage);

    void setze_Verbindung(bool an);
    bool ist_aktiv() const { return ist_enabled(); }
    bool ist_verbunden() const { return verbunden_; }
    void pruefe_Verbindung();
    // Forced disconnection.
    void trennen();
    void alle_stoppen();

    // While suspended the tick only polls CAN; the firmware programming owns the link.
    void setze_unterbrochen(bool an);
    bool ist_unterbrochen() const { return unterbrochen_; }

    // One tick of the scheduler; the timer calls it every 20 ms.
    void TimerTimer();
    void setze_Takt(bool an);
    bool Takt_laeuft() const;

    int Tick() const { return tick_; }
    int Fehlerzahl() const { return fehler_; }
    bool Pause() const { return pause_; }
    int Wartezaehler() const { return warten_; }
    cl_COM_data* aktuelle_Anfrage() const;
    const std::vector<cl_COM_data*>& Anfragen() const { return ring_; }

private:
    friend class cl_COM_data;
    void Schritt();
    bool naechste_Anfrage();
    void Fehlschlag(cl_COM_data& anfrage);
    void sende(cl_COM_data& anfrage);
    void zeige_Meldungen();
    // The serial port keeps received bytes for the tick while the tick polls it.
    void Takt_pruefen();

    std::vector<cl_COM_data*> ring_;
    int aktuell_ = -1;
    std::unique_ptr<QTimer> timer_;
    int tick_ = 0;
    int warten_ = 0;
    bool pause_ = false;
    int fehler_ = 0;
    bool verbunden_ = false;
    bool unterbrochen_ = false;
    // A frame of the current request is out and its exchange not yet settled.
    bool im_Flug_ = false;
    // Messages of a tick, shown once the tick is over.
    QStringList tickmeldungen_;
    Wartefenster_Fabrik fabrik_;
};
