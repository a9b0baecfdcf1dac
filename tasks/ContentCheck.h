#pragma once
// Judges an answer by its first bytes, before any of them is kept: a file
// that will be run must start as a Windows program ("MZ", and no web page
// by its Content-Type), and a text (the manifest) must not be a web page
// (its first byte after blanks is '<'). A captive portal's sign-in page,
// or a server's error page sent as success, stands where either should be.
#include <cstddef>
#include <cstdint>
#include <string>

class ContentCheck {
public:
    enum class Expect { Anything, Program, Text };
    enum class Verdict { Pending, Sound, Page };

    // contentType: the answer's Content-Type, empty when it has none.
    ContentCheck(Expect expect, const std::wstring& contentType);

    // The next bytes of the body, in order; the verdict so far (once Sound
    // or Page, it stays).
    Verdict Add(const uint8_t* bytes, uint32_t count);
    // The body has ended: the verdict on all of it (a program of fewer than
    // two bytes is none; a text too short to tell is no page).
    Verdict AtEnd() const;

    // The answer's first bytes as far as they were looked at (at most
    // kShownBytes), for the log.
    static constexpr size_t kShownBytes = 64;
    const uint8_t* Start() const { return m_start; }
    size_t StartCount() const { return m_count; }

private:
    Verdict Judge() const;

    Expect m_expect;
    bool m_htmlType;
    Verdict m_verdict;
    uint8_t m_start[kShownBytes] = {};
    size_t m_count = 0;
};
