#pragma once
#include <cstdint>
#include <memory>
#include <string>

class IFileSystem;
class IOutputFile;

// The installer's file while it downloads, as one value: the file on disk,
// the bytes written to it, the length and validator of the answer those
// bytes came from, and the address (after redirects) that sent it.
class PartialDownload {
public:
    // How the bytes on disk stand against the announced length.
    enum class Fill { Short, Whole, Over };

    explicit PartialDownload(IFileSystem& files);
    ~PartialDownload();
    PartialDownload(const PartialDownload&) = delete;
    PartialDownload& operator=(const PartialDownload&) = delete;

    // Where the file goes; set before it is first made.
    void SetPath(std::wstring filePath) { path = std::move(filePath); }
    const std::wstring& Path() const { return path; }
    bool HasFile() const { return file != nullptr; }
    uint64_t Written() const { return written; }
    uint64_t Length() const { return length; }
    const std::wstring& Validator() const { return validator; }
    const std::wstring& Source() const { return source; }
    Fill Filled() const;

    // Whether the next request may ask only for the rest: bytes are on
    // disk and there is a validator to ask with, or the pinned size and
    // digest check the whole file whatever answer the rest comes from.
    bool CanContinue(bool pinnedWhole) const;

    // Begins the file again for an answer that sends it from byte 0:
    // creates it, or empties the one already open. False and the
    // platform's code when that fails.
    bool StartOver(uint64_t announced, const std::wstring& answerValidator, const std::wstring& from,
                   uint32_t& error);
    // The rest comes from an answer that continues the bytes on disk.
    void Continue(const std::wstring& from) { source = from; }
    // Adds bytes at the end; only the bytes that reached the file count.
    // False and the platform's code when fewer than size were written.
    bool Append(const uint8_t* data, uint32_t size, uint32_t& error);

    // Closes the file and leaves it under its name (to be checked and
    // renamed).
    void Close();
    // The closed file has been renamed: nothing is left to delete.
    void Moved() { onDisk = false; }
    // Closes the file if it is open, deletes the file this value made and
    // forgets its answer.
    void Discard();

private:
    IFileSystem& files;
    std::wstring path;
    std::unique_ptr<IOutputFile> file;
    bool onDisk = false;  // the file at path is this download's
    uint64_t written = 0;
    uint64_t length = 0;
    std::wstring validator;
    std::wstring source;
};
