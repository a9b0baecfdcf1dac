#include "tasks/DownloadFolders.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "platform/HexText.h"
#include "platform/Random.h"
#include "platform/SystemErrors.h"
#include "tasks/PartialDownload.h"

namespace download_folders {

namespace {

constexpr int kNameTries = 8;

bool IsOurs(const FoundFile& entry)
{
    const std::wstring prefix = kPrefix;
    if ((entry.attributes & kFileAttributeDirectory) == 0 || (entry.attributes & kFileAttributeReparsePoint) != 0 ||
        entry.name.size() != prefix.size() + 16 ||
        entry.name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < entry.name.size(); ++i) {
        const wchar_t c = entry.name[i];
        if (HexValue(c) < 0 || c != AsciiLower(c))  // lower-case hexadecimal only
            return false;
    }
    return true;
}

bool IsPlainFile(const FoundFile& entry)
{
    return (entry.attributes & (kFileAttributeDirectory | kFileAttributeReparsePoint)) == 0;
}

}  // namespace

std::vector<std::wstring> OwnFileNames(const std::wstring& tempName, const std::wstring& fileName)
{
    const std::wstring record = tempName + PartialDownload::kRecordSuffix;
    return {tempName, record, record + PartialDownload::kDraftSuffix, fileName};
}

std::vector<std::wstring> List(IFileSystem& files, const std::wstring& root)
{
    std::vector<FoundFile> found;
    std::vector<std::wstring> folders;
    files.List(root + L"\\" + kPrefix + L"*", found);
    for (const FoundFile& entry : found) {
        if (IsOurs(entry))
            folders.push_back(root + L"\\" + entry.name);
    }
    return folders;
}

std::wstring Create(IFileSystem& files, IRandom& random, const std::wstring& root, uint32_t& error)
{
    for (int i = 0; i < kNameTries; ++i) {
        const std::wstring folder = root + L"\\" + kPrefix + HexText(random.Next(), 8, HexCase::Lower) +
                                   HexText(random.Next(), 8, HexCase::Lower);
        if (files.CreatePrivateFolder(folder, error))
            return folder;
        if (error != kErrorAlreadyExists)
            break;
    }
    return std::wstring();
}

bool IsOwn(IFileSystem& files, const std::wstring& folder, const std::vector<std::wstring>& ownNames)
{
    if (!files.IsOwnedByUser(folder))
        return false;
    std::vector<FoundFile> found;
    files.List(folder + L"\\*", found);
    for (const FoundFile& entry : found) {
        // The names as the launcher writes them; anything else (another
        // name, a folder, a link, another owner's file) is not its own.
        if (!IsPlainFile(entry) || std::find(ownNames.begin(), ownNames.end(), entry.name) == ownNames.end() ||
            !files.IsOwnedByUser(folder + L"\\" + entry.name))
            return false;
    }
    return true;
}

bool Claim(IFileSystem& files, const std::wstring& folder, const std::vector<std::wstring>& ownNames)
{
    // Made private before its contents are looked at, so that nothing can
    // be added between the look and the use.
    uint32_t error = 0;
    return files.IsOwnedByUser(folder) && files.MakePrivate(folder, error) && IsOwn(files, folder, ownNames);
}

void Remove(IFileSystem& files, const std::wstring& folder)
{
    std::vector<FoundFile> found;
    files.List(folder + L"\\*", found);
    for (const FoundFile& entry : found) {
        if (IsPlainFile(entry))
            files.Delete(folder + L"\\" + entry.name);
    }
    files.RemoveFolder(folder);
}

size_t RemoveStale(IFileSystem& files, const std::wstring& root, const std::vector<std::wstring>& ownNames,
                   int64_t nowSeconds)
{
    size_t removed = 0;
    for (const std::wstring& folder : List(files, root)) {
        // The folder's own time moves when a file in it is made, renamed or
        // deleted; a file's when it is written.
        FoundFile self;
        int64_t newest = files.Find(folder, self) ? self.lastWriteSeconds : 0;
        std::vector<FoundFile> found;
        files.List(folder + L"\\*", found);
        for (const FoundFile& entry : found) {
            if (entry.lastWriteSeconds > newest)
                newest = entry.lastWriteSeconds;
        }
        if (nowSeconds - newest < kStaleSeconds || !IsOwn(files, folder, ownNames))
            continue;
        Remove(files, folder);
        ++removed;
    }
    return removed;
}

}  // namespace download_folders
