#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;
class QSaveFile;

// The ECU's data set as the export stores it and the import sends it back: 16-bit words low
// byte first, read and written as pairs (tag, value), with neither magic nor length field.
// First the description, two characters a pair, then the 20 header pairs of the export's
// start answer, then the data pairs.
namespace QVD {

struct Paar {
    uint16_t Kennung = 0;
    uint16_t Wert = 0;
    bool operator==(const Paar&) const = default;
};

constexpr uint16_t Zeichen = 16;
constexpr uint16_t Zeilenende = 17;
constexpr uint16_t Kopfbeginn = 64;
constexpr uint16_t Datenanzahl = 65;
constexpr uint16_t Version = 66;
constexpr uint16_t Revision = 67;
constexpr uint16_t Datenversion = 68;
constexpr uint16_t Passwortnummer = 69;
constexpr uint16_t Alte_Passwortnummer_1 = 70;
constexpr uint16_t Alte_Passwortnummer_3 = 72;
constexpr uint16_t Wert_niedrig = 80;
constexpr uint16_t Wert_hoch = 81;
constexpr uint16_t ECU_Typ = 82;
constexpr uint16_t Hersteller = 83;
constexpr uint16_t Typnummer = 84;
// Tag 64's value when the header is the 20 pairs of an export.
constexpr uint16_t Kopf_20_Paare = 1;
constexpr int Kopfpaare = 20;
constexpr int Paarlaenge = 4;

// The description's pairs: two characters of a line a pair (Windows-1252, the second 0 for
// the last of an odd line), each line ended by (17, 0).
std::vector<Paar> Beschreibung(const QStringList& zeilen);

QByteArray Bytes(const std::vector<Paar>& paare);

// What the import window shows of a file: its description and its header.
struct Dateikopf {
    QStringList Beschreibung;
    uint16_t Kopf = 0;
    uint16_t Anzahl = 0;
    uint16_t Version = 0;
    uint16_t Revision = 0;
    uint16_t Datenversion = 0;
    uint16_t Passwortnummer = 0;
    uint16_t ECU_Typ = 0;
    uint16_t Hersteller = 0;
    uint16_t Typnummer = 0;
    uint32_t Wert32 = 0;
    // The replaced passwords' numbers other than 0, as "3, 7".
    QString alte_Passwortnummern;

    // "V6.15 R3": the version with a point before its last two digits.
    QString Versionstext() const;
    // "1.2": high byte and low byte.
    QString Datenversionstext() const;
};

// Scans the file as the import window reads it: every whole pair up to the end of the header
// (with tag 64 = 1 the 20 pairs from it are the last read), else to the end of the file.
Dateikopf lies_Dateikopf(QByteArrayView inhalt);

// Reads the pairs the import sends, from the header on, 16 a telegram.
class Importleser {
public:
    static constexpr int Blockpaare = 16;
    enum class Ergebnis { ok, nicht_lesbar, keine_ganzen_Paare };

    // Finds the first pair with tag 64 (without one, the end of the file) and checks that
    // the file from there holds whole pairs; the device stays open for the blocks.
    Ergebnis oeffne(std::unique_ptr<QIODevice> datei);
    // The next pairs, up to 16; nullopt when the file failed or changed under the reader.
    std::optional<std::vector<Paar>> naechster_Block();
    void schliesse();
    bool offen() const { return datei_ != nullptr; }

    // In words, as the progress counts them.
    int64_t Position() const { return position_; }
    int64_t Groesse() const { return groesse_; }
    bool am_Ende() const { return position_ >= groesse_; }

private:
    std::unique_ptr<QIODevice> datei_;
    int64_t position_ = 0;
    int64_t groesse_ = 0;
    int64_t bytes_ = 0;
};

// Writes an export beside its target and puts it in the target's place only once it is
// whole: an export that ends early leaves the target as it was.
class Exportschreiber {
public:
    explicit Exportschreiber(const QString& ziel);
    ~Exportschreiber();
    Exportschreiber(const Exportschreiber&) = delete;
    Exportschreiber& operator=(const Exportschreiber&) = delete;

    bool offen() const;
    bool schreibe(const std::vector<Paar>& paare);
    // False when the file could not take its place.
    bool uebernehme();
    void verwirf();

private:
    std::unique_ptr<QSaveFile> datei_;
    bool fehler_ = false;
};

} // namespace QVD
