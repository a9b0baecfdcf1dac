#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// The store of the embedded configuration: section name, then key, then
// value, all wide strings compared exactly (case-sensitive).
//
// The text is INI-like, in code page 936: "[name]" lines open a section,
// "key = value" lines fill it, everything else is ignored. A section that
// appears again replaces the earlier one whole; key lines before the first
// header are dropped.
class CIniConfig {
public:
    using Section = std::map<std::wstring, std::wstring>;

    // Adds the sections of the text. Never fails on its input.
    bool Parse(const uint8_t* bytes, size_t length);

    // The value stored under key in section, or the empty string. Never
    // inserts anything.
    std::wstring GetValue(const std::wstring& section, const std::wstring& key) const;

    const std::map<std::wstring, Section>& Sections() const { return m_sections; }

    // Decodes the line that begins at byte offset start (without its line
    // break) into line and the offset of the following line into next.
    // False, reading nothing, when start is not below length.
    static bool ReadLine(const uint8_t* bytes, size_t start, size_t length, size_t& next,
                         std::wstring& line);

    // Without leading, trailing, or both leading and trailing blanks and tabs.
    static std::wstring TrimLeft(const std::wstring& text);
    static std::wstring TrimRight(const std::wstring& text);
    static std::wstring Trim(const std::wstring& text);

private:
    std::map<std::wstring, Section> m_sections;
};
