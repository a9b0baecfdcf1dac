#pragma once
#include <string>
#include <vector>

// The crash dumps' folder, as the launcher's dump writer keeps it tidy.
class IDumpFiles {
public:
    virtual ~IDumpFiles() = default;

    // The names (without the folder) of the files in folder that match
    // pattern ("quillmerex-crash-*.dmp", FindFirstFileW's wildcards).
    virtual std::vector<std::wstring> List(const std::wstring& folder, const std::wstring& pattern) = 0;

    // Deletes a file; false when it could not be deleted.
    virtual bool Delete(const std::wstring& path) = 0;
};
