#include "tasks/PartialDownload.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/HexText.h"
#include "tasks/LengthAndRange.h"

namespace {

constexpr wchar_t kRecordHeading[] = L"quillmerex partial download 1";
// A record is a few lines; anything longer is not one.
constexpr uint32_t kMaxRecordBytes = 16384;

std::wstring Hex(const std::vector<uint8_t>& bytes)
{
    std::wstring text;
    for (uint8_t byte : bytes)
        text += HexText(byte, 2, HexCase::Lower);
    return text;
}

// Decimal digits only, no sign, at most 2^63 - 1.
bool ParseCount(const std::wstring& text, uint64_t& value)
{
    return ParseNumber(text, value, NumberForm{10, 0x7FFFFFFFFFFFFFFFull, 19});
}

// The record's text as UTF-16LE bytes, and back.
std::vector<uint8_t> Utf16Bytes(const std::wstring& text)
{
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        const uint32_t unit = static_cast<uint32_t>(c) & 0xFFFF;
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

std::wstring Utf16Text(const std::vector<uint8_t>& bytes)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
}

struct Record {
    std::wstring origin;
    std::wstring source;
    std::wstring validator;
    uint64_t length = 0;
    uint64_t written = 0;
    std::wstring sha256;
};

const wchar_t* const kKeys[] = {L"address=", L"source=", L"validator=", L"length=", L"written=", L"sha256="};
constexpr size_t kFields = sizeof kKeys / sizeof kKeys[0];

std::wstring RecordText(const Record& r)
{
    return std::wstring(kRecordHeading) + L"\n" + kKeys[0] + r.origin + L"\n" + kKeys[1] + r.source + L"\n" +
           kKeys[2] + r.validator + L"\n" + kKeys[3] + DecimalText(r.length) + L"\n" + kKeys[4] +
           DecimalText(r.written) + L"\n" + kKeys[5] + r.sha256 + L"\n";
}

// The heading, then each key once in its order, each line ended; nothing
// after. A value never holds a line break (addresses with control
// characters are refused before they are requested).
bool ParseRecord(const std::wstring& text, Record& r)
{
    std::wstring* const strings[] = {&r.origin, &r.source, &r.validator, nullptr, nullptr, &r.sha256};
    uint64_t* const counts[] = {nullptr, nullptr, nullptr, &r.length, &r.written, nullptr};
    size_t at = text.find(L'\n');
    if (at == std::wstring::npos || text.compare(0, at, kRecordHeading) != 0)
        return false;
    for (size_t i = 0; i < kFields; ++i) {
        const size_t start = at + 1;
        const size_t keyLength = std::char_traits<wchar_t>::length(kKeys[i]);
        at = text.find(L'\n', start);
        if (at == std::wstring::npos || text.compare(start, keyLength, kKeys[i]) != 0)
            return false;
        const std::wstring value = text.substr(start + keyLength, at - start - keyLength);
        if (strings[i] != nullptr)
            *strings[i] = value;
        else if (!ParseCount(value, *counts[i]))
            return false;
    }
    return at + 1 == text.size();
}

}  // namespace

void PartialDownload::Moved()
{
    onDisk = false;
    files.Delete(RecordPath());
}

bool PartialDownload::Keep(const std::vector<uint8_t>& pinnedDigest, uint32_t& error)
{
    if (!file || written == 0 || validator.empty() || Filled() != Fill::Short)
        return false;
    // The bytes the record counts reach the disk before the record does,
    // so that even a power cut cannot leave a record that counts more
    // than the file holds.
    if (!file->Flush(error))
        return false;
    file.reset();

    Record record;
    record.origin = origin;
    record.source = source;
    record.validator = validator;
    record.length = length;
    record.written = written;
    record.sha256 = Hex(pinnedDigest);
    const std::vector<uint8_t> bytes = Utf16Bytes(RecordText(record));
    // Written beside the record's place and renamed over it: a reader
    // finds the old record or the new one, never half of one.
    const std::wstring temp = RecordPath() + kDraftSuffix;
    std::unique_ptr<IOutputFile> out = files.CreateAlways(temp, error);
    if (!out)
        return false;
    uint32_t count = 0;
    const bool ok = out->Write(bytes.data(), static_cast<uint32_t>(bytes.size()), count, error) &&
                    count == bytes.size() && out->Flush(error);
    out.reset();
    if (!ok || !files.Move(temp, RecordPath(), error)) {
        files.Delete(temp);
        return false;
    }
    return true;
}

