#include "serial/SerExcept.h"

#include "serial/SerStrMap.h"

#include <new>

namespace {
const char* const GeneralText = "Serial port layer: unknown failure";
}

ESerException::ESerException(int32_t Code)
    : std::runtime_error(ErrorMsg(Code < 0 ? -Code : Code).toStdString()), FErrorCode(Code) {}

ESerException::ESerException(int32_t Code, const QString& Text)
    : std::runtime_error(Text.toStdString()), FErrorCode(Code) {}

ESerException ESerException::CreateUnknown(const QString& Text) {
    return ESerException(0, Text);
}

EInOutError::EInOutError(int32_t Code, const QString& Text)
    : std::runtime_error(Text.toStdString()), FErrorCode(Code) {}

int32_t CheckException(int32_t Code) {
    if (Code >= 0)
        return Code;
    switch (Code) {
#define SER_RAISE(Name, Family, Nummer)                                                            \
    case Nummer:                                                                                   \
        throw Name(Code);
        SER_LEAF_EXCEPTIONS(SER_RAISE)
#undef SER_RAISE
    case -1006:
    case -7003:
    case -7006:
    case -7012:
        throw EInternal(Code);
    case -6006:
    case -6008:
    case -6009:
        throw EProtocol(Code);
    case -8:
        throw std::bad_alloc();
    default:
        break;
    }
    if (Code >= -162 && Code <= -2)
        throw EInOutError(-Code, ErrorMsg(-Code));
    throw ESerException::CreateUnknown(QString::fromLatin1(GeneralText));
}
