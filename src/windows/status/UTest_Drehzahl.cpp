#include "windows/status/UTest_Drehzahl.h"

#include "base/Uglobal.h"
#include "model/Drucker.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

// ---------------------------------------------------------------- tooth times

void Zahnzeitenfolge::uebernehme(std::span<const uint8_t> roh, bool mal_4) {
    Daten_vorhanden = true;
    for (size_t k = 0; k < Zahnzeiten.size(); ++k) {
        int32_t v = 0;
        if (2 * k + 1 < roh.size())
            v = static_cast<int16_t>(static_cast<uint16_t>(roh[2 * k] | (roh[2 * k + 1] << 8)));
        // Scaled in 32 bits: in 16 a raw value beyond +-8191 would change its sign.
        Zahnzeiten[k] = mal_4 ? 4 * v : v;
    }
}

bool Zahnzeitenfolge::Luecke_rot(std::optional<int64_t> p3) {
    if (!p3)
        return false;
    for (int w : {4, 5, 6, 7, 16, 24})
        if (*p3 == w)
            return true;
    return false;
}

Zahnzeitenfolge::Anzeige Zahnzeitenfolge::zeige(int k, bool gap_rot) const {
    const int32_t v = Zahnzeiten[static_cast<size_t>(k)];
    if (v >= 0)
        return {QString::asprintf("%5.2f", v / 100.0), false};
    if (gap_rot)
        return {QString::asprintf("%5.2f", -v / 100.0), true};
    return {QString::asprintf("%5.2f", 127 - v / 100.0), false};
}

std::vector<Zahnzeitenfolge::Strich> Zahnzeitenfolge::Striche(int links, int breite) const {
    std::vector<Strich> s;
    if (!Daten_vorhanden)
        return s;
    // In 64 bits: 200 tooth times of up to 4 x 32767 and the products below pass 2^31.
    int64_t T = 1;
    for (int32_t v : Zahnzeiten)
        if (v > 0)
            T += v;
    const int64_t halb = T / 2;
    int64_t S = 0;
    bool unten = false;
    for (int32_t v : Zahnzeiten) {
        int64_t p = 0;
        const bool rot = v < 0;
        if (!rot) {
            S += v;
            p = S;
        } else {
            p = S - v;
        }
        if (p > halb)
            unten = true;
        if (unten)
            p -= halb;
        s.push_back({links + static_cast<int>(int64_t{breite} * 2 * p / T), unten, rot});
    }
    return s;
}

// ---------------------------------------------------------------- window

TForm_Test_Drehzahl::TForm_Test_Drehzahl(Kontext& kontext)
    : TForm(QStringLiteral("test pulses")), k(kontext) {
    setWindowTitle(hole_Text(381));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint);
    QFont schrift = font();
    schrift.setPointSize(10);
    // A gap shows as "130.00": where the font's digits are too wide for the 40-pixel
    // columns it goes down in size rather than losing the leading digit.
    while (schrift.pointSizeF() > 6 &&
           QFontMetrics(schrift).horizontalAdvance(QStringLiteral("000.00")) > 39)
        schrift.setPointSizeF(schrift.pointSizeF() - 0.5);
    const int h = QFontMetrics(schrift).height();
    const auto label = [&](int x, int y, int breite, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setFont(schrift);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setGeometry(x, y, breite, h);
        return l;
    };
    for (int c = 0; c < 20; ++c)
        Spaltenlabels[static_cast<size_t>(c)] = label(40 + 40 * c, 5, 40, QString::number(10 * c));
    for (int r = 0; r < 10; ++r)
        Zeilenlabels[static_cast<size_t>(r)] = label(2, 30 + h * r, 20, QString::number(r + 1));
    for (int kk = 0; kk < Zahnzeitenfolge::Anzahl; ++kk) {
        QLabel* l = label(40 + 40 * (kk / 10), 30 + h * (kk % 10), 40, {});
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, Qt::white);
        l->setPalette(p);
        Wertlabels[static_cast<size_t>(kk)] = l;
    }
    const int breite = Spaltenlabels.back()->x() + 80;
    const int hoehe = Zeilenlabels.back()->y() + 6 * h + 110;
    setFixedSize(breite, hoehe);

    Button_Starten = new QPushButton(hole_Text(77), this);
    Button_Starten->adjustSize();
    Button_Starten->move(50, hoehe - 10 - Button_Starten->height());
    ColorButton_Fehlertrigger = new TColorButton(this);
    ColorButton_Fehlertrigger->setText(QStringLiteral("starten Fehler"));
    ColorButton_Fehlertrigger->setGeometry(Button_Starten->geometry().right() + 51,
                                           Button_Starten->y(), 120, Button_Starten->height());
    ColorButton_drucken = new TColorButton(this);
    ColorButton_drucken->setText(hole_Text(87));
    ColorButton_drucken->setGeometry(breite - 50 - 100, Button_Starten->y(), 100,
                                     Button_Starten->height());
    connect(Button_Starten, &QPushButton::clicked, this, [this] { Button_StartenClick(); });
    connect(ColorButton_Fehlertrigger, &QPushButton::clicked, this,
            [this] { ColorButton_FehlertriggerClick(); });
    connect(ColorButton_drucken, &QPushButton::clicked, this,
            [this] { ColorButton_druckenClick(); });

    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Button_Starten->setEnabled(true); },
        cl_COM_Quorvel::Verbunden);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Button_Starten->setEnabled(false); },
        cl_COM_Quorvel::Getrennt);
    Form_auf_Bildschirm(*this);
}

