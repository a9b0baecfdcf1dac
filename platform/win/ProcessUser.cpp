#include "platform/win/ProcessUser.h"

#include "platform/win/ScopedHandles.h"

ProcessUser::ProcessUser()
{
    ScopedKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()))
        return;
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER))
        return;
    std::vector<uint8_t> buffer(size);
    if (GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        m_tokenUser.swap(buffer);
}

PSID ProcessUser::Sid() const
{
    return Known() ? reinterpret_cast<const TOKEN_USER*>(m_tokenUser.data())->User.Sid : nullptr;
}

bool ProcessUser::Is(PSID sid) const
{
    return Known() && sid != nullptr && IsValidSid(sid) && EqualSid(Sid(), sid);
}

bool ProcessUser::IsLocalSystem() const
{
    return Known() && IsWellKnownSid(Sid(), WinLocalSystemSid);
}
