// Code page 936 on MultiByteToWideChar.
#include <windows.h>

#include "platform/CodePage.h"

namespace {

class WinCodePage : public ICodePage {
public:
    bool Cp936Unit(const uint8_t* unit, size_t length, uint16_t& character) override
    {
        wchar_t text[4] = {};
        const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(unit),
                                          static_cast<int>(length), text, 4);
        if (n != 1)
            return false;
        character = static_cast<uint16_t>(text[0]);
        return true;
    }
};

WinCodePage g_codePage;

}  // namespace

ICodePage& SystemCodePage()
{
    return g_codePage;
}
