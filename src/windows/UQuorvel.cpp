#include "windows/UQuorvel.h"

#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "link/UComData.h"
#include "model/UQuorveldata.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr QLatin1String Eintrag_RS485("COM4 (RS485)");

} // namespace

TForm_Quorvel::TForm_Quorvel(Kontext& kontext) : TForm(QStringLiteral("Main")), k(kontext) {
    resize(514, 398);

    GroupBox_Quorvel = new QGroupBox(this);
    GroupBox_Quorvel->setGeometry(8, 16, 393, 249);

    const auto zeile = [this](int y, int text, bool mitWert = true) {
        auto* kopf = new QLabel(GroupBox_Quorvel);
        kopf->move(16, y);
        QLabel* wert = nullptr;
        if (mitWert) {
            wert = new QLabel(GroupBox_Quorvel);
            wert->move(144, y);
        }
        zeilen_.push_back({kopf, wert, text});
        return wert ? wert : kopf;
    };
    Label_Motorname = zeile(24, 60);
    Label_Kopf_Version = zeile(48, 61, false);
    QFont fett = Label_Kopf_Version->font();
    fett.setBold(true);
    Label_Kopf_Version->setFont(fett);
    Label_Version = zeile(64, 601);
    Label_Datenversion = zeile(80, 602);
    Label_Seriennummer = zeile(128, 67);
    Label_Quorvel_Typ = zeile(144, 68);
    Label_Hersteller = zeile(160, 69);
    Label_Typnummer = zeile(176, 531);
    Label_Hardware_Typ = zeile(208, 532);
    Label_Bootloader_Nr = zeile(224, 533);

    Panel_COM = new QFrame(this);
    static_cast<QFrame*>(Panel_COM)->setFrameShape(QFrame::StyledPanel);
    Panel_COM->setGeometry(8, 280, 393, 41);
    ComboBox_Comport = new QComboBox(Panel_COM);
    ComboBox_Comport->setEditable(true);
    ComboBox_Comport->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_Comport->setGeometry(8, 9, 105, 24);
    CheckBox_Online = new QCheckBox(Panel_COM);
    CheckBox_Online->move(128, 12);
    Label_Verbindung_aktiv = new QLabel(Panel_COM);
    Label_Verbindung_aktiv->move(232, 13);

    // FormCreate: the link stays off until the first showing.
    cl_COM_Quorvel& link = k.link();
    link.setze_Verbindung(false);

    // Every port that can be opened; the stored one is named even when it cannot.
    ComboBox_Comport->clear();
    ComboBox_Comport->addItem(QStringLiteral("CAN"));
    for (int n = 1; n <= 99; ++n) {
        const QString s = QStringLiteral("COM") + QString::number(n);
        if (glob().COM_Nr == n)
            ComboBox_Comport->setEditText(s);
        if (link.Port_testen(n))
            ComboBox_Comport->addItem(s);
    }

    Form_auf_Bildschirm(*this);

    InterAction().Create(
        cl_Version::Klasse, [this](Sender&) { zeige_ECU_Daten(); }, cl_Version::Beantwortet);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Verbindung_aktiv(); }, cl_COM_Quorvel::Verbunden);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Verbindung_inaktiv(); },
        cl_COM_Quorvel::Getrennt);

    connect(CheckBox_Online, &QCheckBox::clicked, this, [this] { CheckBox_OnlineClick(); });
    connect(ComboBox_Comport, &QComboBox::activated, this, [this] { ComboBox_ComportChange(); });
    connect(ComboBox_Comport->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // A typed port counts once it is confirmed, not at every keystroke.
        if (ComboBox_Comport->lineEdit()->isModified()) {
            ComboBox_Comport->lineEdit()->setModified(false);
            ComboBox_ComportChange();
        }
    });
}

void TForm_Quorvel::setze_Beschriftungen() {
    setWindowTitle(hole_Text(1));
    for (const Zeile& z : zeilen_) {
        z.kopf->setText(hole_Text(z.text));
        z.kopf->adjustSize();
    }
    CheckBox_Online->setText(hole_Text(62));
    CheckBox_Online->adjustSize();
    Label_Verbindung_aktiv->setText(hole_Text(64));
    Label_Verbindung_aktiv->adjustSize();
}

void TForm_Quorvel::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (gezeigt_)
        return;
    gezeigt_ = true;
    FormShow();
}

void TForm_Quorvel::FormShow() {
    setze_Beschriftungen();
    cl_COM_Quorvel& link = k.link();
    // The stored port again, now with the setup window's CAN settings.
    link.erzeuge_COM();
    zeige_Motorname();
    move(0, 0);
    k.erzeuge_Dateiversion();
    k.version().sofort_starten();

    const int com = glob().COM_Nr;
    ComboBox_Comport->setCurrentIndex(0);
    for (int i = 0; i < ComboBox_Comport->count(); ++i) {
        const QString eintrag = ComboBox_Comport->itemText(i);
        if ((com == 44 && eintrag == Eintrag_RS485) || Portnummer(eintrag) == com) {
            ComboBox_Comport->setCurrentIndex(i);
            break;
        }
    }

    CheckBox_Online->setChecked(true);
    CheckBox_OnlineClick();
    if (link.ist_aktiv())
        Verbindung_aktiv();
    else
        Verbindung_inaktiv();
    zeige_ECU_Daten();
}

