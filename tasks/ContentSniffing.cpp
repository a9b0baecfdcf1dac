#include "tasks/ContentSniffing.h"

#include "platform/AsciiText.h"

namespace download {

bool IsHtmlType(const std::wstring& contentType)
{
    return AsciiLowered(TrimmedBlanks(contentType.substr(0, contentType.find(L';')))) == L"text/html";
}

bool StartsLikeProgram(const uint8_t* bytes, size_t count)
{
    return count >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
}

std::wstring PrintableBytes(const uint8_t* bytes, size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i)
        text += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? static_cast<wchar_t>(bytes[i]) : L'.';
    return text;
}

}  // namespace download
