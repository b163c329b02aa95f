#include "app/QuorvelApplication.h"

#include "platform/Dialoge.h"

#include <exception>

QuorvelApplication::QuorvelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Quorvel"));
    setOrganizationName(QStringLiteral("Quorvel"));
}

bool QuorvelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        Dialoge::ShowMessage(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Dialoge::ShowMessage(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}
