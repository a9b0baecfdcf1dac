#include "log/CFileLog.h"

#include "log/LogLine.h"
#include "platform/LocalClock.h"
#include "platform/LogFiles.h"

CFileLog::CFileLog(ILocalClock& clock, ILogFiles& files) : m_clock(clock), m_files(files) {}

CFileLog::~CFileLog() = default;

bool CFileLog::Open(const std::wstring& folder)
{
    m_file.reset();
    if (folder.empty())
        return false;
    const std::wstring path = folder + L"\\" + kFileName;
    // A rename that fails (another launcher holds the file without sharing
    // it for renames) leaves the old file to grow a little longer.
    uint64_t size = 0;
    if (m_files.Size(path, size) && size > kRotateAbove)
        m_files.Replace(path, folder + L"\\" + kOldFileName);
    m_file = m_files.OpenAppend(path);
    return m_file != nullptr;
}

bool CFileLog::OpenFile(const std::wstring& path)
{
    m_file.reset();
    if (path.empty())
        return false;
    m_file = m_files.OpenAppend(path);
    return m_file != nullptr;
}

void CFileLog::Write(const std::wstring& text)
{
    if (!m_file)
        return;
    const std::vector<char> line = FormatLogLine(m_clock.Now(), text);
    m_file->Append(line.data(), static_cast<uint32_t>(line.size()));
}
