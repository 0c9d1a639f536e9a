// The helper as a Windows service.
#include "helper/HelperService.h"

#include <string>

#include "helper/DeviceRecordUpdate.h"
#include "helper/HelperLog.h"

namespace {

// Own process, as the installer registers it: no desktop, which a process
// of the system account must not share with the user's programs.
const DWORD kInstallServiceType = SERVICE_WIN32_OWN_PROCESS;
// The type the status reports carry.
const DWORD kStatusServiceType = SERVICE_WIN32;
const DWORD kAcceptedControls =
    SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN;

int LastError()
{
    return static_cast<int>(GetLastError());
}

}  // namespace

CHelperService* CHelperService::s_instance = nullptr;

CHelperService::CHelperService(const HelperPaths& paths, CHelperLog& log)
    : m_paths(paths), m_log(log), m_status(), m_hStatus(nullptr),
      m_stopRequested(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    InitializeCriticalSection(&m_statusLock);
    m_status.dwServiceType = kStatusServiceType;
    m_status.dwCurrentState = SERVICE_START_PENDING;
    m_status.dwControlsAccepted = kAcceptedControls;
    s_instance = this;
}

CHelperService::~CHelperService()
{
    s_instance = nullptr;
    DeleteCriticalSection(&m_statusLock);
}

int CHelperService::Run(HelperCommand command)
{
    switch (command) {
    case HelperCommand::Install:
        return Install();
    case HelperCommand::Start:
        return Start();
    case HelperCommand::Stop:
        return Stop();
    case HelperCommand::Remove:
        return Remove();
    case HelperCommand::RunAsService:
        break;
    }
    return RunAsService();
}

int CHelperService::Install()
{
    UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (manager.Get() == nullptr) {
        m_log.Write(FormatLogMessage("OpenSCManager failed, error code = %d\n", LastError()));
        return 1;
    }
    if (m_paths.installPath.empty()) {
        // Our own path could not be found: there is nothing to register.
        m_log.Write(FormatLogMessage("Failed to create service %s, error code = %d\n",
                                     kServiceName,
                                     static_cast<int>(ERROR_INVALID_PARAMETER)));
        return 1;
    }
    // Quoted, so that a path with spaces cannot be read as a shorter program
    // path ("C:\Program.exe") when the service starts.
    const std::string binaryPath = "\"" + m_paths.installPath + "\"";
    UniqueService service(CreateServiceA(manager.Get(), kServiceName, kServiceName,
                                     SERVICE_ALL_ACCESS, kInstallServiceType, SERVICE_AUTO_START,
                                     SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr));
    if (service.Get() == nullptr) {
        m_log.Write(FormatLogMessage("Failed to create service %s, error code = %d\n",
                                     kServiceName, LastError()));
        return 1;
    }
    m_log.Write(FormatLogMessage("Service %s installed\n", kServiceName));
    return 0;
}

bool CHelperService::OpenExisting(UniqueService& manager, UniqueService& service)
{
    manager.Reset(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    service.Reset();
    if (!manager) {
        m_log.Write(FormatLogMessage("OpenSCManager failed, error code = %d\n", LastError()));
        return false;
    }
    service.Reset(OpenServiceA(manager.Get(), kServiceName, SERVICE_ALL_ACCESS));
    if (!service) {
        m_log.Write(FormatLogMessage("OpenService failed, error code = %d\n", LastError()));
        manager.Reset();
        return false;
    }
    return true;
}

int CHelperService::Start()
{
    UniqueService manager, service;
    if (!OpenExisting(manager, service))
        return 1;
    if (!StartServiceA(service.Get(), 0, nullptr)) {
        m_log.Write(FormatLogMessage("StartService failed, error code = %d\n", LastError()));
        return 1;
    }
    return 0;
}

int CHelperService::Stop()
{
    UniqueService manager, service;
    if (!OpenExisting(manager, service))
        return 1;
    SERVICE_STATUS status = {};
    if (!ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        m_log.Write(FormatLogMessage("ControlService failed, error code = %d\n", LastError()));
        return 1;
    }
    return 0;
}

int CHelperService::Remove()
{
    UniqueService manager, service;
    if (!OpenExisting(manager, service))
        return 1;
    if (!DeleteService(service.Get())) {
        m_log.Write(FormatLogMessage("Failed to delete service %s\n", kServiceName));
        return 1;
    }
    m_log.Write(FormatLogMessage("Service %s removed\n", kServiceName));
    return 0;
}

int CHelperService::RunAsService()
{
    // The table wants writable names.
    std::string name(kServiceName);
    SERVICE_TABLE_ENTRYA table[] = {
        {&name[0], &CHelperService::ServiceMain},
        {nullptr, nullptr},
    };
    if (!StartServiceCtrlDispatcherA(table)) {
        m_log.Write(
            FormatLogMessage("StartServiceCtrlDispatcher failed, error code = %d\n", LastError()));
        return 1;
    }
    return 0;
}

void WINAPI CHelperService::ServiceMain(DWORD, LPSTR*)
{
    if (s_instance != nullptr)
        s_instance->OnServiceMain();
}

void WINAPI CHelperService::ControlHandler(DWORD control)
{
    if (s_instance != nullptr)
        s_instance->OnControl(control);
}

void CHelperService::OnServiceMain()
{
    m_hStatus = RegisterServiceCtrlHandlerA(kServiceName, &CHelperService::ControlHandler);
    if (m_hStatus == nullptr) {
        m_log.Write(FormatLogMessage("RegisterServiceCtrlHandler failed, error code = %d\n",
                                     LastError()));
        return;
    }
    ReportState(SERVICE_RUNNING);
    // Nothing to do until we are told to stop. The work is done here, on the
    // service's own thread, and not in the handler: the handler answers the
    // stop at once, so the manager has its answer before the last status
    // report lets the process end.
    if (!m_stopRequested)
        return;  // the handler does the work (see OnControl)
    WaitForSingleObject(m_stopRequested.Get(), INFINITE);
    ApplyDeviceRecords(m_log);
    ReportState(SERVICE_STOPPED);
}

void CHelperService::OnControl(DWORD control)
{
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        ReportState(SERVICE_STOP_PENDING);
        if (m_stopRequested) {
            SetEvent(m_stopRequested.Get());
        } else {
            // Without the event the service's thread cannot be woken: do
            // the work here, as late as it can be done.
            ApplyDeviceRecords(m_log);
            ReportState(SERVICE_STOPPED);
        }
        break;
    case SERVICE_CONTROL_PAUSE:
        ReportState(SERVICE_PAUSED);
        break;
    case SERVICE_CONTROL_CONTINUE:
        ReportState(SERVICE_RUNNING);
        break;
    default: {  // interrogate and anything else: tell the current state again
        EnterCriticalSection(&m_statusLock);
        const DWORD state = m_status.dwCurrentState;
        LeaveCriticalSection(&m_statusLock);
        ReportState(state);
        break;
    }
    }
}

void CHelperService::ReportState(DWORD state)
{
    EnterCriticalSection(&m_statusLock);
    m_status.dwCurrentState = state;
    m_status.dwWin32ExitCode = 0;
    m_status.dwServiceSpecificExitCode = 0;
    m_status.dwCheckPoint = 0;
    m_status.dwWaitHint = 0;
    const BOOL reported = SetServiceStatus(m_hStatus, &m_status);
    const int error = LastError();
    LeaveCriticalSection(&m_statusLock);
    if (!reported)
        m_log.Write(FormatLogMessage("SetServiceStatus failed, error code = %d\n", error));
}
