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
namespace download_folders {

constexpr wchar_t kPrefix[] = L"quillmerex-";
// What is left untouched longer than this is removed at start-up.
constexpr int64_t kStaleSeconds = 7 * 24 * 60 * 60;

// The full paths of the launcher's folders under root.
std::vector<std::wstring> List(IFileSystem& files, const std::wstring& root);

// Makes a new folder with a random name under root. Empty, with the
// platform's code, when none can be made.
std::wstring Create(IFileSystem& files, IRandom& random, const std::wstring& root, uint32_t& error);

// Deletes the files in one of the launcher's folders, then the folder. A
// file or folder that cannot go (an installer still running there) stays.
void Remove(IFileSystem& files, const std::wstring& folder);

// Removes the launcher's folders in which nothing was written for
// kStaleSeconds before nowSeconds. The number removed.
size_t RemoveStale(IFileSystem& files, const std::wstring& root, int64_t nowSeconds);

}  // namespace download_folders
