#include "platform/win/PrivateSecurity.h"

#include <aclapi.h>

namespace {

// The code of the call that just failed, never 0.
DWORD LastError()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_INVALID_SECURITY_DESCR;
}

}  // namespace

PrivateSecurity::PrivateSecurity()
{
    if (!m_user.Known()) {
        m_error = ERROR_NO_TOKEN;
        return;
    }
    DWORD systemSize = sizeof m_system;
    DWORD administratorsSize = sizeof m_administrators;
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, m_system, &systemSize) ||
        !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, m_administrators, &administratorsSize)) {
        m_error = LastError();
        return;
    }
    EXPLICIT_ACCESSW entries[3] = {};
    const PSID principals[3] = {m_user.Sid(), m_system, m_administrators};
    for (int i = 0; i < 3; ++i) {
        entries[i].grfAccessPermissions = FILE_ALL_ACCESS;
        entries[i].grfAccessMode = SET_ACCESS;
        entries[i].grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
        entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entries[i].Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
        entries[i].Trustee.ptstrName = static_cast<LPWSTR>(principals[i]);
    }
    PACL acl = nullptr;
    m_error = SetEntriesInAclW(3, entries, nullptr, &acl);
    if (m_error != ERROR_SUCCESS)
        return;
    m_acl.Reset(acl);
    // The user is named as the owner: an administrator's elevated token
    // would otherwise make the Administrators the owner.
    if (!InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&m_descriptor, m_user.Sid(), FALSE) ||
        !SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        m_error = LastError();
        return;
    }
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = &m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}
