#pragma once
#include <cstdint>
#include <memory>
#include <string>

// A file opened for appending. Destroying it closes the file.
class IAppendFile {
public:
    virtual ~IAppendFile() = default;

    // Adds size bytes at the end of the file in one write, so that lines
    // written by two threads or two processes never interleave. False when
    // not all of them were written.
    virtual bool Append(const void* data, uint32_t size) = 0;
};

// The files of the program's log.
class ILogFiles {
public:
    virtual ~ILogFiles() = default;

    // The size of the file at path; false when there is none.
    virtual bool Size(const std::wstring& path, uint64_t& size) = 0;

    // Renames from to to, replacing a file of that name; false on failure.
    virtual bool Replace(const std::wstring& from, const std::wstring& to) = 0;

    // Opens the file for appending, creating it when it does not exist,
    // shared with other programs that read, append or rename it. Null on
    // failure.
    virtual std::unique_ptr<IAppendFile> OpenAppend(const std::wstring& path) = 0;
};
