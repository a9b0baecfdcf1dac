// The code page seam on MultiByteToWideChar.
#include <windows.h>

#include "platform/CodePage.h"

namespace codepage {

bool SystemCp936(const uint8_t* unit, size_t length, uint16_t& character)
{
    wchar_t text[4] = {};
    const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(unit),
                                      static_cast<int>(length), text, 4);
    if (n != 1)
        return false;
    character = static_cast<uint16_t>(text[0]);
    return true;
}

}  // namespace codepage
