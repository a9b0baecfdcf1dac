#pragma once
#include "platform/OutputFile.h"
#include "platform/win/ScopedHandles.h"

// A file handle open for writing.
class WinOutputFile : public IOutputFile {
public:
    explicit WinOutputFile(HANDLE file) : m_file(file) {}

    bool Write(const void* data, uint32_t size, uint32_t& written, uint32_t& error) override
    {
        DWORD count = 0;
        const BOOL ok = WriteFile(m_file.Get(), data, size, &count, nullptr);
        written = count;
        if (!ok || count != size) {
            error = GetLastError();
            return false;
        }
        return true;
    }

    bool Restart(uint32_t& error) override
    {
        LARGE_INTEGER start = {};
        if (!SetFilePointerEx(m_file.Get(), start, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file.Get())) {
            error = GetLastError();
            return false;
        }
        return true;
    }

    bool Flush(uint32_t& error) override
    {
        if (!FlushFileBuffers(m_file.Get())) {
            error = GetLastError();
            return false;
        }
        return true;
    }

private:
    ScopedFileHandle m_file;
};
