#pragma once
// An in-memory file system: files and folders by exact path, each with an
// owner, links to folders that paths below them lead through (as a
// junction's do), and failures on request. Safe to use from a worker
// thread and a test thread.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/SystemErrors.h"

class FakeFileSystem : public IFileSystem {
public:
    // The user the program runs as, and so the owner of what it makes.
    static constexpr wchar_t kUser[] = L"player";

    struct Entry {
        bool directory = false;
        std::vector<uint8_t> data;
        uint64_t reportedSize = UINT64_MAX;  // a size to report instead of data's
        int64_t lastWriteSeconds = 0;
        std::wstring owner = kUser;
        bool link = false;          // a reparse point: paths below it lead to its target
        bool madePrivate = false;   // made by CreatePrivateFolder or given MakePrivate
    };

    // The time written into entries as they are made or written.
    std::atomic<int64_t> nowSeconds{1700000000};

    // Failures a test can arrange.
    bool createFails = false;
    uint32_t createError = kErrorAccessDenied;
    int failingWrite = -1;  // index of the write that fails (0 = the first)
    bool shortWrite = false;  // that write writes one byte less and "succeeds"
    uint32_t writeError = kErrorDiskFull;
    std::vector<uint32_t> moveErrors;  // the first moves fail with these codes
    bool freeSpaceKnown = true;
    bool folderFails = false;
    uint64_t freeBytes = UINT64_MAX;

