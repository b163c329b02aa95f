#include "windows/status/UTest_Duese.h"

#include "base/Uglobal.h"
#include "model/UBefehle.h"
#include "model/UStatusdaten.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>
#include <cmath>

// ---------------------------------------------------------------- figures

int64_t Duesentest::berechne_Einschaltzeit(float t1, float t2, float w1, float w2) {
    if (t1 < 1.0f || t2 < 1.0f || w1 < 1.0f || w2 < 1.0f)
        return 0;
    // Each step in single precision, as the figures are held.
    const float x = w2 * t1 / t2;
    const float d = x - w1;
    if (d < 1.0f)
        return 0;
    const float m = d / 5500.0f;
    const float mal = m * 8000.0f;
    const float differenz = x - mal;
    const float s = -differenz / m;
    if (s > 50000.0f)
        return 50000;
    // Weights of tonnes overflow single precision (no number is left), and a weight just
    // below the scaled one gives a delay far past any integer: neither is converted.
    constexpr float grenze = 9.0e18f;
    if (!(s >= -grenze))
        return 0;
    // Ties to even, the default rounding mode.
    return static_cast<int64_t>(std::nearbyint(s));
}

int64_t Duesentest::Einschaltzeit(int n) const {
    const size_t a = n <= 2 ? 0 : 2;
    return berechne_Einschaltzeit(Zeiten[a], Zeiten[a + 1], Gewichte[a], Gewichte[a + 1]);
}

void Duesentest::setze_Zeit(int n, const QString& text) {
    bool ok = false;
    const int wert = text.trimmed().toInt(&ok);
    Zeiten[static_cast<size_t>(n - 1)] = static_cast<uint16_t>(ok ? wert : 1);
}

void Duesentest::setze_Gewicht(int n, const QString& text) {
    // The user's own decimal separator, or the point the field shows.
    QLocale ort;
    ort.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    float wert = ort.toFloat(text.trimmed(), &ok);
    if (!ok)
        wert = text.trimmed().toFloat(&ok);
    Gewichte[static_cast<size_t>(n - 1)] = ok && std::isfinite(wert) ? wert : 1.0f;
}

// ---------------------------------------------------------------- window

