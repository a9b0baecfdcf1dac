// The random seam on std::random_device, for the portable build.
#include <mutex>
#include <random>

#include "platform/Random.h"

namespace {

class NativeRandom : public IRandom {
public:
    uint32_t Next() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return static_cast<uint32_t>(m_device());
    }

private:
    std::mutex m_mutex;
    std::random_device m_device;
};

}  // namespace

IRandom& SystemRandom()
{
    static NativeRandom random;
    return random;
}
