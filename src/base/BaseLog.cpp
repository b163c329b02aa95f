#include "base/BaseLog.h"

#include <exception>

Q_LOGGING_CATEGORY(lcBase, "quorvel.base", QtInfoMsg)

QString Ausnahmetext() {
    try {
        throw;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("an exception of unknown type");
    }
}
