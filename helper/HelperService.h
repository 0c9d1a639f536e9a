// The helper as a Windows service, and its command-line switches for
// installing, starting, stopping and removing itself by hand.
#ifndef QV_HELPER_HELPERSERVICE_H
#define QV_HELPER_HELPERSERVICE_H

#include <windows.h>

#include "helper/HelperCore.h"
#include "support/Handle.h"

class CHelperLog;

class CHelperService {
public:
    CHelperService(const HelperPaths& paths, CHelperLog& log);
    ~CHelperService();

    CHelperService(const CHelperService&) = delete;
    CHelperService& operator=(const CHelperService&) = delete;

    // Carries out the command; returns the process exit code (0 = done,
    // 1 = a step failed and was logged).
    int Run(HelperCommand command);

private:
    int Install();
    int Start();
    int Stop();
    int Remove();
    int RunAsService();

    // Opens the manager and our service for the switches that act on an
    // existing service; logs and returns null handles on failure.
    bool OpenExisting(UniqueService& manager, UniqueService& service);

    // The dispatcher calls these without a context: they reach the one
    // object of the process through s_instance.
    static void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
    static void WINAPI ControlHandler(DWORD control);
    void OnServiceMain();
    void OnControl(DWORD control);
    // Reports `state` to the manager; logs a failure.
    void ReportState(DWORD state);

    static CHelperService* s_instance;

    HelperPaths m_paths;
    CHelperLog& m_log;
    CRITICAL_SECTION m_statusLock;  // the status is set from two threads
    SERVICE_STATUS m_status;
    SERVICE_STATUS_HANDLE m_hStatus;
    UniqueKernelHandle m_stopRequested;  // set by the handler, awaited by the service's thread
};

#endif
