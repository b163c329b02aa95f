#pragma once

#include "windows/TForm.h"
#include "windows/service/Programmboot.h"

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class TColorButton;
class Kontext;

// The firmware programming window: a thin view over Programmboot.
class TForm_Programmboot : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Programmboot, &TForm::Klasse)
    explicit TForm_Programmboot(Kontext& kontext);
    ~TForm_Programmboot() override;

    Programmboot& Logik() { return *logik_; }

    void Button_startenClick();
    void Button_waehlenClick();
    // Shows what the logic holds.
    void zeige();

    QComboBox* ComboBox = nullptr;
    QPlainTextEdit* Memo_Hilfe = nullptr;
    QProgressBar* ProgressBar = nullptr;
    TColorButton* colorButton_starten = nullptr;
    TColorButton* ColorButton_waehlen = nullptr;
    QLabel* Label_Kopf_Programmname = nullptr;
    QLabel* Label_Kopf_Quorvel_Typ = nullptr;
    QLabel* Label_Kopf_Seriennummer = nullptr;
    QLabel* Label_Kopf_Hersteller = nullptr;
    QLabel* Label_Kopf_Typnummer = nullptr;
    QLabel* Label_Seriennummer = nullptr;
    QLabel* Label_Quorvel_Typ = nullptr;
    QLabel* Label_Hersteller = nullptr;
    QLabel* Label_Typnummer = nullptr;

    // The open dialog's choice; tests answer in its place.
    std::function<QString()> OpenDialog_Programmboot;

protected:
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* objekt, QEvent* event) override;

private:
    Kontext& k;
    std::unique_ptr<Programmboot> logik_;
};
