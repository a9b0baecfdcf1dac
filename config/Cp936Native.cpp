#include "config/Cp936.h"

// The portable build converts with the code page's table.
void AppendCp936Unit(std::wstring& out, const uint8_t* unit, size_t length)
{
    if (length == 1 && unit[0] == 0)
        return;
    uint16_t ch = Cp936TableLookup(unit, length);
    if (ch != 0)
        out.push_back(static_cast<wchar_t>(ch));
    else
        AppendUndefinedCp936Unit(out, unit, length);
}
