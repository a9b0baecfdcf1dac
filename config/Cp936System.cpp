#include "config/Cp936.h"
#include "platform/CodePage.h"

// The Windows program converts with the system's own code page 936, which
// keeps the table out of the program.
void AppendCp936Unit(std::wstring& out, const uint8_t* unit, size_t length)
{
    if (length == 1 && unit[0] == 0)
        return;
    uint16_t character = 0;
    if (SystemCodePage().Cp936Unit(unit, length, character))
        out.push_back(static_cast<wchar_t>(character));
    else
        AppendUndefinedCp936Unit(out, unit, length);
}
