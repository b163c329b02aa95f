#include "serial/SerLog.h"

Q_LOGGING_CATEGORY(lcSerial, "quorvel.serial", QtInfoMsg)
