// The map window's drawing, offscreen: a full redraw of a 17 x 17 map (frame, surface, walls,
// marks, labels, the copy to the screen) against one cursor step (two small boxes inverted
// in the back buffer, the labels, the copy of what changed). The cursor is drawn by XOR so
// that a step costs a small part of a redraw: the figure is the step's share of the redraw,
// at most a tenth.

#include "app/AppContext.h"
#include "base/Meldungen.h"
#include "platform/Registry.h"
#include "windows/maps/UKennfeldfenster.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Uhr = std::chrono::steady_clock;

struct Stumm : Meldungen {
    void zeige(const QString&) override {}
    bool frage_OK_Abbrechen(const QString&, const QString&) override { return false; }
    bool frage_Ja_Nein(const QString&, const QString&) override { return false; }
};

// Median microseconds of one call of f over n calls (after a few to warm up).
double Median_us(int n, const std::function<void()>& f) {
    for (int i = 0; i < 5; ++i)
        f();
    std::vector<double> t;
    t.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const auto a = Uhr::now();
        f();
        t.push_back(std::chrono::duration<double, std::micro>(Uhr::now() - a).count());
    }
    std::nth_element(t.begin(), t.begin() + n / 2, t.end());
    return t[static_cast<size_t>(n / 2)];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir ordner;
    const QString registry = QDir(ordner.path()).filePath("registry.ini");
    if (QFile f(registry); f.open(QIODevice::WriteOnly))
        f.write("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=English\nCOM_Nr=0\nCAN_Plugin=fake\n"
                "[Ports]\n");
    qputenv("QUORVEL_REGISTRY", registry.toLocal8Bit());
    AppContext kontext(ordner.path(), {}, std::make_unique<Registry>(registry),
                       std::make_unique<Stumm>());

    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = 3;
    b.X_min = 0;
    b.X_max = 6000;
    b.Y_min = 0;
    b.Y_max = 100;
    b.Roh_min = 0;
    b.Roh_max = 1000;
    b.Z_min = 0;
    b.Z_max = 1000;
    b.Titel = "Injection";
    b.Einheit_X = "1/min";
    b.Einheit_Y = "%";
    b.Einheit_Z = "us";
    TForm_Kennfeld& fenster = TForm_Kennfeld::erzeuge(kontext, b, nullptr);
    cl_Kennfeld& kf = fenster.Kennfeld();
    for (int x = 0; x <= 16; ++x)
        for (int y = 0; y <= 16; ++y)
            kf.setze_Wert(x, y, 100 + 25 * x + 20 * y + ((x * y) % 7) * 15);
    fenster.show();
    QApplication::processEvents();

    const int n = 300;
    const double voll = Median_us(n, [&] {
        fenster.zeichne_Kennfeld();
        QApplication::processEvents();
    });
    int richtung = 1;
    const double schritt = Median_us(n, [&] {
        if (kf.Cursor_X == 16 || (kf.Cursor_X == 0 && richtung < 0))
            richtung = -richtung;
        kf.bewege_Cursor(richtung, 0);
        QApplication::processEvents();
    });
    const double anteil = schritt / voll;
    std::printf("map window 17 x 17, %d x %d, offscreen, median of %d\n", fenster.width(),
                fenster.height(), n);
    std::printf("full redraw       %8.1f us\n", voll);
    std::printf("cursor step       %8.1f us\n", schritt);
    std::printf("step / redraw     %8.3f  (target at most 0.100: %s)\n", anteil,
                anteil <= 0.1 ? "met" : "NOT met");
    return anteil <= 0.1 ? 0 : 1;
}
