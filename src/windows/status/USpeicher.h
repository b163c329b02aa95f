#pragma once

#include "windows/TForm.h"
#include "windows/status/Anzeigetafel.h"

#include <memory>

class QTimer;
class Kontext;
class cl_Speicher_Daten;

// The memory window's texts: a memory's answer, and the values every answer refreshes from the
// live records.
namespace Speicher_Logik {
// The three labels of the memory the command (6 RAM, 7 flash 0, 8 flash 1) asked about.
Anzeigewerte Speicherwerte(uint8_t befehl, const Satz& antwort);
// Revolutions, operating time, errors, flash saving and logger records: from records A and L,
// on a diesel ECU (type 5) from its record DA, which has no flash-saving flag.
Anzeigewerte Gemeinsame_Werte(int ecu_typ, const Satz& a, const Satz& l, const Satz& da);
} // namespace Speicher_Logik

// The memory status: the three data memories scanned over and over while the window is shown.
class TForm_Speicher : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Speicher, &TForm::Klasse)
    explicit TForm_Speicher(Kontext& kontext);
    ~TForm_Speicher() override;

    cl_Speicher_Daten& Anfrage() { return *Speicher_Daten; }

    Wertetafel Tafel;
    QTimer* Timer_Speicher = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void zeige_Speicher(uint8_t befehl);

    Kontext& k;
    std::unique_ptr<cl_Speicher_Daten> Speicher_Daten;
};
