// The ".QVD" file: the description as pairs, the header as the import window shows it, the
// pairs an import sends and the export written beside its target.

#include "model/QVD_Datei.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using QVD::Paar;
using Paare = std::vector<Paar>;

namespace {

QByteArray Datei(const Paare& paare) {
    return QVD::Bytes(paare);
}

// A header of 20 pairs as an ECU sends it: tag 64 first, then the given tags, filled up.
Paare Kopf(const Paare& tags, uint16_t beginn = 1) {
    Paare p{{64, beginn}};
    p.insert(p.end(), tags.begin(), tags.end());
    for (uint16_t t = 90; p.size() < 20; ++t)
        p.push_back({t, 0});
    return p;
}

} // namespace

void PrintTo(const Paar& p, std::ostream* os) {
    *os << '(' << p.Kennung << ", " << p.Wert << ')';
}

TEST(QVD, DescriptionLinesBecomeTwoCharactersAPairAndAnEnd) {
    struct Fall {
        QStringList zeilen;
        Paare paare;
    };
    const Fall faelle[] = {
        {{"abc"}, {{16, 25185}, {16, 99}, {17, 0}}},
        {{"ab"}, {{16, 0x6261}, {17, 0}}},
        {{""}, {{17, 0}}},
        {{"a", "", "b"}, {{16, 97}, {17, 0}, {17, 0}, {16, 98}, {17, 0}}},
        // Beyond ASCII, in the ECU world's code page: é is 0xE9, the euro sign 0x80.
        {{QStringLiteral("é€")}, {{16, 0x80E9}, {17, 0}}},
        {{}, {}},
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(QVD::Beschreibung(f.zeilen), f.paare) << f.zeilen.join('|').toStdString();
        // And back, as the import window reads it.
        EXPECT_EQ(QVD::lies_Dateikopf(Datei(f.paare)).Beschreibung, f.zeilen);
    }
    EXPECT_EQ(Datei({{16, 25185}, {17, 0}}), QByteArray("\x10\x00\x61\x62\x11\x00\x00\x00", 8));
}

TEST(QVD, TheHeaderShowsAsTheImportWindowLabelsIt) {
    struct Fall {
        Paare tags;
        const char* version;
        const char* datenversion;
        const char* alte;
    };
    const Fall faelle[] = {
        {{{66, 615}, {67, 3}, {68, 0x0102}}, "V6.15 R3", "1.2", ""},
        {{{66, 5}, {67, 0}}, "V.5 R0", "0.0", ""},
        {{{66, 1203}, {67, 12}, {68, 0xFF00}}, "V12.03 R12", "255.0", ""},
        {{{66, 100}}, "V1.00 R0", "0.0", ""},
        {{{70, 3}, {71, 0}, {72, 7}}, "V.0 R0", "0.0", "3, 7"},
        {{{70, 0}, {71, 0}, {72, 9999}}, "V.0 R0", "0.0", "9999"},
    };
    for (const Fall& f : faelle) {
        const QVD::Dateikopf k = QVD::lies_Dateikopf(Datei(Kopf(f.tags)));
        EXPECT_EQ(k.Versionstext(), f.version);
        EXPECT_EQ(k.Datenversionstext(), f.datenversion);
        EXPECT_EQ(k.alte_Passwortnummern, f.alte);
    }
    const QVD::Dateikopf k = QVD::lies_Dateikopf(
        Datei(Kopf({{65, 40}, {69, 12}, {80, 0x5678}, {81, 0x1234}, {82, 1}, {83, 2}, {84, 400}})));
    EXPECT_EQ(k.Kopf, 1);
    EXPECT_EQ(k.Anzahl, 40);
    EXPECT_EQ(k.Passwortnummer, 12);
    EXPECT_EQ(k.Wert32, 0x12345678u);
    EXPECT_EQ(k.ECU_Typ, 1);
    EXPECT_EQ(k.Hersteller, 2);
    EXPECT_EQ(k.Typnummer, 400);
}

