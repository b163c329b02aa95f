#include "windows/UQuorvel.h"

#include "base/Inidatei.h"
#include "base/Meldungen.h"
#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "link/UComData.h"
#include "link/UKommunikation.h"
#include "model/UBefehle.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "platform/Dateien.h"
#include "platform/Shell.h"
#include "windows/Fensterhilfe.h"
#include "windows/Hauptmenue.h"
#include "windows/Kontext.h"
#include "windows/UMotorname.h"
#include "windows/UPasswort.h"
#include "windows/maps/UKennfeldfenster.h"
#include "windows/maps/UKennfeldmenue.h"
#include "windows/service/UExport.h"
#include "windows/service/UFehler.h"
#include "windows/service/UFehlerdef.h"
#include "windows/service/UKopieren.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

namespace {

constexpr QLatin1String Eintrag_RS485("COM4 (RS485)");

// The data item numbered 272 (its notifications carry the item number as event).
constexpr int Element_272 = 272;

// The windows whose places the layout file keeps, by section, before and after the maps.
struct Lageabschnitt {
    const char* Abschnitt;
    const char* Fenster;
};
constexpr Lageabschnitt Lagen_vor_Kennfeldern[] = {
    {"Backup", "TForm_Kopieren"},
    {"Settings", "TForm_Einstellwerte"},
    {"Status", "TForm_Status"},
    {"Memory", "TForm_Speicher"},
};
constexpr Lageabschnitt Lagen_nach_Kennfeldern[] = {
    {"Ignition", "TForm_Zuendung"}, {"Test n", "TForm_Test_Drehzahl"},
    {"Power", "TForm_Leistung"},    {"Test Valve", "TForm_Test_Duese"},
    {"Error", "TForm_Fehler"},
};
// The map whose window keeps no place in the layout file.
constexpr int Kennfeld_ohne_Lage = 210;

void aktiviere(QWidget* fenster) {
    fenster->raise();
    fenster->activateWindow();
}

} // namespace

TForm_Quorvel::TForm_Quorvel(Kontext& kontext) : TForm(QStringLiteral("Main")), k(kontext) {
    QWidget* client = erstelle_Hauptmenue();
    // The design's 514 x 398 is the outer size: frame, caption and menu bar included.
    resize(506, 347 + MainMenu->sizeHint().height());

    GroupBox_Quorvel = new QGroupBox(client);
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

    Panel_COM = new QFrame(client);
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

    // The built-in maps, whose windows follow this one in the window list; the maps menu
    // shows the offered ones.
    {
        Kennfeldfenster_Fabrik katalog(k, this);
        k.kennfelder().erzeuge_Kennfelder(katalog);
    }
    kennfeldmenue_ = std::make_unique<Kennfeldmenue>(
        k.kennfelder(), [this] { return findChild<QMenu*>(QStringLiteral("Kennfelder")); });
    k.kennfelder().setze_Menue(kennfeldmenue_.get());

    Form_auf_Bildschirm(*this);

    InterAction().Create(
        cl_Version::Klasse, [this](Sender&) { zeige_ECU_Daten(); }, cl_Version::Beantwortet);
    InterAction().Create(
        cl_Kommunikation::Klasse, [this](Sender&) { zeige_ECU_Daten(); }, Element_272);
    // Written parameters may change the variant; a read changes only the data line (below).
    InterAction().Create(
        cl_Parameter::Klasse, [this](Sender&) { zeige_ECU_Daten(); }, cl_Parameter::Geschrieben);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Verbindung_aktiv(); }, cl_COM_Quorvel::Verbunden);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Verbindung_inaktiv(); },
        cl_COM_Quorvel::Getrennt);
    // An ECU on data items names its data version in parameters: the line follows their
    // reading, which comes after the identity answer has emptied them.
    InterAction().Create(
        cl_Parameter::Klasse, [this](Sender&) { zeige_Datenversion(); }, cl_Parameter::Gelesen);

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

