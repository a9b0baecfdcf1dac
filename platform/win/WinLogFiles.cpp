#include "platform/win/ScopedHandles.h"
#include "platform/win/WinLogPlatform.h"

namespace {

// A handle opened with FILE_APPEND_DATA only: the system puts every write
// at the end of the file, whoever else appends at the same time.
class WinAppendFile : public IAppendFile {
public:
    explicit WinAppendFile(HANDLE file) : m_file(file) {}

    bool Append(const void* data, uint32_t size) override
    {
        DWORD written = 0;
        return WriteFile(m_file.Get(), data, size, &written, nullptr) && written == size;
    }

private:
    ScopedFileHandle m_file;
};

}  // namespace

bool WinLogFiles::Size(const std::wstring& path, uint64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool WinLogFiles::Replace(const std::wstring& from, const std::wstring& to)
{
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::unique_ptr<IAppendFile> WinLogFiles::OpenAppend(const std::wstring& path)
{
    // Shared for reading (support reads the log while the launcher runs),
    // for appending (a second launcher) and for deleting and renaming (the
    // next launcher's rotation).
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<WinAppendFile>(file);
}
