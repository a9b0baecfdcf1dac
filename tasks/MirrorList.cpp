#include "tasks/MirrorList.h"

#include <algorithm>

MirrorList::MirrorList(std::vector<std::wstring> urls, const std::wstring& lastGood) : m_urls(std::move(urls))
{
    if (m_urls.empty())
        m_urls.emplace_back();
    auto good = std::find(m_urls.begin(), m_urls.end(), lastGood);
    if (!lastGood.empty() && good != m_urls.end())
        std::rotate(m_urls.begin(), good, good + 1);
    m_dropped.assign(m_urls.size(), false);
}

void MirrorList::MoveOn()
{
    for (size_t step = 1; step <= m_urls.size(); ++step) {
        const size_t next = (m_current + step) % m_urls.size();
        if (!m_dropped[next]) {
            m_current = next;
            return;
        }
    }
}

bool MirrorList::Drop()
{
    m_dropped[m_current] = true;
    if (std::find(m_dropped.begin(), m_dropped.end(), false) == m_dropped.end())
        return false;
    MoveOn();
    return true;
}
