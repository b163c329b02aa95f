#include "serial/SerStrMap.h"

#include "platform/Comm.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

struct SerMessageNumberLookupRecord {
    int32_t Code;
    QString Text;
};

struct Wortlaut {
    int32_t Code;
    const char* Text;
};

// The texts worded for the codes the program can meet, and a few more; every other code of
// the table gets the text of its family below.
constexpr Wortlaut Texte[] = {
    {0, "OK"},
    // Names of the dispatcher's event-log entries: kinds, then subtypes.
    {15001, "Trigger"},
    {15002, "Dispatch"},
    {15003, "Status"},
    {15004, "Write"},
    {15100, "Avail"},
    {15101, "DataMatch"},
    {15102, "Timer"},
    {15103, "Status"},
    {15104, "Moved"},
    {15105, "BufferFull"},
    {15106, "Events"},
    {15107, "Block"},
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

// The codes of the table, as ranges (sorted by absolute value when the table is built), each
// with the wording of its family (%1 is the absolute value of the code, %2 its distance
// from the start of the range).
struct Bereich {
    int32_t Von;
    int32_t Bis;
    const char* Familie;
};
constexpr Bereich Bereiche[] = {
    {0, 0, "OK"},
    {-2, -6, "File or device error %1"},
    {-8, -8, "File or device error %1"},
    {-15, -15, "File or device error %1"},
    {-18, -18, "File or device error %1"},
    {-100, -105, "File or device error %1"},
    {-150, -162, "File or device error %1"},
    {-1001, -1009, "General error %1"},
    {-2001, -2012, "Port open error %1"},
    {-3001, -3010, "Serial I/O error %1"},
    {-4001, -4017, "Modem error %1"},
    {-4020, -4021, "Modem error %1"},
    {-5001, -5003, "Trigger error %1"},
    {-5501, -5506, "Data packet error %1"},
    {-6001, -6016, "File transfer protocol error %1"},
    {-7001, -7014, "INI database error %1"},
    {-7500, -7502, "State machine or speech error %1"},
    {-8001, -8005, "Fax error %1"},
    {-8050, -8055, "Fax error %1"},
    {-8060, -8075, "Fax error %1"},
    {-8080, -8083, "Fax error %1"},
    {-8085, -8085, "Fax error %1"},
    {-8087, -8092, "Fax error %1"},
    {-8100, -8103, "Short message error %1"},
    {-8300, -8305, "Mobile phone error %1"},
    {-8310, -8318, "Mobile phone error %1"},
    {-8320, -8322, "Mobile phone error %1"},
    {-8330, -8332, "Mobile phone error %1"},
    {-8340, -8340, "Mobile phone error %1"},
    {-8500, -8500, "Mobile phone error %1"},
    {4101, 4101, "Modem status %1"},
    {4200, 4213, "Modem status %1"},
    {4301, 4312, "Modem status %1"},
    {4401, 4403, "Modem status %1"},
    {4500, 4523, "Modem status %1"},
    {4550, 4553, "Modem status %1"},
    {4599, 4611, "Modem status %1"},
    {4630, 4633, "Modem status %1"},
    {4660, 4671, "Modem status %1"},
    {4700, 4728, "Modem status %1"},
    {4730, 4730, "Modem status %1"},
    {4801, 4808, "Modem status %1"},
    {4820, 4828, "Modem status %1"},
    {4830, 4832, "Modem status %1"},
    {4840, 4843, "Modem status %1"},
    {9001, 9007, "Phone book status %1"},
    {10000, 10000, "Socket status %1"},
    {10004, 10004, "Socket status %1"},
    {10009, 10009, "Socket status %1"},
    {10013, 10014, "Socket status %1"},
    {10022, 10022, "Socket status %1"},
    {10024, 10024, "Socket status %1"},
    {10035, 10071, "Socket status %1"},
    {10091, 10093, "Socket status %1"},
    {10101, 10101, "Socket status %1"},
    {11001, 11004, "Socket status %1"},
    {13501, 13516, "Status %1"},
    {13533, 13557, "Status %1"},
    {13565, 13565, "Status %1"},
    {13597, 13601, "Status %1"},
    {13650, 13670, "Status %1"},
    {-13801, -13803, "Telephony error %1"},
    {-13805, -13848, "Telephony error %1"},
    {-13850, -13886, "Telephony error %1"},
    {-13928, -13932, "Telephony error %1"},
    {13933, 13933, "Telephony status %1"},
    {-13934, -13945, "Telephony error %1"},
    {-13950, -13959, "Telephony error %1"},
    {-13980, -13980, "Remote access error %1"},
    {15001, 15021, "Log entry kind %2"},
    {15100, 15356, "Log entry subtype %2"},
    {15501, 15502, "Log name %1"},
    {15601, 15608, "Log name %1"},
    {15700, 15742, "Telnet option %2"},
};

const std::vector<SerMessageNumberLookupRecord>& MessageTable() {
    static const std::vector<SerMessageNumberLookupRecord> Tabelle = [] {
        std::vector<SerMessageNumberLookupRecord> t;
        for (const Bereich& b : Bereiche) {
            const int32_t schritt = b.Bis < b.Von ? -1 : 1;
            for (int32_t c = b.Von;; c += schritt) {
                QString text;
                for (const Wortlaut& w : Texte)
                    if (w.Code == c)
                        text = QString::fromLatin1(w.Text);
                if (text.isEmpty())
                    text = QString::fromLatin1(b.Familie)
                               .replace(QLatin1String("%1"), QString::number(std::abs(c)))
                               .replace(QLatin1String("%2"), QString::number(std::abs(c - b.Von)));
                t.push_back({c, text});
                if (c == b.Bis)
                    break;
            }
        }
        std::sort(t.begin(), t.end(),
                  [](const auto& a, const auto& b) { return std::abs(a.Code) < std::abs(b.Code); });
        return t;
    }();
    return Tabelle;
}

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
    const auto& Tabelle = MessageTable();
    int High = static_cast<int>(Tabelle.size()) - 1;
    while (Low <= High) {
        const int Middle = Mitte(Low, High);
        const int32_t Hier = std::abs(Tabelle[static_cast<size_t>(Middle)].Code);
        if (Hier == Gesucht)
            return Tabelle[static_cast<size_t>(Middle)].Text.left(255);
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
    return static_cast<int>(MessageTable().size());
}

int32_t MessageTableCode(int Index) {
    return Index >= 0 && Index < MessageTableSize()
               ? MessageTable()[static_cast<size_t>(Index)].Code
               : 0;
}
