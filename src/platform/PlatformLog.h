#pragma once

#include <QLoggingCategory>

// The platform layer's log: silent by default, QT_LOGGING_RULES="quorvel.platform=true" tells
// what the operating system refused and what was handled without a message to the user.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
