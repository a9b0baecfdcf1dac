#include "tasks/ClockCheck.h"

namespace download {

bool ClockLooksWrong(int64_t localNow, int64_t buildTime, bool hasServerDate, int64_t clockAhead)
{
    constexpr int64_t kDay = 86400;
    return localNow < buildTime || (hasServerDate && clockAhead > kDay);
}

}  // namespace download
