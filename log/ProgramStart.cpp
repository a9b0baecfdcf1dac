#include "log/ProgramStart.h"

#include <vector>

#include "log/VersionResource.h"
#include "platform/Log.h"
#include "platform/Resources.h"
#include "platform/SystemInfo.h"

void LogProgramStart(ILog& log, IResources& resources, ISystemInfo& system)
{
    std::vector<uint8_t> bytes;
    ProgramVersion version;
    std::wstring program = L"(no version resource)";
    if (resources.Load(kVersionResourceType, kVersionResourceId, bytes) && ReadVersionResource(bytes, version))
        program = (version.productName.empty() ? std::wstring() : version.productName + L" ") + version.fileVersion;
    log.Write(L"start: " + program + L" on " + system.WindowsVersion());
}
