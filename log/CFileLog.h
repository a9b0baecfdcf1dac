#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Log.h"
#include "resources/ProductNames.h"

class ILocalClock;
class ILogFiles;
class IAppendFile;

// The log file <product name>.log (quillmerex.log unless the publisher named
// the product) in a folder (the launcher's TMP folder), kept across runs:
// each run appends. At opening, a file above 1 MB is renamed to
// <product name>.1.log (replacing the one before) and a new one is begun.
//
// Lines go out in one append each, without a lock: Open runs before any
// worker exists and nothing changes afterwards. A log that cannot be opened
// or written drops its lines; the caller never learns of it.
class CFileLog : public ILog {
public:
    static constexpr uint64_t kRotateAbove = 1024 * 1024;
    static constexpr wchar_t kFileName[] = PRODUCT_NAME L".log";
    static constexpr wchar_t kOldFileName[] = PRODUCT_NAME L".1.log";

    CFileLog(ILocalClock& clock, ILogFiles& files);
    ~CFileLog() override;
    CFileLog(const CFileLog&) = delete;
    CFileLog& operator=(const CFileLog&) = delete;

    // Opens the log in folder (no trailing backslash). False when it could
    // not be opened; Write then does nothing. An empty folder opens nothing,
    // so that the log never lands in the root of a drive.
    bool Open(const std::wstring& folder);

    // Opens the log in the file at path, as a deployment asks: appended
    // to, never rotated (the file is the deployment's). False when it
    // could not be opened; Write then does nothing.
    bool OpenFile(const std::wstring& path);

    void Write(const std::wstring& text) override;

private:
    ILocalClock& m_clock;
    ILogFiles& m_files;
    std::unique_ptr<IAppendFile> m_file;
};
