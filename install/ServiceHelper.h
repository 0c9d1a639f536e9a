// Registering, starting, stopping and removing a Windows service, and the
// one fixed run of the printer helper service after an installation.
#ifndef QV_INSTALL_SERVICEHELPER_H
#define QV_INSTALL_SERVICEHELPER_H

#include <windows.h>

#include <string>

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

    // Creates the service (own process, interactive, local system account).
    // False when a setting is missing or the service cannot be created, for
    // example because one of the same name exists.
    bool Install();
    // Each opens the named service and starts, stops or deletes it; true
    // when both calls succeeded.
    bool Start();
    bool Stop();
    bool Remove();

private:
    SC_HANDLE m_hSCManager;
    const wchar_t* m_pszServiceName;
    const wchar_t* m_pszDisplayName;
    const wchar_t* m_pszBinaryPath;
    BOOL m_bAutoStart;
};

// Installs the service `serviceName` (also its display name) for the program
// at `binaryPath` with automatic start, starts it, waits a second, stops it,
// waits a second and removes it. Every step is attempted whatever the one
// before returned; nothing is reported.
void RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName);

#endif
