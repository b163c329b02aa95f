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

// The table holds every numbered text of the layer, not just the ones the program meets:
// 296 failure codes, "OK" and 600 status and name texts, from 0 to 15742.
TEST(MessageTable, HoldsAllItsRecordsWithTheirTexts) {
    const int n = MessageTableSize();
    ASSERT_EQ(n, 897);
    int negativ = 0, positiv = 0;
    for (int i = 0; i < n; ++i) {
        negativ += MessageTableCode(i) < 0 ? 1 : 0;
        positiv += MessageTableCode(i) > 0 ? 1 : 0;
    }
    EXPECT_EQ(negativ, 296);
    EXPECT_EQ(positiv, 600);
    EXPECT_EQ(MessageTableCode(0), 0);
    EXPECT_EQ(MessageTableCode(n - 1), 15742);

    // Codes at the edges of the ranges are there, the gaps between them are not.
    for (int32_t code : {-2,    -162,  -1001,  -4017,  -4020,  -4021,  -5506,  -6016, -7502,
                         -8085, -8500, -13801, -13886, -13934, -13959, -13980, 4101,  4843,
                         10000, 10101, 11004,  13933,  15021,  15356,  15608,  15700})
        EXPECT_FALSE(LookupMessageText(code).isEmpty()) << code;
    for (int32_t code : {-7, -163, -1010, -4018, -4019, -8084, -8086, -13804, -13849, -13960, 4100,
                         4102, 10001, 13949, 15022, 15743})
        EXPECT_TRUE(LookupMessageText(code).isEmpty()) << code;
    // -13933 is not a code of its own but finds the status text of 13933.
    EXPECT_EQ(LookupMessageText(-13933), LookupMessageText(13933));

    const std::pair<int32_t, const char*> texte[] = {
        {0, "OK"},
        {-2, "File not found"},
        {-3, "Path not found"},
        {-4, "Too many open files"},
        {-5, "File access denied"},
        {-6, "Invalid file handle"},
        {-8, "Insufficient memory"},
        {-15, "Invalid drive"},
        {-18, "No more files"},
        {-100, "Attempt to read beyond end of file"},
        {-101, "Disk is full"},
        {-102, "File/device not assigned"},
        {-103, "File/device not open"},
        {-104, "File/device not open for input"},
        {-105, "File/device not open for output"},
        {-150, "Disk is write-protected"},
        {-151, "Unknown disk unit"},
        {-152, "Drive is not ready"},
        {-153, "Unknown command"},
        {-154, "Data error"},
        {-155, "Bad request structure length"},
        {-156, "Seek error"},
        {-157, "Unknown media type"},
        {-158, "Disk sector not found"},
        {-159, "Printer is out of paper"},
        {-160, "Device write error"},
        {-161, "Device read error"},
        {-162, "General failure"},
        {-1002, "Bad argument passed to function"},
        {-2001, "ie_BadId - Specified comport doesn't exist"},
        {-2007, "ie_NOpen - device not open"},
        {-2008, "ie_Open - device already open"},
        {-2011, "The ComNumber property of the TSerComPort has not been set"},
        {-2012, "Comport was not opened by Tapi"},
        {-3001, "No device layer specified"},
        {-3004, "Failed to put entire block"},
        {-3006, "Output buffer too small for block"},
        {-3007, "Buffer is empty"},
        {-3010, "Base address not set"},
        {-13868, "No memory"},
    };
    for (const auto& [code, text] : texte)
        EXPECT_EQ(ErrorMsg(code), QString::fromLatin1(text)) << code;
    // A code of the table without a class of its own still raises the general exception.
    EXPECT_THROW(CheckException(-4009), ESerException);
    EXPECT_EQ(ErrorMsg(-4009), LookupMessageText(-4009));
}

} // namespace
