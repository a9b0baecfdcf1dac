#include "app/win/RunLog.h"

#include "config/FolderVariable.h"
#include "log/ProgramStart.h"
#include "platform/win/WinPlatform.h"
#include "platform/DecimalText.h"

RunLog::RunLog(HINSTANCE instance, const std::wstring& file) : m_log(m_clock, m_files)
{
    const bool named = !file.empty() && m_log.OpenFile(file);
    if (!named) {
        WinEnvironment environment;
        m_log.Open(ReadFolderVariable(environment, L"TMP", IEnvironment::Folder::Temp));
    }
    WinResources resources(instance);
    WinSystemInfo system;
    LogProgramStart(m_log, resources, system);
    if (!file.empty() && !named)
        m_log.Write(L"start-up: the log file \"" + file + L"\" cannot be opened; the log is here instead");
}

int RunLog::Exit(int code)
{
    m_log.Write(L"exit: code " + DecimalText(code));
    return code;
}
