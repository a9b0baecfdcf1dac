#pragma once
#include <cstdint>

// A file opened for writing. Destroying it closes the file.
class IOutputFile {
public:
    virtual ~IOutputFile() = default;

    // Writes size bytes. False, or a written count other than size, is a
    // failed write; error then holds the platform's code.
    virtual bool Write(const void* data, uint32_t size, uint32_t& written, uint32_t& error) = 0;

    // Empties the file; the next write goes to its start. False and the
    // platform's code on failure.
    virtual bool Restart(uint32_t& error) = 0;

    // Puts what was written on the disk itself (FlushFileBuffers), so that
    // it outlasts a power cut. False and the platform's code on failure.
    virtual bool Flush(uint32_t& error) = 0;
};
