#include "config/CIniConfig.h"

#include "config/Cp936.h"

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

}  // namespace

bool CIniConfig::Parse(const uint8_t* bytes, size_t length)
{
    std::wstring current;   // name of the section being read; empty before the first header
    Section pending;        // its keys so far
    auto store = [&] {
        if (!current.empty())
            m_sections[current] = std::move(pending);
        pending.clear();
    };

    size_t pos = 0;
    size_t next = 0;
    std::wstring line;
    while (ReadLine(bytes, pos, length, next, line)) {
        pos = next;
        line = Trim(line);
        if (line.empty())
            continue;
        if (line.size() > 2 && line.front() == L'[' && line.back() == L']') {
            store();
            current = line.substr(1, line.size() - 2);
            continue;
        }
        size_t eq = line.find(L'=');
        if (eq != std::wstring::npos)
            pending[Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
    }
    store();
    return true;
}

std::wstring CIniConfig::GetValue(const std::wstring& section, const std::wstring& key) const
{
    auto s = m_sections.find(section);
    if (s == m_sections.end())
        return std::wstring();
    auto k = s->second.find(key);
    return k == s->second.end() ? std::wstring() : k->second;
}

bool CIniConfig::ReadLine(const uint8_t* bytes, size_t start, size_t length, size_t& next,
                          std::wstring& line)
{
    if (start >= length)
        return false;
    line.clear();
    size_t p = start;
    for (;;) {
        if (p == length) {
            next = length;
            return true;
        }
        uint8_t b = bytes[p];
        if (b == 0x0D) {
            next = (p + 1 < length && bytes[p + 1] == 0x0A) ? p + 2 : p + 1;
            return true;
        }
        if (b == 0x0A) {
            next = p + 1;
            return true;
        }
        // A byte above 0x80 leads a two-byte unit, whatever follows it (CR
        // and LF included), unless it is the last byte of the text.
        size_t unit = (b > 0x80 && p + 1 < length) ? 2 : 1;
        AppendCp936Unit(line, bytes + p, unit);
        p += unit;
    }
}

std::wstring CIniConfig::TrimLeft(const std::wstring& text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

std::wstring CIniConfig::TrimRight(const std::wstring& text)
{
    size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    return text.substr(0, n);
}

std::wstring CIniConfig::Trim(const std::wstring& text)
{
    return TrimRight(TrimLeft(text));
}