// Tag 64 = 1 makes its 20 pairs the last the scan reads: data pairs that look like
// description or header are not; any other value leaves the whole file to the scan.
TEST(QVD, TheScanEndsWithTheTwentyHeaderPairsUnlessTheHeaderSaysOtherwise) {
    for (uint16_t beginn : {1, 0, 2}) {
        Paare p = QVD::Beschreibung({"x"});
        const Paare kopf = Kopf({{66, 615}, {70, 3}}, beginn);
        p.insert(p.end(), kopf.begin(), kopf.end());
        p.insert(p.end(), {{16, 'y'}, {17, 0}, {66, 700}, {71, 4}, {16, 'z'}});
        const QVD::Dateikopf k = QVD::lies_Dateikopf(Datei(p));
        if (beginn == 1) {
            EXPECT_EQ(k.Beschreibung, QStringList{"x"});
            EXPECT_EQ(k.Version, 615);
            EXPECT_EQ(k.alte_Passwortnummern, "3");
        } else {
            EXPECT_EQ(k.Beschreibung, (QStringList{"x", "y", "z"})) << beginn;
            EXPECT_EQ(k.Version, 700);
            EXPECT_EQ(k.alte_Passwortnummern, "3, 4");
        }
    }
    // Only whole pairs are read; a cut one at the end is not.
    QByteArray cut = Datei({{16, 'a'}, {17, 0}, {16, 'b'}});
    cut.chop(1);
    EXPECT_EQ(QVD::lies_Dateikopf(cut).Beschreibung, (QStringList{"a"}));
}

namespace {

struct Import {
    QVD::Importleser::Ergebnis ergebnis;
    std::vector<int> bloecke;
    QByteArray gesendet;
};

Import importiere(const QByteArray& inhalt) {
    auto puffer = std::make_unique<QBuffer>();
    puffer->setData(inhalt);
    puffer->open(QIODevice::ReadOnly);
    QVD::Importleser leser;
    Import i{leser.oeffne(std::move(puffer)), {}, {}};
    if (i.ergebnis != QVD::Importleser::Ergebnis::ok)
        return i;
    for (;;) {
        const auto b = leser.naechster_Block();
        if (!b)
            break;
        i.bloecke.push_back(static_cast<int>(b->size()));
        i.gesendet += QVD::Bytes(*b);
        if (b->size() < 16)
            break;
    }
    return i;
}

} // namespace

TEST(QVD, AnImportSendsTheFileFromItsHeaderOnSixteenPairsATelegram) {
    using E = QVD::Importleser::Ergebnis;
    struct Fall {
        int daten;
        int abschneiden; // bytes cut off the end
        E ergebnis;
        std::vector<int> bloecke;
    };
    const Fall faelle[] = {
        {40, 0, E::ok, {16, 16, 16, 12}},
        {44, 0, E::ok, {16, 16, 16, 16, 0}},
        {0, 0, E::ok, {16, 4}},
        {40, 1, E::keine_ganzen_Paare, {}},
        {40, 2, E::keine_ganzen_Paare, {}},
        {40, 3, E::keine_ganzen_Paare, {}},
    };
    for (const Fall& f : faelle) {
        const Paare beschreibung = QVD::Beschreibung({"odd line", "x"});
        Paare rest = Kopf({{65, static_cast<uint16_t>(f.daten)}});
        for (int i = 0; i < f.daten; ++i)
            rest.push_back({static_cast<uint16_t>(1000 + i), static_cast<uint16_t>(i)});
        QByteArray inhalt = Datei(beschreibung) + Datei(rest);
        inhalt.chop(f.abschneiden);
        const Import i = importiere(inhalt);
        EXPECT_EQ(i.ergebnis, f.ergebnis) << f.daten << " " << f.abschneiden;
        EXPECT_EQ(i.bloecke, f.bloecke) << f.daten << " " << f.abschneiden;
        if (f.ergebnis == E::ok) {
            EXPECT_EQ(i.gesendet, Datei(rest));
        }
    }
    // No header at all: nothing to send but the empty telegram that ends an import.
    const Import ohne = importiere(Datei(QVD::Beschreibung({"only text"})));
    EXPECT_EQ(ohne.ergebnis, E::ok);
    EXPECT_EQ(ohne.bloecke, std::vector<int>{0});
}

TEST(QVD, AnExportTakesItsTargetsPlaceOnlyWhenWhole) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("data.QVD");
    const auto lies = [&] {
        QFile f(ziel);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    };
    {
        QVD::Exportschreiber s(ziel);
        ASSERT_TRUE(s.offen());
        ASSERT_TRUE(s.schreibe({{16, 1}}));
    } // ended without taking its place
    EXPECT_EQ(lies(), "<none>");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
    {
        QVD::Exportschreiber s(ziel);
        ASSERT_TRUE(s.schreibe({{16, 1}}));
        ASSERT_TRUE(s.uebernehme());
    }
    EXPECT_EQ(lies(), Datei({{16, 1}}));
    {
        QVD::Exportschreiber s(ziel);
        ASSERT_TRUE(s.schreibe({{17, 0}, {64, 1}}));
        s.verwirf();
        EXPECT_FALSE(s.uebernehme());
    }
    EXPECT_EQ(lies(), Datei({{16, 1}}));
    // A folder that does not exist: nothing opens.
    EXPECT_FALSE(QVD::Exportschreiber(dir.filePath("no/such/folder/x.QVD")).offen());
}
