// The random seam on BCryptGenRandom with the system's preferred generator
// (bcrypt.dll is delay-loaded, so it is loaded from the system folder
// first). Where that fails, the number is the largest one: the pause is
// then the whole scheduled one, as without spreading.
#include <windows.h>
#include <bcrypt.h>

#include "platform/Random.h"
#include "platform/win/SystemLibrary.h"

namespace {

class WinRandom : public IRandom {
public:
    uint32_t Next() override
    {
        DWORD error = 0;
        if (LoadSystemLibrary(L"bcrypt.dll", error) == nullptr)
            return 0xFFFFFFFFu;
        uint32_t value = 0;
        const NTSTATUS status = BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof(value),
                                                BCRYPT_USE_SYSTEM_PREFERRED_RNG);
        return status >= 0 ? value : 0xFFFFFFFFu;
    }
};

// One for the process, made before main (no guarded local static).
WinRandom g_random;

}  // namespace

IRandom& SystemRandom()
{
    return g_random;
}
