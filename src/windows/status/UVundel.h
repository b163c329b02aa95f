#pragma once

#include "windows/status/Variantenansicht.h"

// What the two customer engine panels have in common: the main and A records, the aux memo,
// and that they act only for their own manufacturer.
class Motorpanel_Logik {
public:
    Anzeige A;
    QStringList Memo;

    // The main record; true when the engine is in manual mode, where the pending manual
    // injection-time change goes out.
    bool zeige_akt_Daten(const Identitaet& id, const Satz& L);
    void zeige_akt_Daten_A(const Identitaet& id, const Satz& Ad, const Satz& L);
    void zeige_Aux_Daten(const Identitaet& id, const Satz& aux);

protected:
    Motorpanel_Logik(int hersteller, bool pilmot) : hersteller_(hersteller), pilmot_(pilmot) {}
    bool meins(const Identitaet& id) const { return id.Hersteller == hersteller_; }
    void zeige_Temperaturstatus(const Satz& V, int zeilen);

private:
    int hersteller_;
    bool pilmot_;
};

class Vundel_Logik : public Motorpanel_Logik {
public:
    static constexpr int Hersteller = 9;
    Vundel_Logik() : Motorpanel_Logik(Hersteller, false) {}
    void zeige_Vundel_Daten(const Identitaet& id, const Satz& V, const Satz& Ad, const Satz& L,
                            const Parameterwert& P, bool Vundel_CWI);
    void zeige_Datenversion(const Identitaet& id, const Parameterwert& P);
};

// The two panels' windows: a caption each, and the memo with the "/T" switch.
class TForm_Motorpanel : public TForm_Variante {
    Q_OBJECT
protected:
    TForm_Motorpanel(Kontext& kontext, const QString& hilfethema);
    // The cylinder-temperature rows: heading, value, unit, status bits and voltage.
    QGroupBox* neue_Temperaturgruppe(const QString& titel, int links, int& oben, int breite,
                                     int zeilen);
    // Sends the pending manual injection-time change.
    void sende_Handeinspritzung();
};

class TForm_Vundel : public TForm_Motorpanel {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Vundel, &TForm::Klasse)
    explicit TForm_Vundel(Kontext& kontext);
    Vundel_Logik Logik;

private:
    void aktualisiere();
};
