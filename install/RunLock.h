// One run of the installer at a time, machine-wide: two copies started
// together (a double click, a deployment tool while someone is at the
// machine) must never both change the machine. Every mode that changes it
// holds the lock from before its first change to its end.
//
// The lock is a file in the Windows folder, opened without sharing and
// deleted when it is closed: only administrators and the system can create
// files there (on Windows 2000 and XP also their Power Users), so no other
// user can take the lock first and shut every run out, as any user could
// with a named object; and a run that is killed lets go of it, because the
// system closes its handles. It holds across sessions, where every run of a
// deployment tool's service, of the wizard and of a remote desktop sees the
// same file.
#ifndef QV_INSTALL_RUNLOCK_H
#define QV_INSTALL_RUNLOCK_H

#include <windows.h>

#include <string>

#include "support/Handle.h"

enum class LockOutcome {
    Held,              // this run holds the lock
    HeldByAnotherRun,  // another run of the installer holds it
    Unavailable,       // it cannot be taken: see Error() (access denied: not an administrator)
};

class RunLock {
public:
    RunLock() = default;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock for this run; call it before the first change to the
    // machine and keep the object until the run ends. Held again when this
    // object holds it already.
    LockOutcome Acquire();
    bool Held() const { return m_file.IsValid(); }
    // The system's error of the last Acquire that did not get the lock.
    DWORD Error() const { return m_error; }

private:
    UniqueFile m_file;
    DWORD m_error = ERROR_SUCCESS;
};

// <Windows folder>\QuorvexSetup.lock; empty when the system cannot say.
std::wstring RunLockPath();

#endif