int TForm_Test_Drehzahl::obere_Linie() const {
    return Button_Starten->y() - 55;
}

int TForm_Test_Drehzahl::untere_Linie() const {
    return Button_Starten->y() - 20;
}

void TForm_Test_Drehzahl::starte(bool fehlertrigger) {
    Befehlsobjekte* b = k.befehle();
    if (!b)
        return;
    b->Quorvel_starte_Test_Drehzahl->starten(fehlertrigger, Zahnzeitenfolge::Anzahl, Puffer);
}

void TForm_Test_Drehzahl::stoppe() {
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_starte_Test_Drehzahl->stoppen();
}

void TForm_Test_Drehzahl::Button_StartenClick() {
    starte(false);
}

void TForm_Test_Drehzahl::ColorButton_FehlertriggerClick() {
    starte(true);
}

void TForm_Test_Drehzahl::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (!event->spontaneous())
        stoppe();
}

void TForm_Test_Drehzahl::zeige_Ergebnis() {
    cl_Parameter& p = k.parameter();
    const bool mal_4 = p.suche_Parameter(1138) && p.Wert(1138) > 0;
    const std::optional<int64_t> p3 =
        p.suche_Parameter(3) ? std::optional<int64_t>(p.Wert(3)) : std::nullopt;
    Folge.uebernehme(Puffer, mal_4);
    const bool rot = Zahnzeitenfolge::Luecke_rot(p3);
    for (int kk = 0; kk < Zahnzeitenfolge::Anzahl; ++kk) {
        const Zahnzeitenfolge::Anzeige a = Folge.zeige(kk, rot);
        QLabel* l = Wertlabels[static_cast<size_t>(kk)];
        l->setText(a.Text);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, a.rot ? Qt::red : Qt::black);
        l->setPalette(pal);
    }
    update();
}

void TForm_Test_Drehzahl::paintEvent(QPaintEvent* event) {
    TForm::paintEvent(event);
    QPainter p(this);
    const int h = Wertlabels[0]->height();
    p.fillRect(QRect(QPoint(40, 30), QPoint(860, 30 + 11 * h)), Qt::white);
    if (!Folge.Daten_vorhanden)
        return;
    const int oben = obere_Linie();
    const int unten = untere_Linie();
    p.fillRect(QRect(QPoint(0, oben - 35), QPoint(width(), unten)), Qt::white);
    p.setPen(Qt::black);
    p.drawLine(Links, oben, Links + Breite, oben);
    p.drawLine(Links, unten, Links + Breite, unten);
    p.drawLine(Links, oben, Links, oben - 15);
    for (const Zahnzeitenfolge::Strich& s : Folge.Striche(Links, Breite)) {
        p.setPen(s.rot ? Qt::red : Qt::black);
        const int y = s.unten ? unten : oben;
        p.drawLine(s.x, y, s.x, y - 15);
    }
}

void TForm_Test_Drehzahl::ColorButton_druckenClick() {
    TPrinter_Quorvel& d = k.drucker();
    int kopien = 1;
    if (!d.Druckdialog(kopien))
        return;
    while (kopien-- > 0) {
        d.Dokument_beginnen();
        QPainter& c = d.Canvas();
        // The table's 21 columns in height 28 where they fit the page's frame; a font whose
        // digits run wider than the frame allows goes down in size rather than cutting the
        // last column off.
        int hoehe = 28;
        d.setze_Schrift(hoehe, false);
        while (hoehe > 12 &&
               260 + 21 * c.fontMetrics().horizontalAdvance(QStringLiteral("000000")) >
                   d.Seitenbreite - 110)
            d.setze_Schrift(--hoehe, false);
        const int w = c.fontMetrics().horizontalAdvance(QStringLiteral("000000"));
        const int r = c.fontMetrics().height() + 25;
        d.Linie(11 * r);
        d.setze_Schrift(50, true);
        c.setPen(Qt::black);
        c.drawText(200, d.Zeile_Y + c.fontMetrics().ascent(), hole_Text(381));
        d.Zeile_Y += c.fontMetrics().height() + 25;
        d.setze_Schrift(hoehe, false);
        const int y = d.Zeile_Y;
        c.setPen(Qt::NoPen);
        c.setBrush(QColor(0xC0, 0xC0, 0xC0));
        c.drawRect(250, y, 21 * w, r);
        c.drawRect(250, y, w, 11 * r);
        c.setPen(Qt::black);
        c.setBrush(Qt::NoBrush);
        const int oben = y + 10;
        const int a = c.fontMetrics().ascent();
        for (int s = 0; s < 20; ++s)
            c.drawText(260 + (s + 1) * w, oben + a, Spaltenlabels[static_cast<size_t>(s)]->text());
        for (int z = 0; z < 10; ++z)
            c.drawText(280, oben + (z + 1) * r + a, Zeilenlabels[static_cast<size_t>(z)]->text());
        // In the page's black, gaps too: the table's red is the screen's.
        for (int kk = 0; kk < Zahnzeitenfolge::Anzahl; ++kk)
            c.drawText(260 + (kk / 10 + 1) * w, oben + (kk % 10 + 1) * r + a,
                       Wertlabels[static_cast<size_t>(kk)]->text());
        d.setze_Schrift(40, false);
        d.Zeile_Y = y + 11 * r + 10;
        d.Seite_beenden(kopien > 0);
    }
    d.Dokument_beenden();
}
