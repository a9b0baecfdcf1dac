#pragma once
// What an answer says about the body's length and range, and the headers
// that ask to continue a file: Content-Length, Content-Range, the validator
// of If-Range. Pure functions of their arguments.
#include <cstdint>
#include <string>
#include <vector>

namespace download {

// The longest length an answer may announce: 2^63 - 1 bytes.
constexpr uint64_t kMaxContentLength = 0x7FFFFFFFFFFFFFFFull;

// What an answer's Content-Length headers say.
enum class LengthReading {
    Valid,        // one length, however many times it was given
    Missing,      // no Content-Length at all
    NotANumber,   // a value that is not digits only, or above kMaxContentLength
    Conflicting,  // numbers that differ: the answer is invalid
};

// Reads every Content-Length value of an answer (each may be a comma
// list): decimal digits only, leading zeros allowed, blanks and tabs around
// a value ignored, no sign, at most kMaxContentLength. Repeats of one
// number count once; numbers that differ make the answer invalid. A value
// that is no number makes the length unknown, whatever the others say.
LengthReading ReadContentLength(const std::vector<std::wstring>& values, uint64_t& length);

// "bytes first-last/total" of a Content-Range header. False for anything
// else ("bytes */total", a missing part, garbage, last < first).
bool ParseContentRange(const std::wstring& value, uint64_t& first, uint64_t& last, uint64_t& total);

// Whether a 206 answer to "Range: bytes=from-" continues the file: its
// Content-Range starts at from, ends inside the file, and the file's total
// is the length the first answer announced.
bool RangeContinuesFile(const std::wstring& contentRange, uint64_t from, uint64_t announcedLength);

// The validator a ranged request's If-Range carries: a strong ETag, else
// Last-Modified; empty when the first answer had neither (a weak ETag
// cannot validate a range).
std::wstring RangeValidator(const std::wstring& etag, const std::wstring& lastModified);

// Whether a validator kept from an earlier answer (the resume record's) is
// one that RangeValidator could have given: not empty, no blank around it
// and no control character.
bool IsRangeValidator(const std::wstring& validator);

// The extra request headers of a resumed request, CRLF-terminated; without
// If-Range when validator is empty.
std::wstring ResumeHeaders(uint64_t from, const std::wstring& validator);

}  // namespace download
