#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
std::function<bool(const QString&)>& opener() {
    static std::function<bool(const QString&)> f;
    return f;
}
} // namespace

namespace Shell {

int oeffne(const QString& file) {
    if (!QFileInfo(file).isFile())
        return Datei_nicht_gefunden;
    const bool ok =
        opener() ? opener()(file) : QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    return ok ? Erfolg : Fehler;
}

void setOpener(std::function<bool(const QString&)> f) {
    opener() = std::move(f);
}

} // namespace Shell
