#include "base/Uglobal.h"

#include "platform/Dateien.h"
#include "platform/Dialoge.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

Globaldaten* g_daten = nullptr;

// Stands in when no context is installed (a unit tested on its own): empty texts, defaults.
Globaldaten& leere_Globaldaten() {
    static Globaldaten leer;
    return leer;
}

constexpr std::array<const char*, 22> kHersteller = {"Quorvel",
                                                     "Blensar",
                                                     "Dr. Dranel",
                                                     "Feltrano",
                                                     "Gisvaro",
                                                     "Tormeck",
                                                     "Hollvik&Tarn",
                                                     "Ozra",
                                                     "Vundel",
                                                     "Praxen",
                                                     "Kelbor",
                                                     "Pilmot",
                                                     "Vexa",
                                                     "Lumra-Energie",
                                                     "Trevan-Motorsport",
                                                     "Hollvik Flugmotoren",
                                                     "Norvek-Tech",
                                                     "Sudmark-BHKW",
                                                     "Ferrovan",
                                                     "Grey-Comet",
                                                     "Valdris",
                                                     "Tolvar-Power"};

template <typename T> T auf_Bereich(double x) {
    if (std::isnan(x))
        return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
    return static_cast<T>(std::clamp(x, lo, hi));
}

int32_t Round32(double x) {
    return auf_Bereich<int32_t>(std::nearbyint(x));
}

