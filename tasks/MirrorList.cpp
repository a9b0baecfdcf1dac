#include "tasks/MirrorList.h"

MirrorList::MirrorList(std::vector<std::wstring> urls, const std::wstring& lastGood) : m_urls(std::move(urls))
{
    if (m_urls.empty())
        m_urls.emplace_back();
    // The last good address moves to the front; the others keep their order.
    for (size_t i = 1; i < m_urls.size() && !lastGood.empty(); ++i) {
        if (m_urls[i] == lastGood) {
            for (size_t k = i; k > 0; --k)
                m_urls[k].swap(m_urls[k - 1]);
            break;
        }
    }
    m_dropped.assign(m_urls.size(), 0);
}

void MirrorList::MoveOn()
{
    for (size_t step = 1; step <= m_urls.size(); ++step) {
        const size_t next = (m_current + step) % m_urls.size();
        if (m_dropped[next] == 0) {
            m_current = next;
            return;
        }
    }
}

bool MirrorList::Drop()
{
    m_dropped[m_current] = 1;
    const size_t before = m_current;
    MoveOn();
    return m_current != before;
}
