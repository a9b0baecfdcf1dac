#pragma once
// A dump folder in memory: the names it lists (a wildcard of one '*' is
// matched), and the paths deleted from it.
#include <string>
#include <vector>

#include "platform/DumpFiles.h"

class FakeDumpFiles : public IDumpFiles {
public:
    std::vector<std::wstring> names;
    std::vector<std::wstring> deleted;
    std::wstring listedFolder;

    std::vector<std::wstring> List(const std::wstring& folder, const std::wstring& pattern) override
    {
        listedFolder = folder;
        const size_t star = pattern.find(L'*');
        const std::wstring head = pattern.substr(0, star);
        const std::wstring tail = star == std::wstring::npos ? std::wstring() : pattern.substr(star + 1);
        std::vector<std::wstring> found;
        for (const std::wstring& name : names) {
            if (name.size() >= head.size() + tail.size() && name.compare(0, head.size(), head) == 0 &&
                name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
                found.push_back(name);
        }
        return found;
    }

    bool Delete(const std::wstring& path) override
    {
        deleted.push_back(path);
        return true;
    }
};
