#include <windows.h>

#include "config/Cp936.h"

// The Windows program converts with the system's own code page 936.
void AppendCp936Unit(std::wstring& out, const uint8_t* unit, size_t length)
{
    if (length == 1 && unit[0] == 0)
        return;
    wchar_t text[4] = {};
    int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(unit),
                                static_cast<int>(length), text, 4);
    if (n == 1)
        out.push_back(text[0]);
    else
        AppendUndefinedCp936Unit(out, unit, length);
}
