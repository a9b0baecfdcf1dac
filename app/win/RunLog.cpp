#include "app/win/RunLog.h"

#include "config/FolderVariable.h"
#include "log/ProgramStart.h"
#include "platform/win/WinPlatform.h"
#include "platform/DecimalText.h"

RunLog::RunLog(HINSTANCE instance) : m_log(m_clock, m_files)
{
    WinEnvironment environment;
    m_log.Open(ReadFolderVariable(environment, L"TMP", IEnvironment::Folder::Temp));
    WinResources resources(instance);
    WinSystemInfo system;
    LogProgramStart(m_log, resources, system);
}

int RunLog::Exit(int code)
{
    m_log.Write(L"exit: code " + DecimalText(code));
    return code;
}
