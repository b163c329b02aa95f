#include "model/UQuorveldata.h"

#include "base/Uglobal.h"
#include "platform/Dateien.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes of the answer to the identity command.
constexpr size_t Datum_Anfang = 41;
constexpr size_t Datum_Laenge = 10;
constexpr size_t Name_Anfang = 52;
constexpr size_t Name_Laenge = 10; // bytes 52..61
constexpr size_t Version_Ofs = 62;
constexpr size_t Revision_Ofs = 64;

// Bytes of the identity block.
constexpr size_t Seriennummer_Ofs = 0;
constexpr size_t Typ_Ofs = 4;
constexpr size_t Hersteller_Ofs = 6;
constexpr size_t Typnummer_Ofs = 8;
constexpr size_t Hardware_Haupt_Ofs = 12;
constexpr size_t Bootloader_Ofs = 14;
constexpr size_t Option_Ofs = 16;
constexpr size_t Hardware_Neben_Ofs = 24;

struct Versionsbereich {
    int hersteller;
    int von;
    int bis;
};
// Items 1..10 of the version-range table.
constexpr std::array<Versionsbereich, 10> Versionsbereiche = {{{1, 0, 502},
                                                               {1, 0, 505},
                                                               {1, 0, 517},
                                                               {1, 0, 530},
                                                               {1, 0, 608},
                                                               {1, 0, 649},
                                                               {1, 650, 699},
                                                               {1, 1600, 1626},
                                                               {1, 1626, 1699},
                                                               {1, 651, 699}}};

// A 0-terminated text inside a fixed field; a field without 0 is read whole.
QString Feldtext(const uint8_t* anfang, size_t laenge) {
    const auto* ende = std::find(anfang, anfang + laenge, uint8_t{0});
    return Dateien::von_1252(
        QByteArray(reinterpret_cast<const char*>(anfang), static_cast<qsizetype>(ende - anfang)));
}

} // namespace

cl_Version::cl_Version(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Identitaet, false, false, 500, 0, nullptr, Antwortgroesse, nullptr) {
    setze_Antwortpuffer(Antwortbereich.data());
    schreibe_Standard();
    // Every change of the connection asks who is (or is no longer) there.
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { anfordern(); }, cl_COM_Quorvel::Verbunden);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { anfordern(); }, cl_COM_Quorvel::Getrennt);
}

cl_Version::~cl_Version() = default;

void cl_Version::anfordern() {
    sofort_starten();
}

uint16_t cl_Version::wort(size_t offset) const {
    return lies_Wort(&Block[offset]);
}

void cl_Version::setze_Wort(size_t offset, uint16_t wert) {
    Block[offset] = static_cast<uint8_t>(wert & 0xFF);
    Block[offset + 1] = static_cast<uint8_t>(wert >> 8);
}

void cl_Version::schreibe_Text(size_t offset, const char* text) {
    const size_t n = std::strlen(text);
    std::memcpy(Antwortbereich.data() + offset, text, n);
    Antwortbereich[offset + n] = 0;
}

void cl_Version::schreibe_Standard() {
    Antwortbereich.fill(0);
    schreibe_Text(0, "Quorvel motormanagement");
    schreibe_Text(Datum_Anfang, "1.1.2007");
    schreibe_Text(Name_Anfang, "QORV");
    Block.fill(0);
}

uint16_t cl_Version::Version() const {
    return lies_Wort(&Antwortbereich[Version_Ofs]);
}

uint16_t cl_Version::Revision() const {
    return lies_Wort(&Antwortbereich[Revision_Ofs]);
}

void cl_Version::setze_Version(uint16_t version, uint16_t revision) {
    Antwortbereich[Version_Ofs] = static_cast<uint8_t>(version & 0xFF);
    Antwortbereich[Version_Ofs + 1] = static_cast<uint8_t>(version >> 8);
    Antwortbereich[Revision_Ofs] = static_cast<uint8_t>(revision & 0xFF);
    Antwortbereich[Revision_Ofs + 1] = static_cast<uint8_t>(revision >> 8);
}

QString cl_Version::Softwarename() const {
    return Feldtext(Antwortbereich.data() + Name_Anfang, Name_Laenge);
}

QString cl_Version::Datum() const {
    return Feldtext(Antwortbereich.data() + Datum_Anfang, Datum_Laenge);
}

uint32_t cl_Version::Seriennummer() const {
    return static_cast<uint32_t>(wort(Seriennummer_Ofs)) |
           (static_cast<uint32_t>(wort(Seriennummer_Ofs + 2)) << 16);
}

uint16_t cl_Version::ECU_Typ() const {
    return wort(Typ_Ofs);
}

uint16_t cl_Version::Hersteller() const {
    return wort(Hersteller_Ofs);
}

uint16_t cl_Version::Typnummer() const {
    return wort(Typnummer_Ofs);
}

uint16_t cl_Version::Bootloader_Nr() const {
    return wort(Bootloader_Ofs);
}

