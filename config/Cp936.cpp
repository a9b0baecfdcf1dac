#include "config/Cp936.h"

void AppendUndefinedCp936Unit(std::wstring& out, const uint8_t* unit, size_t length)
{
    out.push_back(L'\xFFFD');
    if (length == 2 && (unit[1] == 0x0D || unit[1] == 0x0A))
        out.push_back(static_cast<wchar_t>(unit[1]));
}
