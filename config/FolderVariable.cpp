#include "config/FolderVariable.h"

std::wstring ReadFolderVariable(IEnvironment& env, const std::wstring& name,
                                IEnvironment::Folder fallback)
{
    std::wstring value;
    if (env.ReadVariable(name, value))
        return value;
    return env.KnownFolder(fallback);
}
