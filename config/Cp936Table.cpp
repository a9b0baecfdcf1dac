#include "config/Cp936.h"

// Placeholder until the generated table lands: ASCII and the euro sign only.
uint16_t Cp936TableLookup(const uint8_t* unit, size_t length)
{
    if (length == 1 && unit[0] < 0x80)
        return unit[0];
    if (length == 1 && unit[0] == 0x80)
        return 0x20AC;
    return 0;
}
