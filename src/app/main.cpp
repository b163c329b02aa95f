#include "app/AppContext.h"
#include "app/QuorvelApplication.h"

#include <QDir>

int main(int argc, char** argv) {
    QuorvelApplication app(argc, argv);
    AppContext kontext(QDir::currentPath(), app.arguments().mid(1));
    kontext.erzeuge_Fenster();
    kontext.starte();
    if (kontext.beendet())
        return kontext.Rueckgabewert();
    return app.exec();
}
