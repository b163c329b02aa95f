#include "windows/USetup.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/UComData.h"
#include "platform/Dateien.h"
#include "platform/Registry.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UBluetooth.h"
#include "windows/UColorButton.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace {

// Bits of the allowed ECU types.
constexpr uint8_t Typ(int t) {
    return static_cast<uint8_t>(1u << t);
}

constexpr QLatin1String Wert_Hardware("Default Quorvel Hardware");
constexpr QLatin1String Wert_Baudrate("CAN baud rate");
constexpr QLatin1String Wert_Sende_Id("CAN send identifier");
constexpr QLatin1String Wert_Empfangs_Id("CAN receive identifier");
constexpr QLatin1String Wert_Software("Default Quorvel Version");
constexpr QLatin1String Wert_Relais_Port("BT_Relais_COM_Nr");
constexpr QLatin1String Wert_Relais_Online("BT_Relais_Online");

// The decimal number at the start of text; nullopt without a digit.
std::optional<int> Zahl_am_Anfang(const QString& text, qsizetype& pos) {
    const qsizetype anfang = pos;
    int64_t wert = 0;
    while (pos < text.size() && text[pos].isDigit() && text[pos].unicode() < 128) {
        wert = std::min<int64_t>(wert * 10 + text[pos].digitValue(), 1'000'000'000);
        ++pos;
    }
    if (pos == anfang)
        return std::nullopt;
    return static_cast<int>(wert);
}

// An ECU reports its software version in 16 bits; a file claiming more fits no ECU, and
// the offline identity could not hold its version.
constexpr int Version_Max = 0xFFFF;

// The number after the first three characters of a port item ("COM7" gives 7).
int Portnummer(const QString& eintrag) {
    qsizetype pos = 3;
    return Zahl_am_Anfang(eintrag, pos).value_or(0);
}

// A stored identifier, held to the 29 bits the bus carries.
uint32_t lies_Identifier_Wert(int wert) {
    return static_cast<uint32_t>(std::clamp<int64_t>(wert, 0, TForm_Setup::Identifier_Max));
}

} // namespace

const std::array<Hardwaremodell_Zeile, TForm_Setup::Modelle> TForm_Setup::Hardwaretabelle = {{
    {"QV-100 Basic", 100, 1, Typ(1) | Typ(2)},
    {"QV-100 Sport", 100, 1, Typ(1) | Typ(2)},
    {"QV-101", 101, 1, Typ(1) | Typ(2)},
    {"QV-100 Marine", 100, 1, Typ(1) | Typ(2)},
    {"QV-301", 301, 301, Typ(1) | Typ(2)},
    {"QV-203", 203, 203, Typ(1)},
    {"QV-400", 400, 400, Typ(1) | Typ(2)},
    {"QV-500 Diesel", 500, 1, Typ(5)},
}};

