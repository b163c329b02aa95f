#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class Registry;

// Settings fixed once at start from the current folder, the registry and the command line.
struct Globale {
    QString Pfad_Programm;
    QString Pfad_Daten;
    QString Pfad_Config;
    QString Pfad_Englisch;
    QString Pfad_Deutsch;
    QString Sprache;
    QString Pfad_Sprache;
    int COM_Nr = 0; // 0 = CAN, 44 = COM4 in RS485 mode at 57600 baud, n = COMn
    bool Vundel_CWI = false;
    bool Testmodus = false;
};

// The language texts: line N of the language file is text N.
class Texte {
public:
    QStringList Zeilen;

    QString hole_Text(int nummer) const;
    // Fills empty or missing lines from a fallback list; a line of blanks is kept.
    void ergaenze_Texte(const QStringList& fallback);
};

// What the running program's units share: installed by the application context for its
// lifetime, reached through glob() and hole_Text().
struct Globaldaten {
    Globale g;
    Texte texte;
};
void installiere_Globaldaten(Globaldaten* daten);
Globale& glob();
QString hole_Text(int nummer);

// The language file's name inside a language folder.
QString Sprachdatei(const QString& sprachordner);

// Sets the folders, reads the registry, evaluates "/T" and loads the texts.
void Uglobal_init(Globaldaten& daten, const Registry& registry, const QString& aktuellerOrdner,
                  const QStringList& argumente);
// Loads each language file on its own, fills the chosen file's gaps from English, then
// German, and reports each file that could not be read once.
void lade_Texte(Globaldaten& daten);

// The platform's line break in texts: what "|" stands for in a language text.
inline constexpr char16_t Zeilenumbruch = u'\n';

QString Hersteller_Name(int nummer);
int Hersteller_Nummer(const QString& name);
QString ECU_Typ_Name(int typ);

// Opens "Help <topic>.PDF" from the chosen language, else the English, else the German folder.
void zeige_Hilfe(const QString& thema);

// Little-endian words, as every number in the ECU's frames and data files is stored.
inline uint16_t lies_Wort(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline void schreibe_Wort(uint8_t* p, uint16_t wert) {
    p[0] = static_cast<uint8_t>(wert & 0xFF);
    p[1] = static_cast<uint8_t>(wert >> 8);
}

// Conversion and formatting helpers. Round is to the nearest integer, halves to even.
QString String_trimmen(const QString& text);
bool ist_leer(const QString& text);
int32_t String_zu_Int(const QString& text);
double String_zu_Float(const QString& text);
double Hex_zu_Zahl(const QString& text);
QString Zahl_zu_Hex(int64_t zahl);
QString Float_zu_String(int breite, int nachkomma, double wert);
QString Float_zu_String_fest(int breite, int nachkomma, float wert);
QString Zehntel_zu_Zeit(int64_t zehntel);
QString ms_zu_Zeit(int64_t ms);
float ADC_zu_Volt(float x);
uint16_t Volt_zu_ADC(float x);
int32_t skaliere_255_auf_100(float x);
int32_t skaliere_255_auf_90(float x);
int32_t skaliere_90_auf_255(float x);
int32_t mal_0_8(float x);
int32_t mal_1_25(float x);
int32_t Byte_zu_Prozent_mittig(float x);
int64_t Round(double x);
