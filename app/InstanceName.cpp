#include "app/InstanceName.h"

#include "platform/SystemErrors.h"

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
    if (created)
        return error == kErrorAlreadyExists ? InstanceMutexState::HeldByAnother : InstanceMutexState::Ours;
    return error == kErrorAccessDenied ? InstanceMutexState::HeldByAnother : InstanceMutexState::Unknown;
}
