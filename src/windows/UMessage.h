#pragma once

#include "link/UComData.h"

#include <QPoint>
#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;

// The wait window a request may show while it runs.
class cl_message : public QWidget, public Wartefenster {
    Q_OBJECT
public:
    // Where the window's top-left corner goes when it shows: the main window's centre.
    using Mitte = std::function<QPoint()>;

    cl_message(cl_COM_data& anfrage, const QString& text, bool offenLassen, Mitte mitte);

    // The link's factory for wait windows of this kind.
    static Wartefenster_Fabrik Fabrik(Mitte mitte);

    void setze_Text(const QString& text) override { text_ = text; }
    QString Text() const override { return text_; }
    void zeige() override;
    void verberge() override { hide(); }
    bool sichtbar() const override { return isVisible(); }
    void zeige_Fortschritt(bool an) override;
    void setze_Fortschritt(int n) override;
    bool Fortschritt_sichtbar() const override;

    QLabel* Label_Kopf = nullptr;
    QLabel* Label_Text = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* Label_Prozent = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    cl_COM_data& anfrage_;
    QString text_;
    Mitte mitte_;
};