TForm_Setup::TForm_Setup(Kontext& kontext) : TForm(QStringLiteral("Setup")), k(kontext) {
    resize(420, 330);
    const auto label = [this](int x, int y) {
        auto* l = new QLabel(this);
        l->move(x, y);
        return l;
    };
    Label_Standard_Quorvel_HardwareTyp = label(16, 16);
    ComboBox_Hardware = new Aufklappliste(this);
    ComboBox_Hardware->setGeometry(16, 34, 380, 24);
    Label_Standard_Quorvel_Software = label(16, 68);
    ComboBox_Software = new Aufklappliste(this);
    ComboBox_Software->setGeometry(16, 86, 380, 24);
    Label_Kopf_CAN_Baudrate = label(16, 124);
    ComboBox_CAN_Baudrate = new QComboBox(this);
    ComboBox_CAN_Baudrate->setGeometry(220, 120, 120, 24);
    ComboBox_CAN_Baudrate->addItems({QStringLiteral("1000KB"), QStringLiteral("500KB"),
                                     QStringLiteral("250KB"), QStringLiteral("125KB"),
                                     QStringLiteral("100KB")});
    Label_Kopf_CAN_Sende_Identifier = label(16, 156);
    Edit_CAN_Sende_Identifier = new QLineEdit(this);
    Edit_CAN_Sende_Identifier->setGeometry(220, 152, 120, 24);
    Label_Kopf_CAN_Empfangs_Identifier = label(16, 188);
    Edit_CAN_Empfangs_Identifier = new QLineEdit(this);
    Edit_CAN_Empfangs_Identifier->setGeometry(220, 184, 120, 24);
    Label_Kopf_BT_Relais = label(16, 224);
    ComboBox_BT_Relais_Com_Nr = new QComboBox(this);
    ComboBox_BT_Relais_Com_Nr->setGeometry(220, 220, 90, 24);
    CheckBox_BT_Online = new QCheckBox(this);
    CheckBox_BT_Online->move(320, 222);
    Button_OK = new TColorButton(QStringLiteral("OK"), this);
    Button_OK->setGeometry(160, 280, 100, 30);

    // FormCreate.
    fuelle_Hardware();
    Software.reset();
    Softwareliste.clear();
    lies_Registry();
    setWindowTitle(hole_Text(791));
    Label_Standard_Quorvel_Software->setText(hole_Text(792));
    Label_Standard_Quorvel_HardwareTyp->setText(hole_Text(793));

    k.version().setze_Offline_Auswahl(this);
    if (Software)
        k.version().setze_offline(Software->ECU_Typ, Software->Hersteller, Software->Typnummer, 0,
                                  Software->Version, 0);

    ComboBox_CAN_Baudrate->setCurrentIndex(CAN_Baudrate_Index);
    Edit_CAN_Sende_Identifier->setText(Zahl_zu_Hex(CAN_Sende_Identifier));
    Edit_CAN_Empfangs_Identifier->setText(Zahl_zu_Hex(CAN_Empfangs_Identifier));
    Form_auf_Bildschirm(*this);
    Label_Kopf_CAN_Sende_Identifier->setText(hole_Text(1226));
    Label_Kopf_CAN_Empfangs_Identifier->setText(hole_Text(1227));
    Label_Kopf_CAN_Baudrate->setText(hole_Text(1228));
    Label_Kopf_BT_Relais->setText(hole_Text(1284));
    CheckBox_BT_Online->setText(hole_Text(1285));
    for (QLabel* l : findChildren<QLabel*>())
        l->adjustSize();
    CheckBox_BT_Online->adjustSize();

    ComboBox_BT_Relais_Com_Nr->clear();
    // Port 44 is COM4 in the fast mode: the link's port is COM4 then.
    const int linkport = glob().COM_Nr == 44 ? 4 : glob().COM_Nr;
    for (int n = 1; n <= 99; ++n)
        if (n != linkport && k.link().Port_testen(n))
            ComboBox_BT_Relais_Com_Nr->addItem(QStringLiteral("COM") + QString::number(n));
    lies_Schnittstelle();
    melde_CAN_Setup();

    ComboBox_Hardware->beim_Aufklappen = [this] {
        const int index = ComboBox_Hardware->currentIndex();
        fuelle_Hardware();
        ComboBox_Hardware->setCurrentIndex(index);
    };
    ComboBox_Software->beim_Aufklappen = [this] { fuelle_Softwareliste(); };
    connect(ComboBox_Hardware, &QComboBox::activated, this, &TForm_Setup::ComboBox_HardwareChange);
    connect(ComboBox_Software, &QComboBox::activated, this, &TForm_Setup::ComboBox_SoftwareChange);
    connect(ComboBox_CAN_Baudrate, &QComboBox::activated, this,
            &TForm_Setup::ComboBox_CAN_BaudrateChange);
    connect(Edit_CAN_Sende_Identifier, &QLineEdit::editingFinished, this,
            &TForm_Setup::Edit_CAN_Sende_IdentifierExit);
    connect(Edit_CAN_Empfangs_Identifier, &QLineEdit::editingFinished, this,
            &TForm_Setup::Edit_CAN_Empfangs_IdentifierExit);
    connect(CheckBox_BT_Online, &QCheckBox::clicked, this, &TForm_Setup::CheckBox_BT_OnlineClick);
    connect(ComboBox_BT_Relais_Com_Nr, &QComboBox::activated, this,
            &TForm_Setup::ComboBox_BT_Relais_Com_NrChange);
    connect(Button_OK, &QPushButton::clicked, this, &TForm_Setup::Button_OKClick);
}

