#pragma once
// Whether a refused certificate date is this computer's clock rather than
// the certificate.
#include <cstdint>

namespace download {

// Whether a certificate-date failure is this computer's clock rather than
// the certificate: the clock (localNow, seconds since 1970) is before the
// launcher's own build time, or it was more than a day ahead of a server's
// Date header when one was read (clockAhead: local minus server, seconds).
bool ClockLooksWrong(int64_t localNow, int64_t buildTime, bool hasServerDate, int64_t clockAhead);

}  // namespace download
