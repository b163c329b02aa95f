#include "serial/SerSelCom.h"

#include "serial/SerMisc.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

TComSelectForm::TComSelectForm(QWidget* Parent) : QDialog(Parent) {
    setWindowTitle(QStringLiteral("Select Port"));
    setFixedSize(220, 131);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 201, 42);
    Label1 = new QLabel(QStringLiteral("The configured serial port is not valid."), this);
    Label1->move(18, 14);
    Label1->adjustSize();
    Label2 = new QLabel(QStringLiteral("Please choose another port."), this);
    Label2->move(18, 30);
    Label2->adjustSize();
    PortsComboBox = new QComboBox(this);
    PortsComboBox->setGeometry(8, 64, 201, PortsComboBox->sizeHint().height());
    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setGeometry(8, 95, 85, 27);
    OkBtn->setDefault(true);
    AbortBtn = new QPushButton(QStringLiteral("Cancel"), this);
    AbortBtn->setGeometry(124, 95, 85, 27);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(AbortBtn, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

void TComSelectForm::FormCreate() {
    for (int n = 1; n <= 50; ++n)
        if (IsPortAvailable(n))
            PortsComboBox->addItem(QStringLiteral("COM%1").arg(n));
    if (PortsComboBox->count() > 0)
        PortsComboBox->setCurrentIndex(0);
}

uint16_t TComSelectForm::SelectedComNum() const {
    bool ok = false;
    const int n = PortsComboBox->currentText().mid(3).toInt(&ok);
    return ok && n > 0 && n <= 0xFFFF ? static_cast<uint16_t>(n) : 0;
}