TForm_Quorvel::~TForm_Quorvel() {
    k.kennfelder().setze_Menue(nullptr);
}

void TForm_Quorvel::setze_Beschriftungen() {
    setWindowTitle(hole_Text(1));
    beschrifte_Hauptmenue();
    passe_Breite_an_Menue();
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
    k.kennfelder().erstelle_Kennfeldliste();
    k.parameter().lade_Definitionen();
    setze_Beschriftungen();
    for (const auto& [nr, text] : {std::pair{63, 1071}, {89, 1204}, {90, 1205}, {210, 1254}})
        if (cl_Kennfeld* kf = k.kennfelder().Katalogkennfeld(nr))
            if (auto* fenster = dynamic_cast<TForm_Kennfeld*>(kf->Ansicht()))
                fenster->setWindowTitle(hole_Text(text));
    cl_COM_Quorvel& link = k.link();
    k.erzeuge_Befehle();
    // The stored port again, now with the setup window's CAN settings.
    link.erzeuge_COM();
    zeige_Motorname();
    move(0, 0);
    k.erzeuge_Dateiversion();
    if (!Form_Kopieren_Druck)
        Form_Kopieren_Druck =
            static_cast<TForm_Kopieren*>(&k.nimm_Fenster(std::make_unique<TForm_Kopieren>(k)));
    k.version().sofort_starten();

    const int com = glob().COM_Nr;
    int eintrag_Nr = -1;
    for (int i = 0; i < ComboBox_Comport->count(); ++i) {
        const QString eintrag = ComboBox_Comport->itemText(i);
        if ((com == 44 && eintrag == Eintrag_RS485) || Portnummer(eintrag) == com) {
            eintrag_Nr = i;
            break;
        }
    }
    if (eintrag_Nr >= 0 || com <= 0) {
        ComboBox_Comport->setCurrentIndex(std::max(eintrag_Nr, 0));
    } else {
        // The port in use is missing (an unplugged adapter): the box names it all the same,
        // as the list named it, rather than an entry the link does not use.
        ComboBox_Comport->setCurrentIndex(-1);
        ComboBox_Comport->setEditText(com == 44 ? QString(Eintrag_RS485)
                                                : QStringLiteral("COM") + QString::number(com));
    }

    CheckBox_Online->setChecked(true);
    CheckBox_OnlineClick();
    if (link.ist_aktiv())
        Verbindung_aktiv();
    else
        Verbindung_inaktiv();
    aktualisiere_Menues();
    zeige_ECU_Daten();
}

void TForm_Quorvel::closeEvent(QCloseEvent* event) {
    event->accept();
    speichere_Start_INI();
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
    aktualisiere_Menues();
}

