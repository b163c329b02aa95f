#include "windows/service/UBootUpdate.h"

#include "base/Uglobal.h"
#include "model/UBefehle.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

TForm_Boot_update::TForm_Boot_update(Kontext& kontext)
    : TForm(QStringLiteral("Boot Update")), k(kontext),
      nachricht_(std::make_unique<Meldung_nach_Tick>(k.meldungen())) {
    setWindowTitle(QStringLiteral("Boot Update"));
    ColorButton_update = new TColorButton(QStringLiteral("start bootloader update"), this);
    ColorButton_update->setGeometry(16, 16, 200, 32);
    setFixedSize(232, 64);
    connect(ColorButton_update, &QPushButton::clicked, this, [this] { ColorButton_updateClick(); });
    InterAction().Create(
        cl_Bootloader_update::Klasse,
        [this](Sender& s) {
            if (auto* b = dynamic_cast<cl_Bootloader_update*>(&s))
                zeige_Ergebnis(b->Status());
        },
        cl_COM_data::Beantwortet);
    Form_auf_Bildschirm(*this);
}

TForm_Boot_update::~TForm_Boot_update() = default;

int TForm_Boot_update::Text_zu_Status(int16_t status) {
    switch (status) {
    case -2:
        return 742;
    case -1:
        return 743;
    case 1:
        return 744;
    case 2:
        return 745;
    default:
        return 746;
    }
}

void TForm_Boot_update::ColorButton_updateClick() {
    // The command requests exist from the main window's first showing on.
    if (Befehlsobjekte* b = k.befehle())
        b->Bootloader_update->starten();
}

void TForm_Boot_update::zeige_Ergebnis(int16_t status) {
    nachricht_->zeige(hole_Text(Text_zu_Status(status)));
}
