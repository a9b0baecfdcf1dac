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

private:
    std::wstring m_path;
};