    void PutFile(const std::wstring& path, std::vector<uint8_t> data)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries[Resolve(path)] = Entry{false, std::move(data), UINT64_MAX, nowSeconds.load()};
    }
    void PutSizedFile(const std::wstring& path, uint64_t size)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries[Resolve(path)] = Entry{false, {}, size, nowSeconds.load()};
    }
    void PutDirectory(const std::wstring& path)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries[Resolve(path)] = Entry{true, {}, UINT64_MAX, nowSeconds.load()};
    }
    void SetLastWrite(const std::wstring& path, int64_t seconds)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries[Resolve(path)].lastWriteSeconds = seconds;
    }
    void SetOwner(const std::wstring& path, const std::wstring& owner)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries[Resolve(path)].owner = owner;
    }
    // A junction at path to the folder target: what lies below path is
    // target's.
    void PutLink(const std::wstring& path, const std::wstring& target)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Entry entry{true, {}, UINT64_MAX, nowSeconds.load()};
        entry.link = true;
        m_entries[path] = entry;
        m_links[path] = target;
    }
    bool IsPrivate(const std::wstring& path) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(path);
        return it != m_entries.end() && it->second.madePrivate;
    }
    // Every path, folders included, in order.
    std::vector<std::wstring> Paths() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::wstring> paths;
        for (const auto& entry : m_entries)
            paths.push_back(entry.first);
        return paths;
    }
    bool Exists(const std::wstring& path) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entries.count(Resolve(path)) != 0;
    }
    bool IsDirectory(const std::wstring& path) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(path);
        return it != m_entries.end() && it->second.directory;
    }
    std::vector<uint8_t> Content(const std::wstring& path) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(Resolve(path));
        return it == m_entries.end() ? std::vector<uint8_t>() : it->second.data;
    }
    std::vector<std::wstring> Created() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_created;
    }
    int OpenFiles() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_openFiles;
    }
    // Flushes ("flush <path> <size>") and renames ("move <from> -> <to>"),
    // in the order they happened.
    std::vector<std::wstring> Syncs() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_syncs;
    }
    int MovesTried() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_moves;
    }

    bool Find(const std::wstring& path, FoundFile& found) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(Resolve(path));
        if (it == m_entries.end())
            return false;
        found = Describe(it->first, it->second);
        return true;
    }

    // folder\name or folder\prefix*: the entries directly in folder.
    bool List(const std::wstring& pattern, std::vector<FoundFile>& found) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        found.clear();
        const size_t slash = pattern.rfind(L'\\');
        const std::wstring folder = Resolve(pattern.substr(0, slash + 1));
        std::wstring name = pattern.substr(slash + 1);
        const bool wildcard = !name.empty() && name.back() == L'*';
        if (wildcard)
            name.pop_back();
        for (const auto& entry : m_entries) {
            const std::wstring& path = entry.first;
            if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
                continue;
            const std::wstring own = path.substr(folder.size());
            if (own.find(L'\\') != std::wstring::npos)
                continue;
            if (wildcard ? own.compare(0, name.size(), name) == 0 : own == name)
                found.push_back(Describe(path, entry.second));
        }
        return !found.empty();
    }

    std::unique_ptr<IOutputFile> OpenToAppend(const std::wstring& given, uint64_t& size, uint32_t& error) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::wstring path = Resolve(given);
        auto it = m_entries.find(path);
        if (createFails || it == m_entries.end() || it->second.directory) {
            error = createFails ? createError : kErrorFileNotFound;
            return nullptr;
        }
        size = it->second.reportedSize != UINT64_MAX ? it->second.reportedSize : it->second.data.size();
        m_appended.push_back(path);
        ++m_openFiles;
        return std::make_unique<File>(*this, path);
    }

    std::vector<std::wstring> Appended() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_appended;
    }

    bool CreatePrivateFolder(const std::wstring& given, uint32_t& error) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::wstring path = Resolve(given);
        if (folderFails || m_entries.count(path) != 0) {
            error = folderFails ? kErrorAccessDenied : kErrorAlreadyExists;
            return false;
        }
        m_entries[path] = Entry{true, {}, UINT64_MAX, nowSeconds.load()};
        m_entries[path].madePrivate = true;
        return true;
    }

    bool MakePrivate(const std::wstring& folder, uint32_t& error) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(Resolve(folder));
        if (it == m_entries.end() || !it->second.directory || it->second.owner != kUser) {
            error = kErrorAccessDenied;
            return false;
        }
        it->second.madePrivate = true;
        return true;
    }

    // The entry itself, never what a link leads to.
    bool IsOwnedByUser(const std::wstring& path) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(Resolve(path));
        return it != m_entries.end() && !it->second.link && it->second.owner == kUser;
    }

    // A link itself is removed, as RemoveDirectoryW removes a junction.
    bool RemoveFolder(const std::wstring& given) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::wstring path = Resolve(given);
        m_links.erase(path);
        auto it = m_entries.find(path);
        if (it == m_entries.end() || !it->second.directory)
            return false;
        const std::wstring inside = path + L"\\";
        for (const auto& entry : m_entries) {
            if (entry.first.compare(0, inside.size(), inside) == 0)
                return false;
        }
        m_entries.erase(it);
        return true;
    }

    bool GetAttributes(const std::wstring& path, uint32_t& attributes) override
    {
        FoundFile found;
        if (!Find(path, found))
            return false;
        attributes = found.attributes;
        return true;
    }

    bool ReadStart(const std::wstring& path, uint32_t maxBytes, std::vector<uint8_t>& bytes) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(Resolve(path));
        if (it == m_entries.end() || it->second.directory)
            return false;
        const std::vector<uint8_t>& data = it->second.data;
        bytes.assign(data.begin(), data.begin() + (data.size() < maxBytes ? data.size() : maxBytes));
        return true;
    }

    std::unique_ptr<IOutputFile> CreateAlways(const std::wstring& given, uint32_t& error) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::wstring path = Resolve(given);
        auto it = m_entries.find(path);
        if (createFails || (it != m_entries.end() && it->second.directory)) {
            error = createFails ? createError : kErrorAccessDenied;
            return nullptr;
        }
        m_entries[path] = Entry{false, {}, UINT64_MAX, nowSeconds.load()};
        m_created.push_back(path);
        ++m_openFiles;
        return std::make_unique<File>(*this, path);
    }

    bool Delete(const std::wstring& path) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(Resolve(path));
        if (it == m_entries.end() || it->second.directory)
            return false;
        m_entries.erase(it);
        return true;
    }

    // Replaces a file of the target name, as MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING does; a folder of that name is refused (5).
    bool Move(const std::wstring& givenFrom, const std::wstring& givenTo, uint32_t& error) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::wstring from = Resolve(givenFrom);
        const std::wstring to = Resolve(givenTo);
        const size_t index = static_cast<size_t>(m_moves++);
        if (index < moveErrors.size()) {
            error = moveErrors[index];
            return false;
        }
        auto it = m_entries.find(from);
        if (it == m_entries.end()) {
            error = kErrorFileNotFound;
            return false;
        }
        m_syncs.push_back(L"move " + from + L" -> " + to);
        auto target = m_entries.find(to);
        if (target != m_entries.end() && target->second.directory) {
            error = kErrorAccessDenied;
            return false;
        }
        Entry moved = std::move(it->second);
        m_entries.erase(it);
        m_entries[to] = std::move(moved);
        return true;
    }

    bool FreeSpace(const std::wstring&, uint64_t& bytes, uint32_t& error) override
    {
        if (!freeSpaceKnown) {
            error = kErrorFileNotFound;
            return false;
        }
        bytes = freeBytes;
        return true;
    }

