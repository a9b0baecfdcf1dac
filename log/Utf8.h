#pragma once
#include <string>
#include <vector>

// Appends text as UTF-8. A wide string holds UTF-16 on Windows and UTF-32
// elsewhere: a surrogate pair becomes one character either way, and a lone
// surrogate or a value beyond U+10FFFF becomes U+FFFD. Bytes go into a
// vector rather than a narrow string, whose library code the launcher
// would otherwise link for this alone.
void AppendUtf8(std::vector<char>& out, const std::wstring& text);
