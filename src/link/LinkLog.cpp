#include "link/LinkLog.h"

Q_LOGGING_CATEGORY(lcLink, "quorvel.link", QtInfoMsg)
