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

InstanceMutexState JudgeInstanceMutex(bool created, uint32_t error)
{
    constexpr uint32_t kAccessDenied = 5;
    constexpr uint32_t kAlreadyExists = 183;
    if (created)
        return error == kAlreadyExists ? InstanceMutexState::HeldByAnother : InstanceMutexState::Ours;
    return error == kAccessDenied ? InstanceMutexState::HeldByAnother : InstanceMutexState::Unknown;
}
