#include "windows/Modal.h"

#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QWidget>

namespace {

class Wache : public QObject {
public:
    explicit Wache(QEventLoop& schleife) : schleife_(schleife) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            schleife_.quit();
        return false;
    }

private:
    QEventLoop& schleife_;
};

} // namespace

void zeige_modal(QWidget& fenster) {
    QEventLoop schleife;
    Wache wache(schleife);
    fenster.installEventFilter(&wache);
    const Qt::WindowModality vorher = fenster.windowModality();
    if (!fenster.isVisible()) {
        fenster.setWindowModality(Qt::ApplicationModal);
        fenster.show();
    }
    // Hidden while it was shown (a window that closes itself at once) ends the wait too.
    if (fenster.isVisible())
        schleife.exec();
    fenster.removeEventFilter(&wache);
    fenster.setWindowModality(vorher);
}
