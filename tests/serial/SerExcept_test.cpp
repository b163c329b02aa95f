#include "serial/SerExcept.h"
#include "serial/SerStrMap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>

namespace {

template <class E> std::function<bool()> wirft(int32_t code, int32_t errorCode, QString text) {
    return [=] {
        try {
            CheckException(code);
        } catch (const E& e) {
            EXPECT_EQ(e.ErrorCode(), errorCode);
            EXPECT_EQ(e.Message(), text);
            return true;
        } catch (...) {
        }
        return false;
    };
}

TEST(CheckException, NegativeCodesRaiseTheirClass) {
    struct Fall {
        int32_t code;
        std::function<bool()> pruefe;
    };
    const Fall faelle[] = {
        {-2001, wirft<EBadId>(-2001, -2001, "ie_BadId - Specified comport doesn't exist")},
        {-2007, wirft<ECommNotOpen>(-2007, -2007, "ie_NOpen - device not open")},
        {-2008, wirft<EAlreadyOpen>(-2008, -2008, "ie_Open - device already open")},
        {-2011, wirft<ENoPortSelected>(
                    -2011, -2011, "The ComNumber property of the TSerComPort has not been set")},
        {-3004, wirft<EPutBlockFail>(-3004, -3004, "Failed to put entire block")},
        {-3006, wirft<EOutputBufferTooSmall>(-3006, -3006, "Output buffer too small for block")},
        {-3007, wirft<EBufferIsEmpty>(-3007, -3007, "Buffer is empty")},
        {-3007, wirft<ESerialIO>(-3007, -3007, "Buffer is empty")}, // the family catches it
        {-13868, wirft<ETapiNoMem>(-13868, -13868, "No memory")},
        {-1006, wirft<EInternal>(-1006, -1006, "Internal error")},
        {-7012, wirft<EInternal>(-7012, -7012, "Internal INI error")},
        {-6008, wirft<EProtocol>(-6008, -6008, "Protocol error")},
        // A text without a class: the general exception.
        {-3002, wirft<ESerException>(-3002, 0, "Serial port layer: unknown failure")},
        // Operating-system errors of the runtime's range.
        {-161, wirft<EInOutError>(-161, 161, "Device read error")},
        {-87, wirft<EInOutError>(-87, 87, "The parameter is incorrect.")},
        {-65, wirft<EInOutError>(-65, 65, "No permission to open the serial port device.")},
        {-1167, wirft<ESerException>(-1167, 0, "Serial port layer: unknown failure")},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.code);
        EXPECT_TRUE(f.pruefe());
    }
    EXPECT_THROW(CheckException(-8), std::bad_alloc);
}

TEST(CheckException, ZeroAndPositiveCodesPassThrough) {
    EXPECT_EQ(CheckException(0), 0);
    EXPECT_EQ(CheckException(1), 1);
    EXPECT_EQ(CheckException(4101), 4101);
}

TEST(MessageTable, SortedAndFoundFromBothEndsAndBothSigns) {
    const int n = MessageTableSize();
    ASSERT_GT(n, 2);
    for (int i = 1; i < n; ++i)
        EXPECT_LT(std::abs(MessageTableCode(i - 1)), std::abs(MessageTableCode(i))) << i;
    EXPECT_EQ(LookupMessageText(0), "OK");
    EXPECT_EQ(LookupMessageText(MessageTableCode(n - 1)),
              LookupMessageText(-MessageTableCode(n - 1)));
    EXPECT_FALSE(LookupMessageText(15742).isEmpty());
    EXPECT_EQ(ErrorMsg(-2001), "ie_BadId - Specified comport doesn't exist");
    EXPECT_EQ(ErrorMsg(2001), ErrorMsg(-2001));
    EXPECT_TRUE(LookupMessageText(-4999).isEmpty());
    EXPECT_TRUE(ErrorMsg(-4999).isEmpty());
    // Every code is found by the binary search.
    for (int i = 0; i < n; ++i)
        EXPECT_FALSE(LookupMessageText(MessageTableCode(i)).isEmpty()) << MessageTableCode(i);
}

} // namespace
