#include "serial/SerStrMap.h"

#include "platform/Comm.h"

#include <cstdlib>
#include <iterator>

namespace {

struct SerMessageNumberLookupRecord {
    int32_t Code;
    const char* Text;
};

// Sorted by the absolute value of the code.
constexpr SerMessageNumberLookupRecord MessageTable[] = {
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
    {-1001, "No error"},
    {-1002, "Bad argument passed to function"},
    {-1003, "Quit message received"},
    {-1004, "Buffer too big"},
    {-1005, "Port not assigned"},
    {-1006, "Internal error"},
    {-1007, "Modem not assigned"},
    {-1008, "Phonebook not assigned"},
    {-1009, "Cannot use this function with Winsock"},
    {-2001, "ie_BadId - Specified comport doesn't exist"},
    {-2002, "ie_Baudrate - Unsupported baud rate"},
    {-2003, "ie_Bytesize - Invalid byte size"},
    {-2004, "ie_Default - Error in default parameters"},
    {-2005, "ie_Hardware - Hardware not present"},
    {-2006, "ie_Memory - Unable to allocate queues"},
    {-2007, "ie_NOpen - device not open"},
    {-2008, "ie_Open - device already open"},
    {-2009, "No more handles, cannot open port"},
    {-2010, "No timers available"},
    {-2011, "The ComNumber property of the TSerComPort has not been set"},
    {-2012, "Comport was not opened by Tapi"},
    {-3001, "No device layer specified"},
    {-3002, "Function not supported by driver"},
    {-3003, "Failed to register handler"},
    {-3004, "Failed to put entire block"},
    {-3005, "Failed to get entire block"},
    {-3006, "Output buffer too small for block"},
    {-3007, "Buffer is empty"},
    {-3008, "Tracing not enabled"},
    {-3009, "Logging not enabled"},
    {-3010, "Base address not set"},
    {-4001, "Modem not started"},
    {-4002, "Modem is busy"},
    {-4003, "Modem not dialing"},
    {-4004, "Not dialing"},
    {-4005, "Already dialing"},
    {-4006, "Modem not responding"},
    {-4007, "Modem rejected command"},
    {-4008, "Modem status mismatch"},
    {-5001, "No more triggers available"},
    {-5002, "Trigger data string too long"},
    {-5003, "Bad trigger handle"},
    {-6006, "Protocol error"},
    {-6008, "Protocol error"},
    {-6009, "Protocol error"},
    {-7001, "Key too long"},
    {-7002, "Data too large"},
    {-7003, "Internal INI error"},
    {-7004, "INI file write error"},
    {-7005, "INI file read error"},
    {-7006, "Internal INI error"},
    {-7007, "Record already exists"},
    {-7008, "Record not found"},
    {-7010, "Database full"},
    {-7011, "Database empty"},
    {-7012, "Internal INI error"},
    {-7013, "Bad field list"},
    {-7014, "Bad field for index"},
    {-13868, "No memory"},
    {15742, "Telnet option: extended options list"},
};
constexpr int TableSize = static_cast<int>(std::size(MessageTable));

// Halves go to the even neighbour.
int Mitte(int Low, int High) {
    const int Summe = Low + High;
    if (Summe % 2 == 0)
        return Summe / 2;
    const int Unten = Summe / 2;
    return Unten % 2 == 0 ? Unten : Unten + 1;
}

} // namespace

QString LookupMessageText(int32_t Code) {
    const int32_t Gesucht = std::abs(Code);
    int Low = 0;
    int High = TableSize - 1;
    while (Low <= High) {
        const int Middle = Mitte(Low, High);
        const int32_t Hier = std::abs(MessageTable[Middle].Code);
        if (Hier == Gesucht)
            return QString::fromLatin1(MessageTable[Middle].Text).left(255);
        if (Hier > Gesucht)
            High = Middle - 1;
        else
            Low = Middle + 1;
    }
    return {};
}

QString ErrorMsg(int32_t Code) {
    const int32_t Kurz = static_cast<int16_t>(Code);
    QString Text = LookupMessageText(Kurz);
    if (!Text.isEmpty())
        return Text;
    Text = Comm::SystemErrorText(static_cast<uint32_t>(std::abs(Kurz))).left(255);
    for (QChar& c : Text)
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    while (Text.contains(QLatin1String("  ")))
        Text.remove(Text.indexOf(QLatin1String("  ")), 1);
    return Text;
}

int MessageTableSize() {
    return TableSize;
}

int32_t MessageTableCode(int Index) {
    return Index >= 0 && Index < TableSize ? MessageTable[Index].Code : 0;
}
