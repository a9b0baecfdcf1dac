#include <aclapi.h>

#include "platform/win/PrivateSecurity.h"
#include "platform/win/ProcessUser.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/WinOutputFile.h"
#include "platform/win/WinTaskPlatform.h"

namespace {

// FILETIME counts 100 ns steps from 1601; 1970 is this many steps later.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

FoundFile Entry(const WIN32_FIND_DATAW& data)
{
    FoundFile found;
    found.name = data.cFileName;
    found.attributes = data.dwFileAttributes;
    found.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const uint64_t written =
        (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    found.lastWriteSeconds = (static_cast<int64_t>(written) - static_cast<int64_t>(kUnixEpochFileTime)) / 10000000;
    return found;
}

// Others may read the installer's file while it is written, but neither
// write, rename nor delete it.
constexpr DWORD kWrittenFileShare = FILE_SHARE_READ;

}  // namespace

bool WinFileSystem::Find(const std::wstring& path, FoundFile& found)
{
    WIN32_FIND_DATAW data = {};
    ScopedFindHandle search(FindFirstFileW(path.c_str(), &data));
    if (!search)
        return false;
    found = Entry(data);
    return true;
}

bool WinFileSystem::List(const std::wstring& pattern, std::vector<FoundFile>& found)
{
    found.clear();
    WIN32_FIND_DATAW data = {};
    ScopedFindHandle search(FindFirstFileW(pattern.c_str(), &data));
    if (!search)
        return false;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            found.push_back(Entry(data));
    } while (FindNextFileW(search.Get(), &data));
    return true;
}

bool WinFileSystem::GetAttributes(const std::wstring& path, uint32_t& attributes)
{
    const DWORD value = GetFileAttributesW(path.c_str());
    if (value == INVALID_FILE_ATTRIBUTES)
        return false;
    attributes = value;
    return true;
}

bool WinFileSystem::ReadStart(const std::wstring& path, uint32_t maxBytes, std::vector<uint8_t>& bytes)
{
    // Shared every way: a look that never stands in another's way.
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    bytes.assign(maxBytes, 0);
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), maxBytes, &read, nullptr)) {
        bytes.clear();
        return false;
    }
    bytes.resize(read);
    return true;
}

std::unique_ptr<IOutputFile> WinFileSystem::CreateAlways(const std::wstring& path, uint32_t& error)
{
    // Reading and writing only: asking for more (GENERIC_ALL includes the
    // right to change the file's permissions) fails with 5 in a folder that
    // grants Modify but not Full Control.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kWrittenFileShare, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<WinOutputFile>(file);
}

std::unique_ptr<IOutputFile> WinFileSystem::OpenToAppend(const std::wstring& path, uint64_t& size, uint32_t& error)
{
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kWrittenFileShare, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER end = {};
    const LARGE_INTEGER none = {};
    if (!file || !SetFilePointerEx(file.Get(), none, &end, FILE_END)) {
        error = GetLastError();
        return nullptr;
    }
    size = static_cast<uint64_t>(end.QuadPart);
    return std::make_unique<WinOutputFile>(file.Release());
}

bool WinFileSystem::CreatePrivateFolder(const std::wstring& path, uint32_t& error)
{
    // Made with its permissions, not given them afterwards: in a TMP where
    // every user may add files, nobody gets a moment to put one inside.
    PrivateSecurity security;
    if (!security.Valid()) {
        error = security.Error();
        return false;
    }
    if (!CreateDirectoryW(path.c_str(), security.Attributes())) {
        error = GetLastError();
        return false;
    }
    return true;
}

bool WinFileSystem::MakePrivate(const std::wstring& folder, uint32_t& error)
{
    PrivateSecurity security;
    if (!security.Valid()) {
        error = security.Error();
        return false;
    }
    // By name: the system hands the inherited entries on to the files
    // inside (SetSecurityInfo on a handle would not).
    std::wstring name = folder;
    const DWORD result = SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT,
                                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                               nullptr, nullptr, security.Acl(), nullptr);
    if (result != ERROR_SUCCESS) {
        error = result;
        return false;
    }
    return true;
}

bool WinFileSystem::IsOwnedByUser(const std::wstring& path)
{
    // A junction or symbolic link is looked at, never followed: as its
    // folder lists it, and opened as itself (Wine shows a link only in
    // the listing). Reading the owner needs no right to the contents, and
    // stands in nobody's way.
    WIN32_FIND_DATAW data = {};
    ScopedFindHandle entry(FindFirstFileW(path.c_str(), &data));
    if (!entry || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    ScopedFileHandle file(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!file || !GetFileInformationByHandle(file.Get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    ScopedLocalMemory held(descriptor);
    return ProcessUser().Is(owner);
}

bool WinFileSystem::RemoveFolder(const std::wstring& path)
{
    return RemoveDirectoryW(path.c_str()) != FALSE;
}

bool WinFileSystem::Delete(const std::wstring& path)
{
    return DeleteFileW(path.c_str()) != FALSE;
}

bool WinFileSystem::Move(const std::wstring& from, const std::wstring& to, uint32_t& error)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = GetLastError();
        return false;
    }
    return true;
}

bool WinFileSystem::FreeSpace(const std::wstring& folder, uint64_t& bytes, uint32_t& error)
{
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        error = GetLastError();
        return false;
    }
    bytes = available.QuadPart;
    return true;
}