TForm_Setup::~TForm_Setup() {
    k.version().setze_Offline_Auswahl(nullptr);
    k.link().setze_CAN_Setup(std::nullopt);
}

void TForm_Setup::fuelle_Hardware() {
    ComboBox_Hardware->clear();
    for (const Hardwaremodell_Zeile& z : Hardwaretabelle)
        ComboBox_Hardware->addItem(QString::fromUtf8(z.Name));
}

void TForm_Setup::uebernimm_Modell(int modell) {
    Hardware_Modell = modell;
    const Hardwaremodell_Zeile& z = Hardwaretabelle[static_cast<size_t>(modell - 1)];
    Hardware_Nr = z.Hardware_Nr;
    Hardware_Typnummer = z.Hardware_Typnummer;
    ECU_Typen = z.ECU_Typen;
}

void TForm_Setup::melde_CAN_Setup() {
    k.link().setze_CAN_Setup(
        CAN_Setup{CAN_Sende_Identifier, CAN_Empfangs_Identifier, CAN_Baudrate_Index});
}

void TForm_Setup::lies_Registry() {
    const Registry& reg = k.registry();
    const auto lies = [&](const QString& name) -> std::optional<int> {
        std::optional<int> wert = reg.readInteger(name);
        if (!wert)
            show();
        return wert;
    };

    // A model outside the table is as good as none, and so is a baud rate index the rate
    // table does not have.
    const auto im_Bereich = [&](const std::optional<int>& wert, int min, int max) {
        if (wert && (*wert < min || *wert > max))
            show();
        return wert && *wert >= min && *wert <= max ? *wert : -1;
    };
    const int modell = im_Bereich(lies(Wert_Hardware), 1, Modelle);
    const int baud = im_Bereich(lies(Wert_Baudrate), 0, 4);
    const std::optional<int> sende = lies(Wert_Sende_Id);
    const std::optional<int> empfang = lies(Wert_Empfangs_Id);

    CAN_Baudrate_Index = baud >= 0 ? baud : 1;
    CAN_Sende_Identifier = sende ? lies_Identifier_Wert(*sende) : 0x1FFFFFFE;
    CAN_Empfangs_Identifier = empfang ? lies_Identifier_Wert(*empfang) : 0x1FFFFFFF;
    uebernimm_Modell(modell >= 0 ? modell : 6);
    ComboBox_Hardware->setCurrentIndex(Hardware_Modell - 1);

    const std::optional<QString> software = reg.readString(Wert_Software);
    setze_Software(software.value_or(QString()));
}

void TForm_Setup::schreibe_Registry() {
    Registry& reg = k.registry();
    // A setting that did not reach the registry must not look saved.
    QStringList fehlgeschlagen;
    const auto schreibe = [&](QLatin1String name, int wert) {
        if (!reg.writeInteger(name, wert))
            fehlgeschlagen.append('"' + QString(name) + '"');
    };
    if (Software && !reg.writeString(Wert_Software, Software->Dateiname))
        fehlgeschlagen.append('"' + QString(Wert_Software) + '"');
    schreibe(Wert_Hardware, Hardware_Modell);
    schreibe(Wert_Baudrate, CAN_Baudrate_Index);
    schreibe(Wert_Sende_Id, static_cast<int>(CAN_Sende_Identifier));
    schreibe(Wert_Empfangs_Id, static_cast<int>(CAN_Empfangs_Identifier));
    schreibe(Wert_Relais_Port, Relais_Port);
    schreibe(Wert_Relais_Online, CheckBox_BT_Online->isChecked() ? 1 : 0);
    if (!fehlgeschlagen.isEmpty())
        k.meldungen().zeige(reg.Schreibfehler(fehlgeschlagen.join(QStringLiteral(", "))));
}

