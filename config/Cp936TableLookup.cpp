#include "config/Cp936.h"
#include "config/Cp936Table.h"

// The table's lookups live apart from the rest, so that a program that
// converts with the system's code page links no table.
uint16_t Cp936TableLookup(const uint8_t* unit, size_t length)
{
    if (length == 1)
        return kCp936OneByte[unit[0]];
    if (length != 2)
        return 0;
    unsigned lead = unit[0];
    unsigned trail = unit[1];
    if (lead < kCp936FirstLead || lead > kCp936LastLead || trail < 0x40 || trail == 0x7F ||
        trail == 0xFF)
        return 0;
    // The second bytes 0x40..0x7E come first, then 0x80..0xFE.
    unsigned column = trail < 0x7F ? trail - 0x40 : trail - 0x41;
    return kCp936TwoByte[(lead - kCp936FirstLead) * kCp936TrailCount + column];
}

void AppendCp936UnitFromTable(std::wstring& out, const uint8_t* unit, size_t length)
{
    if (length == 1 && unit[0] == 0)
        return;
    uint16_t ch = Cp936TableLookup(unit, length);
    if (ch != 0)
        out.push_back(static_cast<wchar_t>(ch));
    else
        AppendUndefinedCp936Unit(out, unit, length);
}
