#pragma once
// What an answer's type and first bytes say it is: a web page, a Windows
// program, and the bytes as the log shows them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace download {

// Whether a Content-Type names a web page: its media type (before any
// parameters, blanks around it ignored) is text/html in any case.
bool IsHtmlType(const std::wstring& contentType);

// Whether a file that starts with these bytes can be a Windows program:
// its first two bytes are "MZ".
bool StartsLikeProgram(const uint8_t* bytes, size_t count);

// Bytes as the log shows them: printable ASCII as it is, every other byte
// as a dot ("MZ..." for a program, "<!DOCTYPE html>.<html>" for a page).
std::wstring PrintableBytes(const uint8_t* bytes, size_t count);

}  // namespace download
