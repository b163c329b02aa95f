#include "platform/Dialoge.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace {

struct Zustand {
    Dialoge::Handler handler;
    QStringList wartend;
};

Zustand& zustand() {
    static Zustand z;
    return z;
}

bool guiBereit() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

QString titel() {
    return QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
}

} // namespace

namespace Dialoge {

void ShowMessage(const QString& text) {
    Zustand& z = zustand();
    if (z.handler.message) {
        z.handler.message(text);
        return;
    }
    if (!guiBereit()) {
        z.wartend.append(text);
        return;
    }
    QMessageBox::information(nullptr, titel(), text);
}

void ShowMessageSpaeter(const QString& text) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app, [text] { ShowMessage(text); }, Qt::QueuedConnection);
}

bool FrageOkAbbrechen(const QString& text, const QString& caption) {
    Zustand& z = zustand();
    if (z.handler.okCancel)
        return z.handler.okCancel(text, caption);
    if (!guiBereit())
        return false;
    return QMessageBox::question(nullptr, caption.isEmpty() ? titel() : caption, text,
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool FrageJaNein(const QString& text, const QString& caption) {
    Zustand& z = zustand();
    if (z.handler.yesNo)
        return z.handler.yesNo(text, caption);
    if (!guiBereit())
        return false;
    return QMessageBox::question(nullptr, caption.isEmpty() ? titel() : caption, text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void setHandler(Handler handler) {
    zustand().handler = std::move(handler);
}

void zeige_Wartende() {
    Zustand& z = zustand();
    if (!z.handler.message && !guiBereit())
        return;
    const QStringList wartend = std::exchange(z.wartend, {});
    for (const QString& text : wartend)
        ShowMessage(text);
}

} // namespace Dialoge