QString zweistellig(int64_t n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

// ---------------------------------------------------------------- texts and settings

void installiere_Globaldaten(Globaldaten* daten) {
    g_daten = daten;
}

Globale& glob() {
    return g_daten ? g_daten->g : leere_Globaldaten().g;
}

QString hole_Text(int nummer) {
    return (g_daten ? g_daten : &leere_Globaldaten())->texte.hole_Text(nummer);
}

QString Texte::hole_Text(int nummer) const {
    if (nummer < 1 || Zeilen.size() <= nummer - 1)
        return QString();
    QString text = Zeilen[nummer - 1];
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    text.remove(0, i);
    text.replace('|', QChar(Zeilenumbruch));
    return text;
}

void Texte::ergaenze_Texte(const QStringList& fallback) {
    for (qsizetype i = 0; i < fallback.size(); ++i) {
        if (Zeilen.size() <= i)
            Zeilen.append(QString());
        if (Zeilen[i].isEmpty())
            Zeilen[i] = fallback[i];
    }
}

QString Sprachdatei(const QString& sprachordner) {
    return Dateien::verbinde(sprachordner, QStringLiteral("QORV4.TXT"));
}

void Uglobal_init(Globaldaten& daten, const Registry& registry, const QString& aktuellerOrdner,
                  const QStringList& argumente) {
    Globale& g = daten.g;
    g.Pfad_Programm = aktuellerOrdner;
    g.Pfad_Daten = Dateien::verbinde(g.Pfad_Programm, QStringLiteral("DATA"));
    g.Pfad_Config = Dateien::verbinde(g.Pfad_Programm, QStringLiteral("CONFIG"));
    g.Pfad_Englisch = Dateien::verbinde(g.Pfad_Programm, QStringLiteral("Language/English"));
    g.Pfad_Deutsch = Dateien::verbinde(g.Pfad_Programm, QStringLiteral("Language/Deutsch"));

    // Each value on its own: a missing port number must not discard the other settings.
    g.Sprache = registry.readString(QStringLiteral("Language")).value_or(QString());
    g.COM_Nr = registry.readInteger(QStringLiteral("COM_Nr")).value_or(0);
    g.Vundel_CWI = registry.readInteger(QStringLiteral("Vundel-CWI")).value_or(0) == 1;

    if (g.Sprache.isEmpty())
        g.Sprache = QStringLiteral("Deutsch");
    g.Pfad_Sprache = Dateien::verbinde(g.Pfad_Programm, QStringLiteral("Language/") + g.Sprache);

    g.Testmodus = std::any_of(argumente.begin(), argumente.end(),
                              [](const QString& a) { return a == QLatin1String("/T"); });
    lade_Texte(daten);
}

void lade_Texte(Globaldaten& daten) {
    const Globale& g = daten.g;
    QStringList gemeldet;
    auto lade = [&](const QString& ordner) -> QStringList {
        const QString pfad = Sprachdatei(ordner);
        if (auto zeilen = Dateien::lies_Zeilen(pfad))
            return *zeilen;
        const QString gefunden = Dateien::finde(pfad);
        if (!gemeldet.contains(gefunden)) {
            gemeldet.append(gefunden);
            Dialoge::ShowMessage(QStringLiteral("File ") + pfad +
                                 QStringLiteral(" is not available."));
        }
        return {};
    };
    daten.texte.Zeilen = lade(g.Pfad_Sprache);
    daten.texte.ergaenze_Texte(lade(g.Pfad_Englisch));
    daten.texte.ergaenze_Texte(lade(g.Pfad_Deutsch));
}

// ---------------------------------------------------------------- names

QString Hersteller_Name(int nummer) {
    if (nummer < 1 || nummer > static_cast<int>(kHersteller.size()))
        return QString();
    return QString::fromUtf8(kHersteller[static_cast<size_t>(nummer - 1)]);
}

int Hersteller_Nummer(const QString& name) {
    for (size_t i = 0; i < kHersteller.size(); ++i)
        if (name.compare(QString::fromUtf8(kHersteller[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

QString ECU_Typ_Name(int typ) {
    switch (typ) {
    case 1:
    case 2:
    case 3:
        return hole_Text(602 + typ);
    case 4:
        return QStringLiteral("Testbox");
    case 5:
        return QStringLiteral("Diesel");
    case 6:
        return QStringLiteral("BHKW(slave)");
    case 7:
        return QStringLiteral("Gasmotor");
    case 8:
        return QStringLiteral("Bootloader");
    default:
        return QString();
    }
}

// ---------------------------------------------------------------- window services

void zeige_Hilfe(const QString& thema) {
    const Globale& g = glob();
    const QString datei = QStringLiteral("Help ") + thema + QStringLiteral(".PDF");
    for (const QString& ordner : {g.Pfad_Sprache, g.Pfad_Englisch, g.Pfad_Deutsch}) {
        const int ergebnis = Shell::oeffne(Dateien::finde(Dateien::verbinde(ordner, datei)));
        if (ergebnis != Shell::Datei_nicht_gefunden)
            return;
    }
}

// ---------------------------------------------------------------- conversions

int64_t Round(double x) {
    return auf_Bereich<int64_t>(std::nearbyint(x));
}

QString String_trimmen(const QString& text) {
    qsizetype anfang = 0;
    qsizetype ende = text.size();
    while (anfang < ende && text[anfang] == ' ')
        ++anfang;
    if (anfang == ende)
        return text;
    while (ende > anfang && text[ende - 1] == ' ')
        --ende;
    return text.mid(anfang, ende - anfang);
}

bool ist_leer(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == ' '; });
}

int32_t String_zu_Int(const QString& text) {
    const QString t = String_trimmen(text);
    qsizetype i = 0;
    bool negativ = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negativ = t[i] == '-';
        ++i;
    }
    int64_t wert = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
        const int64_t naechster = wert * 10 + (t[i].unicode() - '0');
        if (naechster > int64_t{std::numeric_limits<int32_t>::max()} + (negativ ? 1 : 0))
            break; // the digits up to here are the valid prefix
        wert = naechster;
    }
    return static_cast<int32_t>(negativ ? -wert : wert);
}

double String_zu_Float(const QString& text) {
    QString t = String_trimmen(text);
    t.replace(',', '.');
    const QByteArray bytes = t.toLatin1();
    const char* anfang = bytes.constData();
    const char* ende = anfang + bytes.size();
    const char* p = anfang;
    double vorzeichen = 1.0;
    if (p < ende && (*p == '+' || *p == '-')) {
        vorzeichen = *p == '-' ? -1.0 : 1.0;
        ++p;
    }
    // Only decimal notation: no "inf", "nan" or hexadecimal floats.
    if (p == ende || !(std::isdigit(static_cast<unsigned char>(*p)) || *p == '.'))
        return 0.0;
    double wert = 0.0;
    const auto [rest, fehler] = std::from_chars(p, ende, wert, std::chars_format::general);
    if (fehler != std::errc() || rest == p)
        return 0.0;
    return vorzeichen * wert;
}

double Hex_zu_Zahl(const QString& text) {
    double wert = 0.0;
    for (const QChar c : text) {
        const int ziffer = c.unicode() < 128 ? QChar(c).digitValue() : -1;
        int v = -1;
        if (ziffer >= 0 && ziffer <= 9)
            v = ziffer;
        else if (c >= 'A' && c <= 'F')
            v = c.unicode() - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c.unicode() - 'a' + 10;
        if (v < 0)
            break;
        wert = wert * 16.0 + v;
    }
    return wert;
}

QString Zahl_zu_Hex(int64_t zahl) {
    // A negative 32-bit number shows as its two's complement, as the ECU's words do.
    if (zahl < 0 && zahl >= std::numeric_limits<int32_t>::min())
        return QString::number(static_cast<uint32_t>(zahl), 16).toUpper();
    return QString::number(static_cast<uint64_t>(zahl), 16).toUpper();
}

QString Float_zu_String(int breite, int nachkomma, double wert) {
    return QStringLiteral("%1").arg(wert, breite, 'f', std::max(nachkomma, 0));
}

QString Float_zu_String_fest(int breite, int nachkomma, float wert) {
    QString s = QString::asprintf("%30.10f", static_cast<double>(wert));
    const qsizetype punkt = s.indexOf('.');
    if (punkt >= 0)
        s = nachkomma <= 0 ? s.left(punkt) : s.left(punkt + 1 + std::min(nachkomma, 10));
    // Keeping the last characters drops the padding; a number wider than the field would
    // lose its leading digits or its sign and show a different value, so it stays whole.
    const QString zahl = String_trimmen(s);
    if (zahl.size() > breite)
        return zahl;
    return s.right(std::max(breite, 0));
}

QString Zehntel_zu_Zeit(int64_t zehntel) {
    const QString vz = zehntel < 0 ? QStringLiteral("-") : QString();
    const int64_t z = zehntel < 0 ? -zehntel : zehntel;
    const int64_t sekunden = z / 10;
    return vz + QString::number(sekunden / 3600) + ':' + zweistellig(sekunden / 60 % 60) + ':' +
           zweistellig(sekunden % 60) + ',' + QString::number(z % 10);
}

QString ms_zu_Zeit(int64_t ms) {
    const QString vz = ms < 0 ? QStringLiteral("-") : QString();
    const int64_t m = ms < 0 ? -ms : ms;
    const int64_t sekunden = m / 1000;
    return vz + QString::number(sekunden / 3600) + ':' + zweistellig(sekunden / 60 % 60) + ':' +
           zweistellig(sekunden % 60) + ',' +
           QStringLiteral("%1").arg(m % 1000, 3, 10, QLatin1Char('0'));
}

float ADC_zu_Volt(float x) {
    return x * 5.0f / 1023.0f;
}

uint16_t Volt_zu_ADC(float x) {
    return auf_Bereich<uint16_t>(std::nearbyint(x * 1023.0f / 5.0f));
}

int32_t skaliere_255_auf_100(float x) {
    return Round32(x * 100.0f / 255.0f);
}

int32_t skaliere_255_auf_90(float x) {
    return Round32(x * 90.0f / 255.0f);
}

int32_t skaliere_90_auf_255(float x) {
    return Round32(x * 255.0f / 90.0f);
}

int32_t mal_0_8(float x) {
    return Round32(0.8f * x);
}

int32_t mal_1_25(float x) {
    return Round32(x * 1.25f);
}

int32_t Byte_zu_Prozent_mittig(float x) {
    float y = x - 128.0f;
    y = y >= 0.0f ? y + 0.01f : y - 0.01f;
    return Round32(y / 1.28f);
}
