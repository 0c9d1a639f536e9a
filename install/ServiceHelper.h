// Registering, starting, stopping and removing a Windows service, and the
// one fixed run of the printer helper service after an installation.
#ifndef QV_INSTALL_SERVICEHELPER_H
#define QV_INSTALL_SERVICEHELPER_H

#include <windows.h>

#include <string>

#include "install/HelperRun.h"
#include "support/Handle.h"

class CServiceHelper {
public:
    // Opens the local service manager with full access; without the rights
    // for that the handle stays null and every operation fails.
    CServiceHelper();
    virtual ~CServiceHelper();

    CServiceHelper(const CServiceHelper&) = delete;
    CServiceHelper& operator=(const CServiceHelper&) = delete;

    // The settings are borrowed: the caller keeps the texts alive for as
    // long as this object is used.
    void SetServiceName(const wchar_t* name);
    void SetDisplayName(const wchar_t* name);
    void SetBinaryPath(const wchar_t* path);
    // Nonzero: start with the system; zero: start on demand.
    void SetAutoStart(BOOL autoStart);

    // Creates the service (own process, no desktop, local system account).
    // A service of the same name that is already there (left by a run that
    // was ended, or someone else's) is stopped and deleted, and ours is
    // created afresh once the manager has let go of the old one (waited for,
    // a bounded time): nothing of the old one's settings, access rights or
    // failure actions is kept. False when a setting is missing or the
    // service cannot be created.
    bool Install();
    // Each opens the named service and starts, stops or deletes it; true
    // when both calls succeeded.
    bool Start();
    bool Stop();
    bool Remove();
    // Waits, a bounded time, until the service reports itself running;
    // false at once when it reports itself stopped instead.
    bool WaitUntilRunning();
    // Waits, a bounded time, until the service reports itself stopped.
    bool WaitUntilStopped();
    // Waits, a bounded time, until a deleted service is gone.
    bool WaitUntilRemoved();
    // The system's error code of the last call that returned false.
    DWORD LastError() const { return m_lastError; }

private:
    // Stops and deletes an existing service of the name; the system's error
    // code, ERROR_SUCCESS when it is deleted (or was already marked so).
    DWORD DeleteExisting();
    bool WaitUntil(DWORD state);
    bool Failed(DWORD error);

    UniqueService m_hSCManager;
    const wchar_t* m_pszServiceName;
    const wchar_t* m_pszDisplayName;
    const wchar_t* m_pszBinaryPath;
    BOOL m_bAutoStart;
    DWORD m_lastError = ERROR_SUCCESS;
};

// Installs the service `serviceName` (also its display name) for the program
// at `binaryPath`, starts it, waits, stops it, waits until it has stopped,
// removes it and waits until the manager has let go of it; every wait for a
// state is bounded. With FixedWaits the two waits after the start and the
// stop are a second each (then, after the stop, until it has stopped); with
// AsReported they last until the service reports itself running and
// stopped. When the service cannot be installed for this path nothing else
// is done; the other steps are attempted whatever the one before returned.
// The result names the first step that failed, with the system's error code.
HelperRunResult RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName,
                                     HelperPacing pacing);

#endif