TForm_Test_Duese::TForm_Test_Duese(Kontext& kontext)
    : TForm(QStringLiteral("test valve")), k(kontext) {
    setWindowTitle(hole_Text(361));
    auto* niedrig = new QGroupBox(hole_Text(362), this);
    niedrig->setGeometry(8, 8, 480, 200);
    auto* hoch = new QGroupBox(hole_Text(363), this);
    hoch->setGeometry(8, 216, 480, 200);
    for (int n = 1; n <= 4; ++n) {
        QGroupBox* eltern = n <= 2 ? niedrig : hoch;
        Lauf& l = Laeufe[static_cast<size_t>(n - 1)];
        l.Gruppe = new QGroupBox(hole_Text(n % 2 ? 364 : 365), eltern);
        l.Gruppe->setGeometry(n % 2 ? 8 : 244, 20, 228, 140);
        auto* zeit = new QLabel(hole_Text(367), l.Gruppe);
        zeit->setGeometry(8, 24, 110, 20);
        l.Zeit = new QLineEdit(l.Gruppe);
        l.Zeit->setGeometry(120, 24, 60, 22);
        auto* gewicht = new QLabel(hole_Text(368), l.Gruppe);
        gewicht->setGeometry(8, 52, 110, 20);
        l.Gewicht = new QLineEdit(l.Gruppe);
        l.Gewicht->setGeometry(120, 52, 60, 22);
        l.akt_Zeit = new QLabel(l.Gruppe);
        l.akt_Zeit->setGeometry(120, 80, 60, 20);
        l.akt_Zeit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l.Start = new QPushButton(hole_Text(77), l.Gruppe);
        l.Start->setGeometry(8, 106, 100, 26);
        connect(l.Zeit, &QLineEdit::textEdited, this,
                [this, n](const QString& t) { Test.setze_Zeit(n, t); });
        connect(l.Gewicht, &QLineEdit::textEdited, this, [this, n](const QString& t) {
            Test.setze_Gewicht(n, t);
            berechne(n);
        });
        connect(l.Start, &QPushButton::clicked, this, [this, n] { starte_stoppe_Test(n); });
    }
    for (auto [gruppe, label] :
         {std::pair{niedrig, &Label_n_Einschaltzeit}, std::pair{hoch, &Label_h_Einschaltzeit}}) {
        auto* kopf = new QLabel(hole_Text(369), gruppe);
        kopf->setGeometry(8, 168, 200, 20);
        *label = new QLabel(gruppe);
        (*label)->setGeometry(210, 168, 80, 20);
        (*label)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    auto* kopf = new QLabel(hole_Text(366), this);
    kopf->setGeometry(16, 428, 200, 20);
    Label_Batteriespannung = new QLabel(this);
    Label_Batteriespannung->setGeometry(220, 428, 60, 20);
    Label_Batteriespannung->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* einheit = new QLabel(QStringLiteral("V"), this);
    einheit->setGeometry(284, 428, 20, 20);
    setFixedSize(496, 460);
    InterAction().Create(
        cl_akt_Daten::Klasse, [this](Sender&) { zeige_Batteriespannung(); },
        cl_akt_Daten::Beantwortet);
    Form_auf_Bildschirm(*this);
}

void TForm_Test_Duese::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    // A window restored from the task bar was not shown anew.
    if (event->spontaneous())
        return;
    for (size_t i = 0; i < Laeufe.size(); ++i) {
        Laeufe[i].Zeit->setText(QString::number(Test.Zeiten[i]));
        Laeufe[i].Gewicht->setText(
            QString::asprintf("%.1f", static_cast<double>(Test.Gewichte[i])));
    }
}

void TForm_Test_Duese::berechne(int n) {
    QLabel* ziel = n <= 2 ? Label_n_Einschaltzeit : Label_h_Einschaltzeit;
    ziel->setText(QString::number(Test.Einschaltzeit(n)));
}

void TForm_Test_Duese::setze_zurueck() {
    for (Lauf& l : Laeufe) {
        l.Start->setEnabled(true);
        l.Start->setText(hole_Text(77));
        l.akt_Zeit->clear();
    }
    Test.laufender_Test = 0;
}

void TForm_Test_Duese::starte_stoppe_Test(int n) {
    Befehlsobjekte* b = k.befehle();
    if (!b || n < 1 || n > 4)
        return;
    cl_Quorvel_starte_Test_Duese& test = *b->Quorvel_starte_Test_Duese;
    if (Test.laufender_Test == 0) {
        // The end of the run before may still be under way: the request takes no start
        // then, and the window must not show a run that the ECU never began.
        if (test.aktiv)
            return;
        Restzeit = {};
        const size_t i = static_cast<size_t>(n - 1);
        test.starten(Duesentest::Pulsbreite[i], Test.Zeiten[i], Restzeit);
        Test.laufender_Test = n;
        for (size_t j = 0; j < Laeufe.size(); ++j)
            Laeufe[j].Start->setEnabled(j == i);
        Laeufe[i].Start->setText(hole_Text(71));
    } else {
        setze_zurueck();
        test.stoppen();
    }
}

void TForm_Test_Duese::zeige_Restzeit() {
    const int rest = Restzeit[0] | (Restzeit[1] << 8);
    if (rest == 0 || Test.laufender_Test == 0) {
        setze_zurueck();
        return;
    }
    Laeufe[static_cast<size_t>(Test.laufender_Test - 1)].akt_Zeit->setText(QString::number(rest));
}

void TForm_Test_Duese::zeige_Batteriespannung() {
    const int16_t roh = k.ecu_Befehle().akt_Daten.s16(76);
    Label_Batteriespannung->setText(
        QString::asprintf("%5.2f", static_cast<double>(ADC_zu_Volt(static_cast<float>(roh)))));
}
