#include "windows/WindowsLog.h"

Q_LOGGING_CATEGORY(lcWindows, "quorvel.windows", QtInfoMsg)
