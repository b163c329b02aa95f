#pragma once

#include <QLoggingCategory>
#include <QString>

// The base layer's log, silent unless asked for: QT_LOGGING_RULES="quorvel.*=true".
Q_DECLARE_LOGGING_CATEGORY(lcBase)

// Inside a catch block: what the exception in flight says, for a log line about an error
// that is handled without telling the user.
QString Ausnahmetext();
