#pragma once

#include "model/URelais.h"
#include "windows/TForm.h"

#include <memory>

class QLabel;
class QTimer;
class Kontext;

// The relay's window: never shown, it holds the relay for the whole run, its 100 ms timer
// and the label with the last command received. The setup window switches the relay's port.
class TForm_Bluetooth : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Bluetooth, &TForm::Klasse)

    explicit TForm_Bluetooth(Kontext& kontext);
    ~TForm_Bluetooth() override;

    bool Relais_oeffnen(int port, bool an) { return relais_->Relais_oeffnen(port, an); }
    cl_Relais& Relais() { return *relais_; }

    QLabel* Label1 = nullptr;
    QTimer* Timer = nullptr;

private:
    Kontext& k;
    std::unique_ptr<cl_Relais> relais_;
};