bool PartialDownload::TakeKept(const std::vector<std::wstring>& addresses, const std::vector<uint8_t>& pinnedDigest,
                               std::wstring& refusal)
{
    std::vector<uint8_t> bytes;
    Record record;
    FoundFile found;
    const bool hasRecord = files.ReadStart(RecordPath(), kMaxRecordBytes, bytes);
    files.Delete(RecordPath());
    if (!hasRecord) {
        refusal = L"no record";
    } else if (bytes.size() >= kMaxRecordBytes || !ParseRecord(Utf16Text(bytes), record) ||
               record.written == 0 || record.written >= record.length) {
        refusal = L"record unreadable";
    } else if (std::find(addresses.begin(), addresses.end(), record.origin) == addresses.end()) {
        refusal = L"address changed";
    } else if (record.sha256 != Hex(pinnedDigest)) {
        refusal = L"pinned digest changed";
    } else if (record.validator.empty()) {
        refusal = L"no validator";
    } else if (!download::IsRangeValidator(record.validator) || HasControlCharacter(record.source)) {
        // The validator goes back into If-Range and the address into the
        // log: both pass the checks an answer's do.
        refusal = L"validator or address unusable";
    } else if (!files.Find(path, found) || found.size < record.written) {
        refusal = L"file shorter than its record";
    } else if (found.size > record.written) {
        refusal = L"file longer than its record";
    } else {
        // Held from here on: no other program may write it while this run
        // continues it. Its size is checked again on the open file.
        uint32_t error = 0;
        uint64_t size = 0;
        file = files.OpenToAppend(path, size, error);
        if (file && size == record.written) {
            onDisk = true;
            written = record.written;
            length = record.length;
            validator = record.validator;
            origin = record.origin;
            source = record.source;
            return true;
        }
        file.reset();
        refusal = L"file cannot be opened, code " + DecimalText(error);
    }
    files.Delete(path);
    return false;
}

PartialDownload::PartialDownload(IFileSystem& fileSystem) : files(fileSystem) {}

PartialDownload::~PartialDownload() = default;

PartialDownload::Fill PartialDownload::Filled() const
{
    if (written < length)
        return Fill::Short;
    return written == length ? Fill::Whole : Fill::Over;
}

bool PartialDownload::CanContinue(bool pinnedWhole) const
{
    return file && written > 0 && (pinnedWhole || !validator.empty());
}

bool PartialDownload::StartOver(uint64_t announced, const std::wstring& answerValidator, const std::wstring& asked,
                                const std::wstring& from, uint32_t& error)
{
    length = announced;
    validator = answerValidator;
    origin = asked;
    source = from;
    written = 0;
    if (file)
        return file->Restart(error);
    file = files.CreateAlways(path, error);
    onDisk = file != nullptr;
    return onDisk;
}

bool PartialDownload::Append(const uint8_t* data, uint32_t size, uint32_t& error)
{
    uint32_t count = 0;
    const bool ok = file->Write(data, size, count, error);
    written += count;
    return ok && count == size;
}

void PartialDownload::Close()
{
    file.reset();
}

void PartialDownload::Discard()
{
    file.reset();
    if (onDisk)
        files.Delete(path);
    onDisk = false;
    if (!path.empty())
        files.Delete(RecordPath());
    written = 0;
    length = 0;
    validator.clear();
    origin.clear();
    source.clear();
}
