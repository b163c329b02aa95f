#pragma once

#include <QLoggingCategory>

// The model layer's log, silent unless asked for: QT_LOGGING_RULES="quorvel.*=true".
Q_DECLARE_LOGGING_CATEGORY(lcModel)