private:
    class File : public IOutputFile {
    public:
        File(FakeFileSystem& files, std::wstring path) : m_files(files), m_path(std::move(path)) {}
        ~File() override
        {
            std::lock_guard<std::mutex> lock(m_files.m_mutex);
            --m_files.m_openFiles;
        }

        bool Write(const void* data, uint32_t size, uint32_t& written, uint32_t& error) override
        {
            std::lock_guard<std::mutex> lock(m_files.m_mutex);
            const int index = m_writes++;
            written = size;
            if (index == m_files.failingWrite) {
                error = m_files.writeError;
                if (!m_files.shortWrite) {
                    written = 0;
                    return false;
                }
                written = size - 1;
            }
            m_files.m_entries[m_path].lastWriteSeconds = m_files.nowSeconds.load();
            auto& content = m_files.m_entries[m_path].data;
            const auto* bytes = static_cast<const uint8_t*>(data);
            content.insert(content.end(), bytes, bytes + written);
            return true;
        }

        bool Restart(uint32_t&) override
        {
            std::lock_guard<std::mutex> lock(m_files.m_mutex);
            m_files.m_entries[m_path].data.clear();
            return true;
        }

        bool Flush(uint32_t&) override
        {
            std::lock_guard<std::mutex> lock(m_files.m_mutex);
            m_files.m_syncs.push_back(L"flush " + m_path + L" " +
                                      std::to_wstring(m_files.m_entries[m_path].data.size()));
            return true;
        }

    private:
        FakeFileSystem& m_files;
        std::wstring m_path;
        int m_writes = 0;
    };

    static FoundFile Describe(const std::wstring& path, const Entry& entry)
    {
        FoundFile found;
        found.name = path.substr(path.rfind(L'\\') + 1);
        found.attributes = entry.directory ? kFileAttributeDirectory : 0x80;
        if (entry.link)
            found.attributes |= kFileAttributeReparsePoint;
        found.size = entry.reportedSize != UINT64_MAX ? entry.reportedSize : entry.data.size();
        found.lastWriteSeconds = entry.lastWriteSeconds;
        return found;
    }

    // A path below a link, as the path below the link's target; the
    // link's own path stays as it is.
    std::wstring Resolve(const std::wstring& path) const
    {
        for (const auto& link : m_links) {
            const std::wstring below = link.first + L"\\";
            if (path.compare(0, below.size(), below) == 0)
                return Resolve(link.second + L"\\" + path.substr(below.size()));
        }
        return path;
    }

    mutable std::mutex m_mutex;
    std::map<std::wstring, Entry> m_entries;
    std::map<std::wstring, std::wstring> m_links;
    std::vector<std::wstring> m_created;
    std::vector<std::wstring> m_appended;
    std::vector<std::wstring> m_syncs;
    int m_openFiles = 0;
    int m_moves = 0;
};
