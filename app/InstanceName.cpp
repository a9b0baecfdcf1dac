#include "app/InstanceName.h"

std::wstring InstanceMutexName(const std::wstring& userId, const std::wstring& installAppName)
{
    std::wstring name = L"Local\\quillmerex-" + userId + L"-" + installAppName;
    for (size_t i = 6; i < name.size(); ++i) {
        if (name[i] == L'\\')
            name[i] = L'_';
    }
    return name;
}
