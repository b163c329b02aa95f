#include "model/ModelLog.h"

Q_LOGGING_CATEGORY(lcModel, "quorvel.model", QtInfoMsg)
