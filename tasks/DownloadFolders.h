#pragma once
#include <cstdint>
#include <string>
#include <vector>

class IFileSystem;
class IRandom;

// The launcher's own folders under the temporary folder, one for each
// download: root\quillmerex-<16 hexadecimal digits>. The installer is
// written, kept and run there, never loose in the temporary folder, where
// anything may lie beside it (the DLLs an installer loads from its own
// folder among them).
//
// The temporary folder may be shared (C:\Windows\Temp for a program
// running as SYSTEM, a TMP set to C:\Temp): a folder is made so that only
// this user, SYSTEM and the Administrators may open it, and a folder an
// earlier run left is trusted by its contents and its owner, never by its
// name alone.
namespace download_folders {

constexpr wchar_t kPrefix[] = L"quillmerex-";
// What is left untouched longer than this is removed at start-up.
constexpr int64_t kStaleSeconds = 7 * 24 * 60 * 60;

// The names of the files a download leaves in its folder: the file under
// way (tempName), its record and the record's draft, and the finished
// installer (fileName).
std::vector<std::wstring> OwnFileNames(const std::wstring& tempName, const std::wstring& fileName);

// The full paths of the launcher's folders under root. A junction or
// symbolic link of such a name is not listed: it may lead anywhere.
std::vector<std::wstring> List(IFileSystem& files, const std::wstring& root);

// Whether a folder an earlier run left may be taken over or removed: it
// is no reparse point, this user owns it, and it holds nothing but plain
// files of ownNames that this user owns.
bool IsOwn(IFileSystem& files, const std::wstring& folder, const std::vector<std::wstring>& ownNames);

// Takes a folder an earlier run left for this run: when this user owns
// it, its permissions are made those of a new folder (nobody else may add
// a file to it from here on), then it is checked as IsOwn does. False, and
// the folder left as it is, when it is not this user's.
bool Claim(IFileSystem& files, const std::wstring& folder, const std::vector<std::wstring>& ownNames);

// Makes a new folder with a random name under root, that only this user,
// SYSTEM and the Administrators may open. Empty, with the platform's code,
// when none can be made.
std::wstring Create(IFileSystem& files, IRandom& random, const std::wstring& root, uint32_t& error);

// Deletes the files in this run's folder, then the folder. A file or
// folder that cannot go (an installer still running there) stays, and so
// does whatever is a folder or a reparse point: nothing is deleted through
// one.
void Remove(IFileSystem& files, const std::wstring& folder);

// Removes the launcher's folders in which nothing was written for
// kStaleSeconds before nowSeconds, of those IsOwn allows. The number
// removed.
size_t RemoveStale(IFileSystem& files, const std::wstring& root, const std::vector<std::wstring>& ownNames,
                   int64_t nowSeconds);

}  // namespace download_folders
