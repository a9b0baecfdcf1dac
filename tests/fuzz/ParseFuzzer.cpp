// Feeds arbitrary bytes to CIniConfig::Parse and checks what must hold for
// any text: the sanitizers catch memory and undefined-behaviour faults, the
// checks below the parser's own promises.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/CIniConfig.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

bool Trimmed(const std::wstring& s)
{
    return s.empty() || (!IsBlank(s.front()) && !IsBlank(s.back()));
}

// A line break or a zero can only reach the store as the second byte of an
// undefined unit, right after its U+FFFD; a zero byte adds nothing at all.
bool BreaksOnlyAfterReplacement(const std::wstring& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\0')
            return false;
        if ((s[i] == L'\r' || s[i] == L'\n') && (i == 0 || s[i - 1] != L'\xFFFD'))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CIniConfig config;
    Require(config.Parse(data, size));

    for (const auto& [name, section] : config.Sections()) {
        Require(!name.empty());
        Require(BreaksOnlyAfterReplacement(name));
        for (const auto& [key, value] : section) {
            Require(key.find(L'=') == std::wstring::npos);
            Require(Trimmed(key) && Trimmed(value));
            Require(BreaksOnlyAfterReplacement(key) && BreaksOnlyAfterReplacement(value));
            Require(config.GetValue(name, key) == value);
        }
    }

    // Lookups never insert.
    const auto before = config.Sections();
    config.GetValue(L"pack", L"k_name");
    config.GetValue(L"", L"");
    Require(config.Sections() == before);

    // Parsing the same text again replaces every section by itself.
    Require(config.Parse(data, size));
    Require(config.Sections() == before);

    // Lines move forward and end inside the text; together they cover it.
    size_t pos = 0;
    size_t next = 0;
    std::wstring line;
    while (CIniConfig::ReadLine(data, pos, size, next, line)) {
        Require(next > pos && next <= size);
        Require(line.size() <= next - pos);
        pos = next;
    }
    Require(pos == size);
    return 0;
}
