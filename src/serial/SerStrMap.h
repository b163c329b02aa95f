#pragma once

#include <QString>
#include <cstdint>

// The layer's numbered texts, found by the absolute value of the code; empty when the
// table has none.
QString LookupMessageText(int32_t Code);
// The text of a code (taken as a signed 16-bit value): the table's, else the system's text
// for its absolute value, at most 255 characters; empty when neither exists.
QString ErrorMsg(int32_t Code);
// Number of records in the table, and record i (for checks of its order).
int MessageTableSize();
int32_t MessageTableCode(int Index);