void TForm_Quorvel::closeEvent(QCloseEvent* event) {
    event->accept();
    k.beende(0);
}

int TForm_Quorvel::Portnummer(const QString& eintrag) {
    const QString ziffern = eintrag.mid(3, 2);
    int n = 0;
    for (const QChar c : ziffern) {
        if (c < '0' || c > '9')
            break;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

void TForm_Quorvel::CheckBox_OnlineClick() {
    k.link().setze_Verbindung(CheckBox_Online->isChecked());
}

void TForm_Quorvel::ComboBox_ComportChange() {
    const QString t = ComboBox_Comport->currentText();
    int n = 1;
    if (t.size() < 6 && t.startsWith(QLatin1String("COM"))) {
        n = Portnummer(t);
    } else if (t == QLatin1String("CAN")) {
        n = 0;
    } else if (t == Eintrag_RS485) {
        n = 44;
    } else {
        ComboBox_Comport->setEditText(QStringLiteral("COM1"));
    }
    cl_COM_Quorvel& link = k.link();
    link.waehle_Port(n, CheckBox_Online->isChecked(), true);
    // A port that failed to open leaves the link off: say so. One that opens after such a
    // failure is switched on again, as the check box still says online.
    if (CheckBox_Online->isChecked() && link.ist_Port_offen() && !link.ist_aktiv())
        link.setze_Verbindung(true);
    else
        link.pruefe_Verbindung();
    glob().COM_Nr = n;
}

void TForm_Quorvel::Verbindung_aktiv() {
    Label_Verbindung_aktiv->setText(hole_Text(63));
    Label_Verbindung_aktiv->adjustSize();
    if (aktualisiere_Menues)
        aktualisiere_Menues();
}

void TForm_Quorvel::Verbindung_inaktiv() {
    Label_Verbindung_aktiv->setText(hole_Text(64));
    Label_Verbindung_aktiv->adjustSize();
    repaint();
    if (aktualisiere_Menues)
        aktualisiere_Menues();
}

void TForm_Quorvel::zeige_Motorname() {
    Label_Motorname->setText(k.motordaten().Motorname());
    Label_Motorname->adjustSize();
}

void TForm_Quorvel::zeige_Zeile(QLabel* wert, bool an) {
    for (const Zeile& z : zeilen_)
        if (z.wert == wert) {
            z.kopf->setVisible(an);
            z.wert->setVisible(an);
        }
}

bool TForm_Quorvel::Zeile_sichtbar(const QLabel* wert) const {
    return !wert->isHidden();
}

QString TForm_Quorvel::Versionstext(unsigned version, unsigned revision, const QString& datum) {
    return cl_Version::Versionsnummer(version) + QStringLiteral(" Rev.: ") +
           QString::number(revision) + QStringLiteral(", ") + datum;
}

void TForm_Quorvel::zeige_ECU_Daten() {
    cl_Version* v = &k.version();
    const bool alt = v->ECU_Typ() <= 1 && v->Typnummer() <= 1;
    const unsigned version = v->Version();

    if (version < 500 && alt) {
        for (QLabel* l : {Label_Datenversion, Label_Seriennummer, Label_Quorvel_Typ,
                          Label_Hersteller, Label_Typnummer})
            zeige_Zeile(l, false);
    } else {
        for (QLabel* l : {Label_Seriennummer, Label_Quorvel_Typ, Label_Hersteller, Label_Typnummer})
            zeige_Zeile(l, true);
        if (v->Datenelement_Protokoll && Datenversion_Datenelemente) {
            zeige_Zeile(Label_Datenversion, true);
            Label_Datenversion->setText(Datenversion_Datenelemente());
        } else if (version < 502 && alt) {
            zeige_Zeile(Label_Datenversion, false);
        } else {
            zeige_Zeile(Label_Datenversion, true);
            Label_Datenversion->setText(QString::number(v->Datenversion_Haupt()) + '.' +
                                        QString::number(v->Datenversion_Neben()));
        }
        Label_Seriennummer->setText(QString::number(v->Seriennummer()));
        Label_Quorvel_Typ->setText(ECU_Typ_Name(v->ECU_Typ()));
        Label_Hersteller->setText(v->Hersteller_Name());
        Label_Typnummer->setText(QString::number(v->Typnummer()));

        if (version < 505 && alt) {
            zeige_Zeile(Label_Hardware_Typ, false);
            zeige_Zeile(Label_Bootloader_Nr, false);
        } else {
            zeige_Zeile(Label_Hardware_Typ, true);
            zeige_Zeile(Label_Bootloader_Nr, true);
            Label_Hardware_Typ->setText(QString::number(v->Hardware_Haupt()) + '-' +
                                        QString::number(v->Hardware_Neben()));
            Label_Bootloader_Nr->setText(QString::number(v->Bootloader_Nr()));
        }
    }

    // Version 1 stands for 1.03, and every later reader sees it so.
    if (v->Version() == 1)
        v->setze_Version(103, 0);
    v->Versionstext = Versionstext(v->Version(), v->Revision(), v->Datum());
    Label_Version->setText(v->Versionstext);

    for (QLabel* l : GroupBox_Quorvel->findChildren<QLabel*>())
        l->adjustSize();
    if (aktualisiere_Menues)
        aktualisiere_Menues();
}
