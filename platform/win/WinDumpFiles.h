#pragma once
// The crash dumps' folder on Windows (FindFirstFileW, DeleteFileW).
#include "platform/DumpFiles.h"

class WinDumpFiles : public IDumpFiles {
public:
    std::vector<std::wstring> List(const std::wstring& folder, const std::wstring& pattern) override;
    bool Delete(const std::wstring& path) override;
};
