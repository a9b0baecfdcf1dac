#pragma once
// The Windows side of the log's seams: local time (GetLocalTime), the log
// file (CreateFileW with FILE_APPEND_DATA, MoveFileExW) and the system's
// version (RtlGetVersion).
#include "platform/LocalClock.h"
#include "platform/LogFiles.h"
#include "platform/SystemInfo.h"

class WinLocalClock : public ILocalClock {
public:
    LocalTime Now() override;
};

class WinLogFiles : public ILogFiles {
public:
    bool Size(const std::wstring& path, uint64_t& size) override;
    bool Replace(const std::wstring& from, const std::wstring& to) override;
    std::unique_ptr<IAppendFile> OpenAppend(const std::wstring& path) override;
};

class WinSystemInfo : public ISystemInfo {
public:
    std::wstring WindowsVersion() override;
};
