#include "windows/UBluetooth.h"

#include "base/Uglobal.h"
#include "windows/Kontext.h"

#include <QLabel>
#include <QTimer>

TForm_Bluetooth::TForm_Bluetooth(Kontext& kontext)
    : TForm(QStringLiteral("Bluetooth")), k(kontext),
      relais_(std::make_unique<cl_Relais>(k.ecu_Befehle(), k.weitere_Anfragen(), k.version(),
                                          k.meldungen(), [] { return glob().Pfad_Sprache; })) {
    Label1 = new QLabel(this);
    Label1->setGeometry(8, 8, 120, 20);
    relais_->zeige_Befehl = [this](int befehl) { Label1->setText(QString::number(befehl)); };
    Timer = new QTimer(this);
    Timer->setInterval(cl_Relais::Takt_ms);
    connect(Timer, &QTimer::timeout, this, [this] { relais_->TimerTimer(); });
    Timer->start();
}

TForm_Bluetooth::~TForm_Bluetooth() = default;
