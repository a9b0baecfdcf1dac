#include "tasks/ContentCheck.h"
#include "tasks/ContentSniffing.h"


namespace {

bool IsBlank(uint8_t byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

}  // namespace

ContentCheck::ContentCheck(Expect expect, const std::wstring& contentType)
    : m_expect(expect), m_htmlType(expect == Expect::Program && download::IsHtmlType(contentType)),
      m_verdict(expect == Expect::Anything ? Verdict::Sound : Verdict::Pending)
{
}

ContentCheck::Verdict ContentCheck::Add(const uint8_t* bytes, uint32_t count)
{
    if (m_verdict != Verdict::Pending)
        return m_verdict;
    for (uint32_t i = 0; i < count && m_count < kShownBytes; ++i)
        m_start[m_count++] = bytes[i];
    m_verdict = Judge();
    return m_verdict;
}

ContentCheck::Verdict ContentCheck::AtEnd() const
{
    if (m_verdict != Verdict::Pending)
        return m_verdict;
    return m_expect == Expect::Program ? Verdict::Page : Verdict::Sound;
}

ContentCheck::Verdict ContentCheck::Judge() const
{
    if (m_expect == Expect::Program) {
        // A page sent under a program's type is still a page, and "MZ"
        // under an HTML type is still a page.
        if (m_htmlType)
            return Verdict::Page;
        if (m_count < 2)
            return Verdict::Pending;
        return download::StartsLikeProgram(m_start, m_count) ? Verdict::Sound : Verdict::Page;
    }
    // A text: its first byte after a UTF-8 byte-order mark and blanks. The
    // type is not asked: a text is judged by what it says.
    static const uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
    size_t at = 0;
    while (at < 3 && at < m_count && m_start[at] == kByteOrderMark[at])
        ++at;
    if (at < 3 && at == m_count)
        return Verdict::Pending;  // a mark, or the start of one
    if (at < 3)
        at = 0;
    while (at < m_count && IsBlank(m_start[at]))
        ++at;
    if (at < m_count)
        return m_start[at] == '<' ? Verdict::Page : Verdict::Sound;
    return m_count == kShownBytes ? Verdict::Sound : Verdict::Pending;
}
