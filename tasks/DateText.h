#pragma once
// Dates as texts, read and written: the manifest's expiry
// ("2027-01-31T00:00:00Z"), an HTTP Date header, and the log's UTC time.
// Seconds since 1970-01-01T00:00:00Z throughout.
#include <cstdint>
#include <string>

// "YYYY-MM-DDTHH:MM:SSZ" as seconds since 1970; false for anything else or
// a date that does not exist.
bool ParseUtcTime(const std::string& text, int64_t& seconds);

// An HTTP Date header ("Sun, 06 Nov 1994 08:49:37 GMT") as seconds since
// 1970; false for anything else.
bool ParseHttpDate(const std::wstring& text, int64_t& seconds);

namespace download {

// Seconds since 1970 as "YYYY-MM-DD HH:MM:SS UTC", for the log.
std::wstring UtcText(int64_t seconds);

}  // namespace download
