// Feeds arbitrary bytes to the record a kept download leaves beside its
// file, as the next run reads it back from disk. The first byte says
// whether the installer's digest is pinned, the next eight (little endian)
// the size of the partial file on disk, the rest is the record.
//
// A record taken up must give a download that could have come from an
// answer: bytes on disk, fewer than the length, a length an answer may
// announce, one of the configured addresses, a validator that passes the
// check an answer's does and so cannot add a header to the next request,
// an address for the log without control characters. Kept again, it reads
// back the same. A record refused leaves neither itself nor the file, and
// no file open.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/AsciiText.h"
#include "tasks/LengthAndRange.h"
#include "tasks/PartialDownload.h"
#include "tasks/WebAddress.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

const std::wstring kPath = L"C:\\tmp\\quillmerex-0000000100000001\\yrfoinstall.tmp";
const std::vector<std::wstring> kAddresses = {L"http://127.0.0.1/package/setup.exe",
                                              L"https://cdn.example/setup.exe"};

std::vector<uint8_t> Digest()
{
    std::vector<uint8_t> digest;
    for (uint8_t i = 0; i < 32; ++i)
        digest.push_back(i);
    return digest;
}

size_t Count(const std::wstring& text, const std::wstring& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// What a taken record gave, to compare with its copy kept again.
struct Taken {
    uint64_t written, length;
    std::wstring validator, origin, source;
    bool operator==(const Taken& o) const
    {
        return written == o.written && length == o.length && validator == o.validator && origin == o.origin &&
               source == o.source;
    }
};

Taken Of(const PartialDownload& partial)
{
    return {partial.Written(), partial.Length(), partial.Validator(), partial.Origin(), partial.Source()};
}

void CheckTaken(const PartialDownload& partial, uint64_t onDisk)
{
    REQUIRE(partial.HasFile());
    REQUIRE(partial.Written() > 0 && partial.Written() == onDisk);
    REQUIRE(partial.Written() < partial.Length() && partial.Length() <= download::kMaxContentLength);
    REQUIRE(partial.Filled() == PartialDownload::Fill::Short);
    bool known = false;
    for (const std::wstring& address : kAddresses)
        known = known || partial.Origin() == address;
    REQUIRE(known);
    // The validator goes back into If-Range: the same check as an
    // answer's ETag or Last-Modified, and the request gets exactly its
    // two lines.
    const std::wstring& validator = partial.Validator();
    REQUIRE(!validator.empty() && download::RangeValidator(validator, validator) == validator);
    const std::wstring headers = download::ResumeHeaders(partial.Written(), validator);
    REQUIRE(Count(headers, L"\r\n") == 2 && Count(headers, L"\r") == 2 && Count(headers, L"\n") == 2);
    // The address the answer came from is only ever logged.
    REQUIRE(!HasControlCharacter(partial.Source()));
    REQUIRE(!HasControlCharacter(download::LoggedAddress(partial.Source())));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 9)
        return 0;
    const std::vector<uint8_t> digest = (data[0] & 1) != 0 ? Digest() : std::vector<uint8_t>();
    uint64_t onDisk = 0;
    for (int i = 8; i >= 1; --i)
        onDisk = (onDisk << 8) | data[i];

    FakeFileSystem files;
    files.PutSizedFile(kPath, onDisk);
    PartialDownload partial(files);
    partial.SetPath(kPath);
    files.PutFile(partial.RecordPath(), std::vector<uint8_t>(data + 9, data + size));

    std::wstring refusal;
    const bool taken = partial.TakeKept(kAddresses, digest, refusal);
    // The record is used up either way.
    REQUIRE(!files.Exists(partial.RecordPath()));
    if (!taken) {
        REQUIRE(!refusal.empty() && !partial.HasFile());
        REQUIRE(!files.Exists(kPath) && files.OpenFiles() == 0);
        return 0;
    }
    REQUIRE(refusal.empty());
    CheckTaken(partial, onDisk);
    REQUIRE(files.OpenFiles() == 1);

    // Kept again and read back by the next run: the same download.
    uint32_t error = 0;
    REQUIRE(partial.Keep(digest, error));
    REQUIRE(files.OpenFiles() == 0 && files.Exists(partial.RecordPath()));
    PartialDownload next(files);
    next.SetPath(kPath);
    REQUIRE(next.TakeKept(kAddresses, digest, refusal));
    REQUIRE(Of(next) == Of(partial));
    next.Discard();
    REQUIRE(files.Paths().empty() && files.OpenFiles() == 0);
    return 0;
}
