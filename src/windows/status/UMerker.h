#pragma once

#include "windows/TForm.h"

#include <QRect>
#include <QString>
#include <array>
#include <cstdint>

class QLabel;
class TColorButton;
class Kontext;

// The 16 flags of the flag word: flag n (1..16) is bit n - 1, four to a row.
namespace Merker_Logik {
// "H" when the flag's bit is set, else "L".
QString Beschriftung(uint16_t wort, int n);
// The word that switches flag n: the last received word with its bit inverted.
uint16_t Schaltwort(uint16_t letztes, int n);
QRect Labelort(int n);
QRect Knopfort(int n);
} // namespace Merker_Logik

// The flag test: polls the flag word while shown, a click on a flag's button inverts it in the
// ECU; the captions follow the next answer.
class TForm_Merker : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Merker, &TForm::Klasse)
    static constexpr int Anzahl = 16;
    explicit TForm_Merker(Kontext& kontext);
    ~TForm_Merker() override;

    void zeige_Merker();
    void schalte_Merker(const TColorButton* sender);

    // Index 0..15 for flags 1..16; built at the first showing.
    std::array<QLabel*, Anzahl> Labels{};
    std::array<TColorButton*, Anzahl> Buttons{};

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Kontext& k;
    bool abgefragt_ = false;
};