uint16_t cl_Version::Wert_138() const {
    return wort(Option_Ofs);
}

bool cl_Version::verbunden() const {
    return link().ist_verbunden();
}

void cl_Version::Antwort() {
    const QString name = Softwarename();
    if (Version() >= 500 || name.isEmpty() || (name.size() > 1 && name[1] == '-')) {
        std::copy_n(Antwortbereich.begin(), Blockgroesse, Block.begin());
    } else {
        // An old ECU sends a text in place of the block. Nothing of the ECU heard before
        // may survive into this one's record: its serial number and hardware minor would
        // otherwise reach the system-data printout.
        Block.fill(0);
        setze_Wort(Typ_Ofs, 1);
        setze_Wort(Hersteller_Ofs, 1);
        setze_Wort(Typnummer_Ofs, 1);
    }

    Datenelement_Protokoll = ECU_Typ() == 7;
    if (Datenelement_Protokoll && lade_Datenelemente)
        lade_Datenelemente();

    // A boot loader knows no password.
    if (ECU_Typ() != 8 && Passwort_anfragen)
        Passwort_anfragen();

    InterAction_ausfuehren(*this, Beantwortet);
}

QString cl_Version::Versionsnummer(unsigned version) {
    QString s = QStringLiteral("%1").arg(version, 3, 10, QLatin1Char('0'));
    s.insert(s.size() - 2, '.');
    return s;
}

bool cl_Version::ist_Version_300() const {
    return Version() >= 300 && Version() <= 399;
}

bool cl_Version::Option_138() const {
    if (wort(Hardware_Haupt_Ofs) < 101 && Hersteller() != 2)
        return true;
    return Wert_138() > 0;
}

QString cl_Version::Hersteller_Name() const {
    return ::Hersteller_Name(Hersteller());
}

int cl_Version::Hardware_Haupt() const {
    if (verbunden())
        return wort(Hardware_Haupt_Ofs);
    return offline_ ? offline_->Hardwaremodell() : 0;
}

int cl_Version::Hardware_Neben() const {
    return verbunden() ? wort(Hardware_Neben_Ofs) : 0;
}

bool cl_Version::passt(int hersteller, int ecuTyp, int typnummer, int minVersion, int maxVersion,
                       int minRevision, int maxRevision) const {
    if (hersteller > 0 && Hersteller() != hersteller)
        return false;
    if (ecuTyp > 0 && ECU_Typ() != ecuTyp)
        return false;
    if (typnummer > 0 && Typnummer() != typnummer)
        return false;
    const int version = Version();
    const int revision = Revision();
    if (minVersion >= 0 && version < minVersion)
        return false;
    if (maxVersion >= 0 && version > maxVersion)
        return false;
    if (minRevision >= 0 && version == minVersion && revision < minRevision)
        return false;
    if (maxRevision >= 0 && version == maxVersion && revision > maxRevision)
        return false;
    return true;
}

bool cl_Version::in_Versionsmenge(std::initializer_list<int> menge) const {
    for (const int i : menge) {
        if (i < 1 || i > static_cast<int>(Versionsbereiche.size()))
            continue;
        const Versionsbereich& b = Versionsbereiche[static_cast<size_t>(i - 1)];
        if (b.hersteller == Hersteller() && Version() >= b.von && Version() <= b.bis)
            return true;
    }
    return false;
}

QString cl_Version::Software_Dateiname() const {
    if (!verbunden())
        return offline_ ? offline_->Software_Dateiname() : QString();
    if (Version() == 0)
        return QString();
    const QString s = QStringLiteral("%1.TXT").arg(Version(), 4, 10, QLatin1Char('0'));
    const QString name = Softwarename();
    if (name.startsWith(QLatin1String("T-")))
        return name.left(9) + ::Hersteller_Name(Hersteller()) + '-' + QString::number(ECU_Typ()) +
               '-' + QString::number(Typnummer()) + '-' + s;
    if (!name.isEmpty())
        return QStringLiteral("QORV") + s;
    return QString();
}

void cl_Version::setze_offline(int ecuTyp, int hersteller, int typnummer, int hardwareHaupt,
                               int version, int hardwareNeben) {
    Block.fill(0);
    setze_Wort(Typ_Ofs, static_cast<uint16_t>(ecuTyp));
    setze_Wort(Hersteller_Ofs, static_cast<uint16_t>(hersteller));
    setze_Wort(Typnummer_Ofs, static_cast<uint16_t>(typnummer));
    setze_Wort(Hardware_Haupt_Ofs, static_cast<uint16_t>(hardwareHaupt));
    setze_Wort(Hardware_Neben_Ofs, static_cast<uint16_t>(hardwareNeben));
    setze_Version(static_cast<uint16_t>(version), 0);
    if (!(ecuTyp < 2 && hersteller < 2 && version < 600))
        schreibe_Text(Name_Anfang, "T-");
}
