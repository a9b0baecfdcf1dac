#pragma once
// The account this process runs as: the user of its access token, read
// once when the object is made.
#include <windows.h>

#include <cstdint>
#include <vector>

class ProcessUser {
public:
    ProcessUser();

    // False when the token could not be read; then no account is this one.
    bool Known() const { return !m_tokenUser.empty(); }
    // The user's SID; null when not known.
    PSID Sid() const;
    // Whether sid is this user's.
    bool Is(PSID sid) const;
    // Whether this process runs as SYSTEM (LocalSystem).
    bool IsLocalSystem() const;

private:
    std::vector<uint8_t> m_tokenUser;  // TOKEN_USER and the SID after it
};
