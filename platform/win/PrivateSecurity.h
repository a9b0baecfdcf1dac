#pragma once
// The permissions of the launcher's own folders in TMP: the user this
// process runs as (their owner), SYSTEM and the Administrators, each with
// full control that files and folders made inside inherit; protected, so
// that nothing of the folder above reaches them (a shared TMP lets every
// user add files to whatever inherits from it).
#include <windows.h>

#include "platform/win/ProcessUser.h"
#include "platform/win/ScopedHandles.h"

class PrivateSecurity {
public:
    PrivateSecurity();
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;

    // False, with the platform's code, when the permissions could not be
    // put together (the process's user unknown).
    bool Valid() const { return m_error == ERROR_SUCCESS; }
    DWORD Error() const { return m_error; }

    // For creating a folder with them (CreateDirectoryW).
    SECURITY_ATTRIBUTES* Attributes() { return &m_attributes; }
    // The access list alone, for an existing folder.
    PACL Acl() const { return static_cast<PACL>(m_acl.Get()); }

private:
    ProcessUser m_user;
    BYTE m_system[SECURITY_MAX_SID_SIZE] = {};
    BYTE m_administrators[SECURITY_MAX_SID_SIZE] = {};
    ScopedLocalMemory m_acl;
    SECURITY_DESCRIPTOR m_descriptor = {};
    SECURITY_ATTRIBUTES m_attributes = {};
    DWORD m_error = ERROR_SUCCESS;
};
