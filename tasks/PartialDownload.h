#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IFileSystem;
class IOutputFile;

// The installer's file while it downloads, as one value: the file on disk,
// the bytes written to it, the length and validator of the answer those
// bytes came from, the address asked and the address (after redirects)
// that answered.
//
// A download given up (the launcher closed, or a failure for good) can be
// kept for a later run: the file stays, and beside it a small record
// (path + ".rec") of the addresses, the validator, the length, the bytes
// written and the pinned digest. The record is written only after the
// bytes it counts are on the disk, and replaces its predecessor in one
// rename; a later run takes the file up only when the record reads whole
// and the file holds exactly the bytes it counts.
class PartialDownload {
public:
    // How the bytes on disk stand against the announced length.
    enum class Fill { Short, Whole, Over };

    // The record's name is the file's with this added; while a new record
    // is written, it goes under the record's name with kDraftSuffix added.
    static constexpr wchar_t kRecordSuffix[] = L".rec";
    static constexpr wchar_t kDraftSuffix[] = L".new";

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
    const std::wstring& Origin() const { return origin; }
    std::wstring RecordPath() const { return path + kRecordSuffix; }
    Fill Filled() const;

    // Whether the next request may ask only for the rest: bytes are on
    // disk and there is a validator to ask with, or the pinned size and
    // digest check the whole file whatever answer the rest comes from.
    bool CanContinue(bool pinnedWhole) const;

    // Begins the file again for an answer that sends it from byte 0:
    // creates it, or empties the one already open. False and the
    // platform's code when that fails.
    // asked is the address requested, from where it came after redirects.
    bool StartOver(uint64_t announced, const std::wstring& answerValidator, const std::wstring& asked,
                   const std::wstring& from, uint32_t& error);
    // The rest comes from an answer that continues the bytes on disk.
    void Continue(const std::wstring& asked, const std::wstring& from)
    {
        origin = asked;
        source = from;
    }
    // Adds bytes at the end; only the bytes that reached the file count.
    // False and the platform's code when fewer than size were written.
    bool Append(const uint8_t* data, uint32_t size, uint32_t& error);

    // Closes the file and leaves it under its name (to be checked and
    // renamed).
    void Close();
    // The closed file has been renamed: nothing of it is left to delete,
    // and no record of it stays.
    void Moved();
    // Closes the file if it is open, deletes the file this value made and
    // any record of it, and forgets its answer.
    void Discard();

    // Closes the file and keeps it for a later run, with its record, when
    // it can be continued: bytes written, fewer than announced, and a
    // validator to ask for the rest with. False (nothing kept; the caller
    // discards it) otherwise or when the record cannot be written.
    bool Keep(const std::vector<uint8_t>& pinnedDigest, uint32_t& error);

    // Takes up the file an earlier run kept at path, open for appending,
    // when its record reads whole, names one of addresses and the same
    // pinned digest, has a validator that an answer's could be (no control
    // character: it goes into a request header), and the file holds
    // exactly the bytes it counts. Otherwise deletes the record and the file, and refusal
    // says why. The record is used up either way: a new one is written
    // only when this run keeps the file again.
    bool TakeKept(const std::vector<std::wstring>& addresses, const std::vector<uint8_t>& pinnedDigest,
                  std::wstring& refusal);

private:
    IFileSystem& files;
    std::wstring path;
    std::unique_ptr<IOutputFile> file;
    bool onDisk = false;  // the file at path is this download's
    uint64_t written = 0;
    uint64_t length = 0;
    std::wstring validator;
    std::wstring origin;
    std::wstring source;
};
