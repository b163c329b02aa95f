#pragma once

#include <QLoggingCategory>

// The windows layer's log, silent unless asked for: QT_LOGGING_RULES="quorvel.*=true".
Q_DECLARE_LOGGING_CATEGORY(lcWindows)
