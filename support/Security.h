// Accounts and access rights for what the elevated programs make: the
// well-known accounts, who this process runs as, and rights that let only
// the administrators and the local system in.
#ifndef QV_SUPPORT_SECURITY_H
#define QV_SUPPORT_SECURITY_H

#include <windows.h>

#include "support/Handle.h"

enum class WellKnownAccount { Administrators, LocalSystem, Users };

// The SID of `account`; not valid when it cannot be built.
UniqueSid WellKnownSid(WellKnownAccount account);

// Whether `sid` is `account`'s.
bool IsAccount(PSID sid, WellKnownAccount account);

// Whether this process's token user is `sid` (false when it cannot be read).
bool ProcessUserIs(PSID sid);

// Whether this process runs as the local system account.
bool ProcessIsLocalSystemAccount();

// Whether this process's token is elevated (TokenElevation, Windows Vista
// and later). Windows 2000 and XP do not know the question and fail it:
// false there, where all of an administrator's programs have the same
// rights anyway. `known` (when given) says whether the system answered.
bool ProcessTokenIsElevated(bool* known = nullptr);

// A security descriptor for a new file or folder: owned by the
// administrators group; the administrators and the local system have full
// control, the users `usersAccess` (0: none), nobody else any access, and
// nothing is inherited from the folder it is made in. The owner is given,
// not left to the token: an administrator's token names the administrator's
// own account as the default owner on Windows 2000 and XP.
class AdminOnlySecurity {
public:
    explicit AdminOnlySecurity(DWORD usersAccess = 0);
    AdminOnlySecurity(const AdminOnlySecurity&) = delete;
    AdminOnlySecurity& operator=(const AdminOnlySecurity&) = delete;

    // Null when it could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return m_built ? &m_attributes : nullptr; }

private:
    UniqueSid m_administrators;
    UniqueSid m_system;
    UniqueSid m_users;
    alignas(DWORD) BYTE m_acl[256] = {};
    SECURITY_DESCRIPTOR m_descriptor = {};
    SECURITY_ATTRIBUTES m_attributes = {};
    bool m_built = false;
};

#endif
