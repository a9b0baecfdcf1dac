#include "config/FolderVariable.h"

std::wstring ReadFolderVariable(IEnvironment& env, const std::wstring& name,
                                IEnvironment::Folder fallback)
{
    std::wstring value;
    if (env.ReadVariable(name, value))
        return value;
    return env.KnownFolder(fallback);
}

std::wstring ReadDownloadTemp(IEnvironment& env)
{
    const std::wstring systemOnly = env.KnownFolder(IEnvironment::Folder::SystemTemp);
    return systemOnly.empty() ? ReadFolderVariable(env, L"TMP", IEnvironment::Folder::Temp) : systemOnly;
}
