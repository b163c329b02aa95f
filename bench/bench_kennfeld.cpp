// The map window's drawing, offscreen, in the GUI thread's CPU time. The cursor is drawn by
// XOR so that a step costs a small part of a redraw. Two figures: the drawing alone (a full
// redraw of the back buffer of a 17 x 17 map: frame, surface, walls, marks; against a cursor
// step: the box inverted away and at its new place), whose ratio is the target, at most a
// tenth; and the whole window (the same with the labels and the copy to the screen), where a
// step also sets and repaints two number labels, which the XOR cannot save.

#include "app/AppContext.h"
#include "base/Meldungen.h"
#include "platform/Registry.h"
#include "windows/maps/UKennfeldfenster.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

struct Stumm : Meldungen {
    void zeige(const QString&) override {}
    bool frage_OK_Abbrechen(const QString&, const QString&) override { return false; }
    bool frage_Ja_Nein(const QString&, const QString&) override { return false; }
};

// The GUI thread's own CPU time in microseconds: other work on the machine does not count.
double CPU_us() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Median CPU microseconds of one call of f over n calls (after a few to warm up).
double Median_us(int n, const std::function<void()>& f) {
    for (int i = 0; i < 5; ++i)
        f();
    std::vector<double> t;
    t.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double a = CPU_us();
        f();
        t.push_back(CPU_us() - a);
    }
    std::nth_element(t.begin(), t.begin() + n / 2, t.end());
    return t[static_cast<size_t>(n / 2)];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir ordner;
    // The shipped language files, so that the labels carry their texts.
    for (const char* sprache : {"English", "Deutsch"}) {
        const QString teil = QStringLiteral("Language/%1/QORV4.TXT").arg(QLatin1String(sprache));
        QDir().mkpath(QDir(ordner.path()).filePath(teil.section('/', 0, 1)));
        QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/") + teil,
                    QDir(ordner.path()).filePath(teil));
    }
    // The shipped language files, so that the labels carry their texts.
    for (const char* sprache : {"English", "Deutsch"}) {
        const QString teil = QStringLiteral("Language/%1/QORV4.TXT").arg(QLatin1String(sprache));
        QDir().mkpath(QDir(ordner.path()).filePath(teil.section('/', 0, 1)));
        QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/") + teil,
                    QDir(ordner.path()).filePath(teil));
    }
    const QString registry = QDir(ordner.path()).filePath("registry.ini");
    if (QFile f(registry); f.open(QIODevice::WriteOnly))
        f.write("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=English\nCOM_Nr=0\nCAN_Plugin=fake\n"
                "[Ports]\n");
    qputenv("QUORVEL_REGISTRY", registry.toLocal8Bit());
    // The link's trace file lands in the current folder.
    QDir::setCurrent(ordner.path());
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
    Kennfeldzeichnung zeichnung;
    QImage puffer;
    Kennfeldbild bild = fenster.Bilddaten();
    QFont schrift;
    schrift.setPointSize(8);
    const QSize groesse = fenster.Zeichenflaeche->size();
    const double bild_voll =
        Median_us(n, [&] { zeichnung.zeichne_alles(puffer, groesse, bild, schrift); });
    int r = 1;
    const double bild_schritt = Median_us(n, [&] {
        if (bild.Cursor_X == 16 || (bild.Cursor_X == 0 && r < 0))
            r = -r;
        bild.Cursor_X += r;
        zeichnung.zeige_Cursor(puffer, bild);
    });

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
    const double anteil = bild_schritt / bild_voll;
    std::printf("map window 17 x 17, %d x %d, offscreen, GUI thread CPU time, median of %d\n",
                fenster.width(), fenster.height(), n);
    std::printf("drawing: full redraw %8.1f us, cursor step %6.1f us, step / redraw %6.3f"
                "  (target at most 0.100: %s)\n",
                bild_voll, bild_schritt, anteil, anteil <= 0.1 ? "met" : "NOT met");
    std::printf("window:  full redraw %8.1f us, cursor step %6.1f us, step / redraw %6.3f\n", voll,
                schritt, schritt / voll);
    return anteil <= 0.1 ? 0 : 1;
}
