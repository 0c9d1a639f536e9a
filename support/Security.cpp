#include "support/Security.h"

#include <vector>

UniqueSid WellKnownSid(WellKnownAccount account)
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    BOOL made = FALSE;
    switch (account) {
    case WellKnownAccount::Administrators:
        made = AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                        0, &sid);
        break;
    case WellKnownAccount::LocalSystem:
        made = AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &sid);
        break;
    case WellKnownAccount::Users:
        made = AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                        &sid);
        break;
    }
    return UniqueSid(made ? sid : nullptr);
}

bool IsAccount(PSID sid, WellKnownAccount account)
{
    const UniqueSid known = WellKnownSid(account);
    return sid && known.IsValid() && EqualSid(known.Get(), sid) != FALSE;
}

bool ProcessUserIs(PSID sid)
{
    UniqueKernelHandle token;
    if (!sid || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
        token.Release();  // a failed call leaves no handle
        return false;
    }
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return false;
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                             &size))
        return false;
    return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, sid) != FALSE;
}

bool ProcessIsLocalSystemAccount()
{
    const UniqueSid system = WellKnownSid(WellKnownAccount::LocalSystem);
    return system.IsValid() && ProcessUserIs(system.Get());
}

bool ProcessTokenIsElevated(bool* known)
{
    if (known)
        *known = false;
    // The information class of Vista and later, which the headers for
    // Windows 2000 do not name.
    const int kTokenElevation = 20;
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
        token.Release();  // a failed call leaves no handle
        return false;
    }
    DWORD elevated = 0, size = 0;
    if (!GetTokenInformation(token.Get(), static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevation), &elevated,
                             sizeof(elevated), &size))
        return false;
    if (known)
        *known = true;
    return elevated != 0;
}

AdminOnlySecurity::AdminOnlySecurity(DWORD usersAccess)
    : m_administrators(WellKnownSid(WellKnownAccount::Administrators)),
      m_system(WellKnownSid(WellKnownAccount::LocalSystem)),
      m_users(WellKnownSid(WellKnownAccount::Users))
{
    ACL* acl = reinterpret_cast<ACL*>(m_acl);
    // A protected list keeps the folder's inheritable entries (such as
    // "users may create files" of a temporary folder) out.
    m_built = m_administrators.IsValid() && m_system.IsValid() && m_users.IsValid() &&
              InitializeAcl(acl, sizeof(m_acl), ACL_REVISION) &&
              AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, m_administrators.Get()) &&
              AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, m_system.Get()) &&
              (usersAccess == 0 || AddAccessAllowedAce(acl, ACL_REVISION, usersAccess, m_users.Get())) &&
              InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorOwner(&m_descriptor, m_administrators.Get(), FALSE) &&
              SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE) &&
              SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = &m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}
