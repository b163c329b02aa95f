#pragma once

// Record bytes built by hand for the variant windows' logic, and the table check of what
// every label shows.

#include "windows/status/Variantenansicht.h"

#include <QGroupBox>
#include <QLabel>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <vector>

// A record of n bytes with the given little-endian words (offset, value); a value is
// written as its low 16 bits, so that signed values read back as they stand.
struct Wort {
    int Offset;
    int Wert;
};
inline std::vector<uint8_t> Datensatz(int n, std::initializer_list<Wort> worte) {
    std::vector<uint8_t> d(static_cast<size_t>(n), 0);
    for (const Wort& w : worte) {
        d.at(static_cast<size_t>(w.Offset)) = static_cast<uint8_t>(w.Wert & 0xFF);
        d.at(static_cast<size_t>(w.Offset + 1)) = static_cast<uint8_t>((w.Wert >> 8) & 0xFF);
    }
    return d;
}
inline void setze_u32(std::vector<uint8_t>& d, int offset, uint32_t wert) {
    for (int i = 0; i < 4; ++i)
        d.at(static_cast<size_t>(offset + i)) = static_cast<uint8_t>(wert >> (8 * i));
}
inline void setze_f32(std::vector<uint8_t>& d, int offset, float wert) {
    uint32_t bits = 0;
    std::memcpy(&bits, &wert, sizeof bits);
    setze_u32(d, offset, bits);
}

// Parameters by number; the ones not named are not defined.
inline Parameterwert Parameter(std::map<int, int64_t> werte) {
    return [werte = std::move(werte)](int n) -> std::optional<int64_t> {
        const auto it = werte.find(n);
        return it == werte.end() ? std::nullopt : std::optional(it->second);
    };
}

// One label as the table expects it; colour and visibility only where given.
struct Soll {
    const char* Name;
    std::optional<QString> Text;
    std::optional<bool> sichtbar = std::nullopt;
    std::optional<Farbe> farbe = std::nullopt;
};
inline constexpr Farbe rot = Farbe::rot;
inline constexpr Farbe schwarz = Farbe::schwarz;

inline void pruefe(const Anzeige& a, const std::vector<Soll>& tabelle, const char* fall = "") {
    for (const Soll& s : tabelle) {
        const QString name = QString::fromLatin1(s.Name);
        SCOPED_TRACE(std::string(fall) + " " + s.Name);
        EXPECT_TRUE(a.Felder().contains(name) || (!s.Text && !s.sichtbar && !s.farbe));
        const Feld& f = a[name];
        if (s.Text) {
            EXPECT_EQ(f.Text, *s.Text);
        }
        if (s.sichtbar) {
            EXPECT_EQ(f.sichtbar, *s.sichtbar);
        }
        if (s.farbe) {
            EXPECT_EQ(f.farbe, *s.farbe);
        }
    }
}

// Every label the logic fills is there in the window and shows what the logic says.
inline void pruefe_Fenster(const TForm_Variante& fenster, const Anzeige& a) {
    for (const auto& [name, f] : a.Felder()) {
        SCOPED_TRACE(name.toStdString());
        if (QLabel* l = fenster.Label(name)) {
            if (f.Text_gesetzt) {
                EXPECT_EQ(l->text(), f.Text);
            } else if (name.startsWith(QStringLiteral("Label_Kopf")) ||
                       name.startsWith(QStringLiteral("Label_Einheit_"))) {
                // A row shown or hidden keeps its design captions.
                EXPECT_FALSE(l->text().isEmpty());
            }
            EXPECT_EQ(l->isHidden(), !f.sichtbar);
            const QColor soll =
                name.startsWith(QStringLiteral("Label_Spannung_")) || f.farbe == Farbe::rot
                    ? QColor(Qt::red)
                    : QColor(Qt::black);
            EXPECT_EQ(l->palette().color(QPalette::WindowText), soll);
        } else {
            const QWidget* w = fenster.findChild<QWidget*>(name);
            ASSERT_NE(w, nullptr) << "no control of that name";
            EXPECT_EQ(w->isHidden(), !f.sichtbar);
        }
    }
}

// Saves a picture of the window when QUORVEL_BILDER names a folder (for looking at it under
// Xvfb).
inline void Bild(QWidget& w, const char* name) {
    const QByteArray ordner = qgetenv("QUORVEL_BILDER");
    if (ordner.isEmpty())
        return;
    w.show();
    w.grab().save(QString::fromLocal8Bit(ordner) + QLatin1Char('/') + QLatin1String(name) +
                  QStringLiteral(".png"));
}