void TForm_Quorvel::Verbindung_inaktiv() {
    Label_Verbindung_aktiv->setText(hole_Text(64));
    Label_Verbindung_aktiv->adjustSize();
    repaint();
    k.passwort_OK().setze_akzeptiert(1);
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

Kennung TForm_Quorvel::Kennung_ECU() const {
    const cl_Version& v = k.version();
    return {v.ECU_Typ(), v.Hersteller(), v.Typnummer(), v.Version()};
}

TForm* TForm_Quorvel::Fenster_namens(const char* klasse) const {
    for (TForm* f : k.Fenster())
        if (std::strcmp(f->klasse().name, klasse) == 0)
            return f;
    return nullptr;
}

void TForm_Quorvel::wende_Fensterregeln_an() {
    for (const Fensterregel& r : Variantenregeln::Fenster(Kennung_ECU())) {
        TForm* f = Fenster_namens(r.Fenster);
        if (f && r.sichtbar)
            f->setVisible(*r.sichtbar);
        if (r.Menuepunkt) {
            // The item takes its window's visibility; without the window, the rule's.
            const std::optional<bool> sichtbar = f ? std::optional(f->isVisible()) : r.sichtbar;
            if (sichtbar)
                menuepunkte_[QString::fromLatin1(r.Menuepunkt)].sichtbar = sichtbar;
        }
        if (r.Fokus_danach)
            for (const char* name : {"TForm_Setup", "TForm_Sicherheitstext"})
                if (TForm* fokus = Fenster_namens(name); fokus && fokus->isVisible())
                    aktiviere(fokus);
    }
}

void TForm_Quorvel::zeige_Datenversion() {
    const cl_Version& v = k.version();
    const bool alt = v.ECU_Typ() <= 1 && v.Typnummer() <= 1;
    const unsigned version = v.Version();
    cl_Parameter& p = k.parameter();
    if (version < 500 && alt) {
        zeige_Zeile(Label_Datenversion, false);
    } else if (p.ueber_Datenelemente) {
        QStringList teile;
        for (const int n : {10001, 10002, 10003, 10004})
            teile << QString::number(p.Wert(n));
        zeige_Zeile(Label_Datenversion, true);
        Label_Datenversion->setText(teile.join('-'));
    } else if (version < 502 && alt) {
        zeige_Zeile(Label_Datenversion, false);
    } else {
        zeige_Zeile(Label_Datenversion, true);
        Label_Datenversion->setText(QString::number(v.Datenversion_Haupt()) + '.' +
                                    QString::number(v.Datenversion_Neben()));
    }
    Label_Datenversion->adjustSize();
}

void TForm_Quorvel::zeige_ECU_Daten() {
    wende_Fensterregeln_an();

    cl_Version* v = &k.version();
    const bool alt = v->ECU_Typ() <= 1 && v->Typnummer() <= 1;
    const unsigned version = v->Version();

    zeige_Datenversion();
    if (version < 500 && alt) {
        for (QLabel* l : {Label_Seriennummer, Label_Quorvel_Typ, Label_Hersteller, Label_Typnummer})
            zeige_Zeile(l, false);
    } else {
        for (QLabel* l : {Label_Seriennummer, Label_Quorvel_Typ, Label_Hersteller, Label_Typnummer})
            zeige_Zeile(l, true);
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
    aktualisiere_Menues();
}

void TForm_Quorvel::aktualisiere_Menues() {
    cl_Parameter& p = k.parameter();
    const bool verbunden = k.link().ist_verbunden();
    // Offline the definitions follow the setup's choice; they are read again only when
    // that changed, as a reading empties what was edited offline.
    if (!verbunden && !p.aus_Datei_geladen)
        p.lade_Definitionen_bei_Aenderung();
    k.kennfelder().pruefe_Kennfeld_Bedingungen();

    Menuelage lage;
    lage.ecu = Kennung_ECU();
    lage.verbunden = verbunden;
    lage.Testmodus = glob().Testmodus;
    lage.E_Gas = p.suche_Parameter(1151) && p.hole_Rohwert_ECU() >= 1;
    for (const auto& [name, zustand] : Variantenregeln::Menues(lage)) {
        Menuezustand& z = menuepunkte_[name];
        if (zustand.sichtbar)
            z.sichtbar = zustand.sichtbar;
        if (zustand.aktiv)
            z.aktiv = zustand.aktiv;
    }
    if (TForm* zuendung = Fenster_namens("TForm_Zuendung"))
        zuendung->setWindowTitle(hole_Text(Variantenregeln::Zuendung_Titel(lage.ecu)));
    wende_Menuepunkte_an();
    k.kennfelder().aktualisiere_Kennfeld_Menue();
}

void TForm_Quorvel::wende_Menuepunkte_an() {
    // The main menu's items, and its submenus by their own names.
    std::map<QString, QAction*> aktionen;
    for (QAction* a : findChildren<QAction*>())
        if (!a->objectName().isEmpty())
            aktionen[a->objectName()] = a;
    for (QMenu* m : findChildren<QMenu*>())
        if (!m->objectName().isEmpty())
            aktionen[m->objectName()] = m->menuAction();
    for (const auto& [name, zustand] : menuepunkte_) {
        const auto it = aktionen.find(name);
        if (it == aktionen.end())
            continue;
        if (zustand.sichtbar)
            it->second->setVisible(*zustand.sichtbar);
        if (zustand.aktiv)
            it->second->setEnabled(*zustand.aktiv);
    }
    passe_Breite_an_Menue();
}

void TForm_Quorvel::passe_Breite_an_Menue() {
    // Every item of the bar in view: longer captions (German) widen the window rather than
    // put the last items behind the bar's overflow arrow, where no user looks for Help.
    const int noetig = MainMenu->sizeHint().width();
    if (noetig > width())
        resize(noetig, height());
}

Menuezustand TForm_Quorvel::Menuepunkt(const QString& name) const {
    const auto it = menuepunkte_.find(name);
    return it == menuepunkte_.end() ? Menuezustand{} : it->second;
}

std::vector<TForm_Quorvel::Fensterlage> TForm_Quorvel::Fensterlagen() const {
    std::vector<Fensterlage> lagen;
    const auto nimm = [&](const QString& abschnitt, const TForm* f) {
        if (f && f->isVisible())
            lagen.push_back({abschnitt, f->frameGeometry()});
    };
    for (const Lageabschnitt& l : Lagen_vor_Kennfeldern)
        nimm(QString::fromLatin1(l.Abschnitt), Fenster_namens(l.Fenster));
    for (const Kennfeldglied& g : k.kennfelder().Kennfeldliste_angeboten()) {
        const auto* fenster = g.Kennfeld ? dynamic_cast<TForm*>(g.Kennfeld->Ansicht()) : nullptr;
        // A window without a help topic would make a section without a name.
        if (fenster && g.Kennfeld->Kennfeld_Nr != Kennfeld_ohne_Lage &&
            !fenster->Hilfethema().isEmpty())
            nimm(fenster->Hilfethema(), fenster);
    }
    for (const Lageabschnitt& l : Lagen_nach_Kennfeldern)
        nimm(QString::fromLatin1(l.Abschnitt), Fenster_namens(l.Fenster));
    return lagen;
}

QByteArray TForm_Quorvel::Start_INI(const QByteArray& alt, const QString& motorname,
                                    const std::vector<Fensterlage>& lagen) {
    Inidatei ini(alt);
    ini.loesche_Abschnitte_ausser(QStringLiteral("Telemetry"));
    ini.schreibe(QStringLiteral("Engine Name"), QStringLiteral("Name"), motorname);
    for (const Fensterlage& l : lagen) {
        ini.schreibe(l.Abschnitt, QStringLiteral("Left"), QString::number(l.Rahmen.left()));
        ini.schreibe(l.Abschnitt, QStringLiteral("Top"), QString::number(l.Rahmen.top()));
        ini.schreibe(l.Abschnitt, QStringLiteral("Height"), QString::number(l.Rahmen.height()));
        ini.schreibe(l.Abschnitt, QStringLiteral("Width"), QString::number(l.Rahmen.width()));
    }
    return ini.Inhalt();
}

void TForm_Quorvel::speichere_Start_INI() {
    if (!k.kennfelder().Listen_vorhanden())
        return;
    const QString pfad =
        Dateien::finde(Dateien::verbinde(glob().Pfad_Programm, QStringLiteral("Start.INI")));
    const auto melde = [this, &pfad](const QString& fehler) {
        k.meldungen().zeige(QDir::toNativeSeparators(pfad) + QStringLiteral(": ") + fehler);
    };
    QByteArray alt;
    if (QFile datei(pfad); datei.exists()) {
        // Another program's section is in there: rather keep the old file than lose it.
        if (!datei.open(QIODevice::ReadOnly)) {
            melde(datei.errorString());
            return;
        }
        alt = datei.readAll();
    }
    const QByteArray neu = Start_INI(alt, k.motordaten().Motorname(), Fensterlagen());
    // Through a temporary file: a failed write leaves the old file whole.
    QSaveFile datei(pfad);
    if (!datei.open(QIODevice::WriteOnly) || datei.write(neu) != neu.size() || !datei.commit())
        melde(datei.errorString());
}

// ---------------------------------------------------------------- main menu

namespace {

// The items that act, by name; the others are there with their captions and wait for
// their windows.
struct Menueaktion {
    const char* Name;
    void (TForm_Quorvel::*Aktion)();
};
constexpr Menueaktion Menueaktionen[] = {
    {"Menu_Motorname", &TForm_Quorvel::Menu_MotornameClick},
    {"Menu_Datenexport", &TForm_Quorvel::Menu_DatenexportClick},
    {"Menu_Datenimport", &TForm_Quorvel::Menu_DatenimportClick},
    {"Ende", &TForm_Quorvel::EndeClick},
    {"Einstellwerte", &TForm_Quorvel::EinstellwerteClick},
    {"Status", &TForm_Quorvel::StatusClick},
    {"ins_Flash_sichern", &TForm_Quorvel::ins_Flash_sichernClick},
    {"Flash_0_loeschen", &TForm_Quorvel::Flash_0_loeschenClick},
    {"Flash_1_loeschen", &TForm_Quorvel::Flash_1_loeschenClick},
    {"Menu_Loggerflash_loeschen", &TForm_Quorvel::Menu_Loggerflash_loeschenClick},
    {"Menu_Betriebszeit_loeschen", &TForm_Quorvel::Menu_Betriebszeit_loeschenClick},
    {"Passwort_eingeben", &TForm_Quorvel::Passwort_eingebenClick},
    {"Passwort_aendern", &TForm_Quorvel::Passwort_aendernClick},
    {"Menu_E_Gas_kalibrieren", &TForm_Quorvel::Menu_E_Gas_kalibrierenClick},
    {"Menu_Fernwartung", &TForm_Quorvel::Menu_FernwartungClick},
    {"Menu_Version", &TForm_Quorvel::Menu_VersionClick},
    {"Menu_Setup", &TForm_Quorvel::Menu_SetupClick},
    {"Duesenschaltzeit_messen", &TForm_Quorvel::Duesenschaltzeit_messenClick},
    {"Leistungsmessung", &TForm_Quorvel::LeistungsmessungClick},
    {"estLogdaten1", &TForm_Quorvel::estLogdaten1Click},
    {"Menu_Drehzahltest", &TForm_Quorvel::Menu_DrehzahltestClick},
    {"Menu_Test_Analogeingaenge", &TForm_Quorvel::Menu_Test_AnalogeingaengeClick},
    {"Menu_Test_Digitaleingaenge", &TForm_Quorvel::Menu_Test_DigitaleingaengeClick},
    {"Menu_Test_Digitalausgaenge", &TForm_Quorvel::Menu_Test_DigitalausgaengeClick},
    {"Menu_CAN_Zsuatztemperaturen", &TForm_Quorvel::Menu_CAN_ZsuatztemperaturenClick},
    {"Status_DSG", &TForm_Quorvel::Status_DSGClick},
    {"Status_Testbox", &TForm_Quorvel::Status_TestboxClick},
    {"Speicher", &TForm_Quorvel::SpeicherClick},
    {"Menu_Systemdaten", &TForm_Quorvel::Menu_SystemdatenClick},
    {"Menu_Merker", &TForm_Quorvel::Menu_MerkerClick},
    {"Hilfe", &TForm_Quorvel::HilfeClick},
    {"Fehler_u_Schaltausgaenge_definieren",
     &TForm_Quorvel::Fehler_u_Schaltausgaenge_definierenClick},
    {"Fehler_anzeigen", &TForm_Quorvel::Fehler_anzeigenClick},
    {"Wenzik_Vundel_Daten", &TForm_Quorvel::Wenzik_Vundel_DatenClick},
    {"Pilmot_Status", &TForm_Quorvel::Pilmot_StatusClick},
    {"Menu_Status_Dieselsteuerung", &TForm_Quorvel::Menu_Status_DieselsteuerungClick},
    {"Status_Dranel_Kerosin", &TForm_Quorvel::Status_Dranel_KerosinClick},
    {"Status_Additivsteuerung", &TForm_Quorvel::Status_AdditivsteuerungClick},
    {"Menu_Status_Kvarendol", &TForm_Quorvel::Menu_Status_KvarendolClick},
    {"Menu_Nockenwellenverstellung", &TForm_Quorvel::Menu_NockenwellenverstellungClick},
    {"Menu_Tamvik_Korr", &TForm_Quorvel::Menu_Tamvik_KorrClick},
    {"Menu_Geschwindigkeiten", &TForm_Quorvel::Menu_GeschwindigkeitenClick},
    {"Menu_Diesel_Test_Bolvinar", &TForm_Quorvel::Menu_Diesel_Test_BolvinarClick},
    {"Test_Auxdaten", &TForm_Quorvel::Test_AuxdatenClick},
    {"Menu_drucken", &TForm_Quorvel::Menu_druckenClick},
    {"Menu_Datensicherung", &TForm_Quorvel::Menu_DatensicherungClick},
    {"Programm_update", &TForm_Quorvel::Programm_updateClick},
};

} // namespace

QWidget* TForm_Quorvel::erstelle_Hauptmenue() {
    auto* rahmen = new QVBoxLayout(this);
    rahmen->setContentsMargins(0, 0, 0, 0);
    rahmen->setSpacing(0);
    MainMenu = new QMenuBar(this);
    // Inside the window, where its design has it, not in a desktop's global menu bar.
    MainMenu->setNativeMenuBar(false);
    rahmen->setMenuBar(MainMenu);
    auto* client = new QWidget(this);
    rahmen->addWidget(client);

    std::map<QString, QMenu*> menues;
    for (const Hauptmenue::Eintrag& e : Hauptmenue::Eintraege()) {
        const QString name = QString::fromLatin1(e.Name);
        QWidget* ort = MainMenu;
        if (e.Menue)
            ort = menues.at(QString::fromLatin1(e.Menue));
        // The fixed captions stand from the start; those of the language texts follow at
        // the first showing.
        const QString fest = e.Text == 0 ? Hauptmenue::Beschriftung(e) : QString();
        if (e.art == Hauptmenue::Art::Untermenue) {
            auto* menue = new QMenu(fest, ort);
            menue->setObjectName(name);
            ort->addAction(menue->menuAction());
            menues[name] = menue;
            continue;
        }
        auto* punkt = new QAction(ort);
        punkt->setObjectName(name);
        if (e.art == Hauptmenue::Art::Trenner)
            punkt->setSeparator(true);
        else
            punkt->setText(fest);
        ort->addAction(punkt);
        const auto aktion =
            std::find_if(std::begin(Menueaktionen), std::end(Menueaktionen),
                         [&e](const Menueaktion& a) { return std::strcmp(a.Name, e.Name) == 0; });
        if (aktion == std::end(Menueaktionen))
            continue;
        connect(punkt, &QAction::triggered, this, [this, gate = e.Passwort, f = aktion->Aktion] {
            if (gate && !k.passwort_OK().Zugriff_erlaubt())
                return;
            (this->*f)();
        });
    }
    return client;
}

void TForm_Quorvel::beschrifte_Hauptmenue() {
    for (const Hauptmenue::Eintrag& e : Hauptmenue::Eintraege()) {
        const QString name = QString::fromLatin1(e.Name);
        if (e.art == Hauptmenue::Art::Untermenue) {
            if (auto* m = MainMenu->findChild<QMenu*>(name))
                m->setTitle(Hauptmenue::Beschriftung(e));
        } else if (e.art == Hauptmenue::Art::Punkt) {
            if (auto* a = MainMenu->findChild<QAction*>(name))
                a->setText(Hauptmenue::Beschriftung(e));
        }
    }
}

void TForm_Quorvel::zeige_Fenster(const char* klasse) {
    if (TForm* f = Fenster_namens(klasse)) {
        f->show();
        aktiviere(f);
    }
}

void TForm_Quorvel::Menu_MotornameClick() {
    if (auto* f = k.fenster<TForm_Motorname>())
        f->waehlen();
}

void TForm_Quorvel::Menu_DatenexportClick() {
    if (auto* f = k.fenster<TForm_Export>()) {
        f->zeige();
        aktiviere(f);
    }
}

void TForm_Quorvel::Menu_DatenimportClick() {
    zeige_Fenster("TForm_Import");
}

void TForm_Quorvel::Menu_druckenClick() {
    if (Form_Kopieren_Druck)
        Form_Kopieren_Druck->zeige_Drucken();
}

void TForm_Quorvel::Menu_DatensicherungClick() {
    zeige_Fenster("TForm_Kopieren");
}

void TForm_Quorvel::EndeClick() {
    close();
}

void TForm_Quorvel::EinstellwerteClick() {
    zeige_Fenster("TForm_Einstellwerte");
}

void TForm_Quorvel::StatusClick() {
    zeige_Fenster("TForm_Status");
}

void TForm_Quorvel::Wenzik_Vundel_DatenClick() {
    zeige_Fenster("TForm_Vundel");
}

void TForm_Quorvel::Pilmot_StatusClick() {
    zeige_Fenster("TForm_Pilmot");
}

void TForm_Quorvel::Menu_Status_DieselsteuerungClick() {
    // Only one of the two live windows is open at a time.
    if (TForm* status = Fenster_namens("TForm_Status"))
        status->hide();
    zeige_Fenster("TForm_Dieselsteuerung");
}

void TForm_Quorvel::Status_Dranel_KerosinClick() {
    zeige_Fenster("TForm_Dranel_Kerosin");
}

void TForm_Quorvel::Status_AdditivsteuerungClick() {
    zeige_Fenster("TForm_Status_Additiv");
}

void TForm_Quorvel::Menu_Status_KvarendolClick() {
    zeige_Fenster("TForm_Kvarendol");
}

void TForm_Quorvel::Menu_NockenwellenverstellungClick() {
    zeige_Fenster("TForm_Nockenwelle");
}

void TForm_Quorvel::Menu_Tamvik_KorrClick() {
    zeige_Fenster("TForm_Tamvik_Korrekturen");
}

void TForm_Quorvel::Menu_GeschwindigkeitenClick() {
    zeige_Fenster("TForm_Wheel_speed");
}

void TForm_Quorvel::Menu_Diesel_Test_BolvinarClick() {
    zeige_Fenster("TForm_Bolvinar");
}

void TForm_Quorvel::Test_AuxdatenClick() {
    zeige_Fenster("TForm_Auxdaten");
}

void TForm_Quorvel::Duesenschaltzeit_messenClick() {
    zeige_Fenster("TForm_Test_Duese");
}

void TForm_Quorvel::LeistungsmessungClick() {
    zeige_Fenster("TForm_Leistung");
}

void TForm_Quorvel::estLogdaten1Click() {
    zeige_Fenster("TForm_Test_Logdaten");
}

void TForm_Quorvel::Menu_DrehzahltestClick() {
    zeige_Fenster("TForm_Test_Drehzahl");
}

void TForm_Quorvel::Menu_Test_AnalogeingaengeClick() {
    zeige_Fenster("TForm_Test_analoge_Eingaenge");
}

void TForm_Quorvel::Menu_Test_DigitaleingaengeClick() {
    zeige_Fenster("TForm_Test_digitale_Eingaenge");
}

void TForm_Quorvel::Menu_Test_DigitalausgaengeClick() {
    zeige_Fenster("TForm_Test_digitale_Ausgaenge");
}

void TForm_Quorvel::Menu_CAN_ZsuatztemperaturenClick() {
    zeige_Fenster("TForm_CAN_Temps");
}

void TForm_Quorvel::Status_DSGClick() {
    zeige_Fenster("TForm_Status_DSG");
}

void TForm_Quorvel::Status_TestboxClick() {
    zeige_Fenster("TForm_Status_Testbox");
}

void TForm_Quorvel::SpeicherClick() {
    zeige_Fenster("TForm_Speicher");
}

void TForm_Quorvel::Menu_SystemdatenClick() {
    zeige_Fenster("TForm_Systemdaten");
}

void TForm_Quorvel::Menu_MerkerClick() {
    zeige_Fenster("TForm_Merker");
}

void TForm_Quorvel::ins_Flash_sichernClick() {
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_ins_Flash_sichern->starten();
}

void TForm_Quorvel::Flash_0_loeschenClick() {
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_Flash_loeschen->loeschen_fragen(0);
}

void TForm_Quorvel::Flash_1_loeschenClick() {
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_Flash_loeschen->loeschen_fragen(1);
}

void TForm_Quorvel::Menu_Loggerflash_loeschenClick() {
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_loggerflash_loeschen->loeschen_fragen(2);
}

void TForm_Quorvel::Menu_Betriebszeit_loeschenClick() {
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_loggerflash_loeschen->loeschen_fragen(0);
}

void TForm_Quorvel::Passwort_eingebenClick() {
    if (auto* f = k.fenster<TForm_Passwort>())
        f->zeige_Eingabe();
}

void TForm_Quorvel::Passwort_aendernClick() {
    if (auto* f = k.fenster<TForm_Passwort>())
        f->zeige_Aendern();
}

void TForm_Quorvel::Menu_E_Gas_kalibrierenClick() {
    Befehlsobjekte* b = k.befehle();
    if (b && k.meldungen().frage_OK_Abbrechen(hole_Text(807), hole_Text(806)))
        b->E_Gas_kalibrieren->starten();
}

void TForm_Quorvel::Menu_FernwartungClick() {
    const QString pfad = Dateien::finde(
        Dateien::verbinde(glob().Pfad_Programm, QStringLiteral("Quorvel_Fernwartung.exe")));
    // Started on its own: nothing here waits for it or talks to it.
    const int ergebnis = Shell::oeffne(pfad);
    const QString genannt = QLatin1Char('"') + QDir::toNativeSeparators(pfad) + QLatin1Char('"');
    if (ergebnis == Shell::Datei_nicht_gefunden) {
        k.meldungen().zeige(genannt + QStringLiteral(" is not available"));
    } else if (ergebnis != Shell::Erfolg) {
        // One that is there but does not start says so too, rather than nothing at all.
        k.meldungen().zeige(genannt + QLatin1Char(' ') + hole_Text(1320));
    }
}

void TForm_Quorvel::Fehler_u_Schaltausgaenge_definierenClick() {
    if (auto* f = k.fenster<TForm_Fehlerdef>())
        f->anzeigen();
}

void TForm_Quorvel::Fehler_anzeigenClick() {
    if (auto* f = k.fenster<TForm_Fehler>())
        f->anzeigen();
}

void TForm_Quorvel::Programm_updateClick() {
    zeige_Fenster("TForm_Programmboot");
}

void TForm_Quorvel::Menu_VersionClick() {
    zeige_Fenster("TForm_Versionsinfo");
}

void TForm_Quorvel::Menu_SetupClick() {
    zeige_Fenster("TForm_Setup");
}

void TForm_Quorvel::HilfeClick() {
    zeige_Hilfe(QStringLiteral("general"));
}