std::vector<cl_Standard_Quorvel_Software> TForm_Setup::finde_Software(const QString& ordner,
                                                                      int modell) {
    std::vector<cl_Standard_Quorvel_Software> liste;
    if (modell < 1 || modell > Modelle)
        return liste;
    const Hardwaremodell_Zeile& z = Hardwaretabelle[static_cast<size_t>(modell - 1)];
    const QDir dir(Dateien::finde(ordner));
    for (const QString& name : dir.entryList(QDir::Files)) {
        if (!name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
            continue;
        cl_Standard_Quorvel_Software s;
        if (name.startsWith(QLatin1String("QORV4"), Qt::CaseInsensitive)) {
            continue; // the language texts
        } else if (name.startsWith(QLatin1String("T-"), Qt::CaseInsensitive)) {
            qsizetype trenner = -1;
            for (qsizetype i = 2; i + 1 < name.size(); ++i)
                if (name[i] == '-' && name[i + 1].isDigit()) {
                    trenner = i;
                    break;
                }
            if (trenner < 0)
                continue;
            s.Praefix = QStringLiteral("T-");
            s.Hersteller = Hersteller_Nummer(name.mid(2, trenner - 2));
            if (s.Hersteller == 0)
                continue;
            qsizetype pos = trenner + 1;
            const std::optional<int> typ = Zahl_am_Anfang(name, pos);
            if (!typ || *typ > 7 || !(z.ECU_Typen & Typ(*typ)))
                continue;
            if (pos >= name.size() || name[pos] != '-')
                continue;
            ++pos;
            const std::optional<int> typnummer = Zahl_am_Anfang(name, pos);
            if (!typnummer || *typnummer != z.Hardware_Typnummer)
                continue;
            if (pos >= name.size() || name[pos] != '-')
                continue;
            ++pos;
            const std::optional<int> version = Zahl_am_Anfang(name, pos);
            if (!version || *version > Version_Max)
                continue;
            s.ECU_Typ = *typ;
            s.Typnummer = *typnummer;
            s.Version = *version;
        } else if (name.startsWith(QLatin1String("QORV"), Qt::CaseInsensitive)) {
            if (!(z.Hardware_Typnummer == 1 || z.Hardware_Typnummer == 100) || z.Hardware_Nr >= 200)
                continue;
            qsizetype pos = 4;
            const std::optional<int> version = Zahl_am_Anfang(name, pos);
            if (!version || *version > Version_Max)
                continue;
            s.Praefix = QStringLiteral("QORV");
            s.ECU_Typ = s.Hersteller = s.Typnummer = 1;
            s.Version = *version;
        } else {
            continue;
        }
        if (s.Hersteller != 1)
            continue;
        // The name as it stands in the folder: an upper-cased "ß" or "ı" maps back to no
        // file, whatever the lookup ignores of letter case.
        s.Dateiname = name;
        liste.push_back(std::move(s));
    }
    // In the order of the upper-case names, as the list has always been ordered.
    std::sort(liste.begin(), liste.end(), [](const auto& a, const auto& b) {
        const QByteArray x = a.Dateiname.toUpper().toUtf8();
        const QByteArray y = b.Dateiname.toUpper().toUtf8();
        return x != y ? x < y : a.Dateiname.toUtf8() < b.Dateiname.toUtf8();
    });
    return liste;
}

QString TForm_Setup::Eintrag(const cl_Standard_Quorvel_Software& s) {
    const QString v = cl_Version::Versionsnummer(static_cast<unsigned>(s.Version));
    if (s.Praefix == QLatin1String("T-"))
        return Hersteller_Name(s.Hersteller) + QStringLiteral("  S") + QString::number(s.ECU_Typ) +
               QStringLiteral("  T") + QString::number(s.Typnummer) + QStringLiteral("  V") + v;
    return QStringLiteral("Standard Quorvel V") + v;
}

uint32_t TForm_Setup::lies_Identifier(const QString& text) {
    const double wert = Hex_zu_Zahl(text);
    if (wert < 0)
        return 0;
    if (wert > Identifier_Max)
        return Identifier_Max;
    return static_cast<uint32_t>(wert);
}

void TForm_Setup::lies_Softwareliste() {
    Softwareliste = finde_Software(glob().Pfad_Sprache, Hardware_Modell);
}

void TForm_Setup::fuelle_Softwareliste() {
    lies_Softwareliste();
    ComboBox_Software->clear();
    int gewaehlt = -1;
    for (size_t i = 0; i < Softwareliste.size(); ++i) {
        ComboBox_Software->addItem(Eintrag(Softwareliste[i]));
        if (Software && Softwareliste[i].Dateiname == Software->Dateiname && gewaehlt < 0)
            gewaehlt = static_cast<int>(i);
    }
    ComboBox_Software->setCurrentIndex(gewaehlt);
}

void TForm_Setup::setze_Software(const QString& dateiname) {
    Software.reset();
    fuelle_Softwareliste();
    // The name exactly, else one stored in upper case before the file's own name was kept.
    for (const Qt::CaseSensitivity fall : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (size_t i = 0; i < Softwareliste.size(); ++i)
            if (!dateiname.isEmpty() && Softwareliste[i].Dateiname.compare(dateiname, fall) == 0) {
                Software = Softwareliste[i];
                ComboBox_Software->setCurrentIndex(static_cast<int>(i));
                return;
            }
    show();
}

QString TForm_Setup::Software_Dateiname() const {
    return Software ? Software->Dateiname : QString();
}

void TForm_Setup::lies_Schnittstelle() {
    const Registry& reg = k.registry();
    const std::optional<int> port = reg.readInteger(Wert_Relais_Port);
    const std::optional<int> online = reg.readInteger(Wert_Relais_Online);
    if (port && online) {
        Relais_Port = *port;
        CheckBox_BT_Online->setChecked(*online > 0);
    } else {
        Relais_Port = -1;
        CheckBox_BT_Online->setChecked(false);
    }
    ComboBox_BT_Relais_Com_Nr->setCurrentIndex(-1);
    if (Relais_Port > 0)
        for (int i = 0; i < ComboBox_BT_Relais_Com_Nr->count(); ++i)
            if (Portnummer(ComboBox_BT_Relais_Com_Nr->itemText(i)) == Relais_Port) {
                ComboBox_BT_Relais_Com_Nr->setCurrentIndex(i);
                break;
            }
    CheckBox_BT_Online->setChecked(Relais_oeffnen(Relais_Port, CheckBox_BT_Online->isChecked()));
}

bool TForm_Setup::Relais_oeffnen(int port, bool an) {
    // The relay is made before this window; without it nothing could be switched on.
    TForm_Bluetooth* relais = k.fenster<TForm_Bluetooth>();
    return relais && relais->Relais_oeffnen(port, an);
}

void TForm_Setup::ComboBox_HardwareChange(int index) {
    if (index < 0 || index >= Modelle)
        return;
    uebernimm_Modell(index + 1);
    schreibe_Registry();
}

void TForm_Setup::ComboBox_SoftwareChange(int index) {
    if (index < 0 || index >= static_cast<int>(Softwareliste.size()))
        return;
    Software = Softwareliste[static_cast<size_t>(index)];
    schreibe_Registry();
}

void TForm_Setup::ComboBox_CAN_BaudrateChange(int index) {
    CAN_Baudrate_Index = std::max(index, 0);
    melde_CAN_Setup();
}

void TForm_Setup::Edit_CAN_Sende_IdentifierExit() {
    CAN_Sende_Identifier = lies_Identifier(Edit_CAN_Sende_Identifier->text());
    Edit_CAN_Sende_Identifier->setText(Zahl_zu_Hex(CAN_Sende_Identifier));
    melde_CAN_Setup();
}

void TForm_Setup::Edit_CAN_Empfangs_IdentifierExit() {
    CAN_Empfangs_Identifier = lies_Identifier(Edit_CAN_Empfangs_Identifier->text());
    Edit_CAN_Empfangs_Identifier->setText(Zahl_zu_Hex(CAN_Empfangs_Identifier));
    melde_CAN_Setup();
}

void TForm_Setup::CheckBox_BT_OnlineClick() {
    CheckBox_BT_Online->setChecked(Relais_oeffnen(Relais_Port, CheckBox_BT_Online->isChecked()));
    schreibe_Registry();
}

void TForm_Setup::ComboBox_BT_Relais_Com_NrChange(int index) {
    Relais_Port = index >= 0 ? Portnummer(ComboBox_BT_Relais_Com_Nr->itemText(index)) : 0;
    if (Relais_Port > 0) {
        CheckBox_BT_Online->setChecked(
            Relais_oeffnen(Relais_Port, CheckBox_BT_Online->isChecked()));
        schreibe_Registry();
    }
}

void TForm_Setup::Button_OKClick() {
    schreibe_Registry();
    hide();
}
