#pragma once

#include "windows/TForm.h"

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QLabel;
class QPushButton;
class TColorButton;
class Kontext;

// The tooth times of one speed-sensor test and what the window makes of them: a positive
// value is a tooth time in hundredths, a negative one marks a gap.
class Zahnzeitenfolge {
public:
    static constexpr int Anzahl = 200;

    // The raw little-endian 16-bit values as the ECU sent them; scaled by 4 when parameter
    // 1138 is above 0. The values are held in 32 bits, where the scaled raw values fit.
    void uebernehme(std::span<const uint8_t> roh, bool mal_4);

    struct Anzeige {
        QString Text;
        bool rot = false;
    };
    // Value k as shown; gap_rot: parameter 3 names a variant whose gaps are shown as such.
    Anzeige zeige(int k, bool gap_rot) const;
    static bool Luecke_rot(std::optional<int64_t> parameter_3);

    // One stroke of the pulse train: its x, on the lower line or the upper, red for a gap.
    struct Strich {
        int x = 0;
        bool unten = false;
        bool rot = false;
    };
    std::vector<Strich> Striche(int links, int breite) const;

    bool Daten_vorhanden = false;
    std::array<int32_t, Anzahl> Zahnzeiten{};
};

// The speed-sensor pulse test: a table of the 200 tooth times, the pulse train, printing.
class TForm_Test_Drehzahl : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Test_Drehzahl, &TForm::Klasse)
    static constexpr int Links = 40;
    static constexpr int Breite = 820;

    explicit TForm_Test_Drehzahl(Kontext& kontext);

    void Button_StartenClick();
    void ColorButton_FehlertriggerClick();
    void ColorButton_druckenClick();
    // The request calls it once the 200 values are read (the context binds it when the
    // command requests come).
    void zeige_Ergebnis();

    QPushButton* Button_Starten = nullptr;
    TColorButton* ColorButton_drucken = nullptr;
    TColorButton* ColorButton_Fehlertrigger = nullptr;
    std::array<QLabel*, Zahnzeitenfolge::Anzahl> Wertlabels{};
    std::array<QLabel*, 10> Zeilenlabels{};
    std::array<QLabel*, 20> Spaltenlabels{};
    Zahnzeitenfolge Folge;
    // The ECU's answer area: 200 16-bit values.
    std::array<uint8_t, 2 * Zahnzeitenfolge::Anzahl> Puffer{};

    int obere_Linie() const;
    int untere_Linie() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void starte(bool fehlertrigger);
    void stoppe();
    Kontext& k;
};
