#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The addresses one download is tried at, in order of preference, and
// which of them has failed for good. A failure that may pass moves the
// next attempt to the next address (wrapping around), so that retries
// spread over the mirrors; a failure that is final for one address drops
// it, and the download goes on at the next one.
class MirrorList {
public:
    // urls in the publisher's order; lastGood, the address that completed
    // the last download, comes first when the list names it.
    MirrorList(std::vector<std::wstring> urls, const std::wstring& lastGood);

    const std::wstring& Current() const { return m_urls[m_current]; }
    size_t Count() const { return m_urls.size(); }
    size_t CurrentIndex() const { return m_current; }

    // After a failure that may pass: the next address still in the race.
    void MoveOn();
    // After a failure that is final for the current address. False when
    // every address has failed for good; else the next one is current.
    bool Drop();

private:
    std::vector<std::wstring> m_urls;
    std::vector<uint8_t> m_dropped;
    size_t m_current = 0;
};
