#pragma once

#include "platform/NTCAN.h"

// One open handle of the CAN layer, as each back end provides it.
class CanKanal {
public:
    virtual ~CanKanal() = default;
    virtual bool setze_Bitrate(int32_t bitrate) = 0;
    virtual void erlaube_Id(int32_t id) = 0;
    virtual bool sende(const CanMsg& msg) = 0;
    // A waiting message of an enabled identifier, false when none waits.
    virtual bool nimm(CanMsg& msg) = 0;
};
