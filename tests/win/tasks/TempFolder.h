#pragma once
// A folder of its own for one test, emptied and removed afterwards.
#include <windows.h>

#include <string>

class TempFolder {
public:
    // A new folder under the system's temporary directory, or at `path`
    // when one is given.
    explicit TempFolder(const std::wstring& path = std::wstring());
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

    static bool Exists(const std::wstring& path);
    // Waits up to ten seconds for path to appear.
    static bool WaitFor(const std::wstring& path);
    static bool IsDirectory(const std::wstring& path);
    static bool WriteFile(const std::wstring& path, const std::string& content);
    static std::string ReadFile(const std::wstring& path);

    // The Unix path that the environment variable holds (a file or folder
    // a test's script made), as Wine reaches it through drive Z:; empty
    // when the variable is not set.
    static std::wstring UnixPath(const wchar_t* variable);
    // The file name in the Unix folder that the variable names; a path that
    // does not exist when the variable is not set.
    static std::wstring UnixFile(const wchar_t* variable, const std::wstring& name);

private:
    std::wstring m_path;
};
