#pragma once

#include "windows/TForm.h"

#include <array>
#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Kontext;

// The injector test's figures: four runs (2500 and 8000 us at low voltage, the same at high
// voltage), their times and the fuel weighed after each.
class Duesentest {
public:
    static constexpr std::array<uint16_t, 4> Pulsbreite{2500, 8000, 2500, 8000};

    // The switch-on time from the two runs of one voltage, in single precision with each
    // intermediate rounded; 0 when a figure is below 1 or the 8000 us fuel is not 1 g more,
    // and when figures so large that single precision overflows leave no number.
    static int64_t berechne_Einschaltzeit(float t1, float t2, float w1, float w2);
    // The result of the voltage group of run n (1..4).
    int64_t Einschaltzeit(int n) const;

    // A field's text: a time that is not an integer counts as 1 s (its low 16 bits are kept),
    // a weight that is not a number as 1.0 g (its decimals after the locale's separator or
    // a point).
    void setze_Zeit(int n, const QString& text);
    void setze_Gewicht(int n, const QString& text);

    std::array<uint16_t, 4> Zeiten{600, 300, 600, 300};
    std::array<float, 4> Gewichte{};
    int laufender_Test = 0;
};

// The injector test window.
class TForm_Test_Duese : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Test_Duese, &TForm::Klasse)
    explicit TForm_Test_Duese(Kontext& kontext);

    void starte_stoppe_Test(int n);
    // The request calls it after each answer (the context binds it when the command
    // requests come).
    void zeige_Restzeit();
    void zeige_Batteriespannung();

    Duesentest Test;
    // The request writes the remaining time's low 16 bits here.
    std::array<uint8_t, 2> Restzeit{};

    struct Lauf {
        QGroupBox* Gruppe = nullptr;
        QLineEdit* Zeit = nullptr;
        QLineEdit* Gewicht = nullptr;
        QLabel* akt_Zeit = nullptr;
        QPushButton* Start = nullptr;
    };
    std::array<Lauf, 4> Laeufe{};
    QLabel* Label_n_Einschaltzeit = nullptr;
    QLabel* Label_h_Einschaltzeit = nullptr;
    QLabel* Label_Batteriespannung = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setze_zurueck();
    void berechne(int n);
    Kontext& k;
};
