// Service control for the printer helper service.
#include "install/ServiceHelper.h"

namespace {

// Own process, without a desktop: a process of the system account that
// shared the user's desktop could be driven by the user's programs.
const DWORD kServiceType = SERVICE_WIN32_OWN_PROCESS;
// The wizard's pacing gives the helper a second to come up and, once
// stopped, a second to finish its update and leave before the service is
// deleted.
const DWORD kServiceWaitMs = 1000;
// How long a service may take to come up or to stop, or a deleted one to go.
const DWORD kServiceSettleMs = 10000;
// The waits ask the manager again after 5 ms, then twice as long each time,
// up to every 100 ms: what usually takes a few milliseconds is seen at once,
// and a slow service is not asked a hundred times a second.
const DWORD kFirstPollMs = 5;
const DWORD kLongestPollMs = 100;

// Sleeps the next interval of a wait's polling.
void PollPause(DWORD& intervalMs)
{
    Sleep(intervalMs);
    intervalMs = intervalMs * 2 < kLongestPollMs ? intervalMs * 2 : kLongestPollMs;
}

// The path as the service manager should run it: quoted when it holds a
// space, so that "C:\Program Files\..." cannot be taken for "C:\Program"
// followed by arguments.
std::wstring QuotedBinaryPath(const wchar_t* path)
{
    std::wstring text(path);
    if (text.find(L' ') == std::wstring::npos || (!text.empty() && text[0] == L'"'))
        return text;
    return L"\"" + text + L"\"";
}

// Waits until `service` reports `state`, at most `limitMs`. A service that
// reports itself stopped will not reach another state: false at once.
bool WaitForState(SC_HANDLE service, DWORD state, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    DWORD interval = kFirstPollMs;
    for (;;) {
        SERVICE_STATUS status = {};
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == state)
            return true;
        if (status.dwCurrentState == SERVICE_STOPPED)
            return false;
        if (GetTickCount() - start >= limitMs)
            return false;
        PollPause(interval);
    }
}

// Waits until the manager has no service of that name any more (one that
// was deleted goes only when its last handle is closed), at most `limitMs`.
bool WaitForRemoval(SC_HANDLE manager, const wchar_t* name, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    DWORD interval = kFirstPollMs;
    for (;;) {
        const UniqueService service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS));
        if (!service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
            return true;
        if (GetTickCount() - start >= limitMs)
            return false;
        PollPause(interval);
    }
}

}  // namespace

CServiceHelper::CServiceHelper()
    : m_hSCManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)),
      m_pszServiceName(nullptr),
      m_pszDisplayName(nullptr),
      m_pszBinaryPath(nullptr),
      m_bAutoStart(FALSE)
{
}

CServiceHelper::~CServiceHelper() = default;

void CServiceHelper::SetServiceName(const wchar_t* name)
{
    m_pszServiceName = name;
}

void CServiceHelper::SetDisplayName(const wchar_t* name)
{
    m_pszDisplayName = name;
}

void CServiceHelper::SetBinaryPath(const wchar_t* path)
{
    m_pszBinaryPath = path;
}

void CServiceHelper::SetAutoStart(BOOL autoStart)
{
    m_bAutoStart = autoStart;
}

bool CServiceHelper::Failed(DWORD error)
{
    m_lastError = error == ERROR_SUCCESS ? ERROR_INVALID_FUNCTION : error;
    return false;
}

bool CServiceHelper::Install()
{
    if (m_pszServiceName == nullptr || m_pszDisplayName == nullptr || m_pszBinaryPath == nullptr)
        return Failed(ERROR_INVALID_PARAMETER);
    if (!m_hSCManager)
        return Failed(ERROR_ACCESS_DENIED);
    const std::wstring binaryPath = QuotedBinaryPath(m_pszBinaryPath);
    const DWORD startType = m_bAutoStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
    // A service of the name that is there already is deleted, and ours is
    // created once the manager has let go of the old one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        // No account: the service runs as the local system.
        UniqueService service(CreateServiceW(m_hSCManager.Get(), m_pszServiceName, m_pszDisplayName,
                                              SERVICE_ALL_ACCESS, kServiceType, startType,
                                              SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr,
                                              nullptr, nullptr, nullptr, nullptr));
        if (service.Get() != nullptr)
            return true;
        DWORD error = GetLastError();
        if (error == ERROR_SERVICE_EXISTS)
            error = DeleteExisting();
        else if (error == ERROR_SERVICE_MARKED_FOR_DELETE)
            error = ERROR_SUCCESS;
        if (error != ERROR_SUCCESS)
            return Failed(error);
        if (!WaitForRemoval(m_hSCManager.Get(), m_pszServiceName, kServiceSettleMs))
            return Failed(ERROR_SERVICE_MARKED_FOR_DELETE);
    }
    return Failed(ERROR_SERVICE_EXISTS);
}

DWORD CServiceHelper::DeleteExisting()
{
    UniqueService service(
        OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (service.Get() == nullptr)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? ERROR_SUCCESS : GetLastError();
    // A running one is stopped first: its process is not ours to leave running.
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
        ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        if (!WaitForState(service.Get(), SERVICE_STOPPED, kServiceSettleMs))
            return ERROR_SERVICE_REQUEST_TIMEOUT;
    }
    if (!DeleteService(service.Get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
        return GetLastError();
    return ERROR_SUCCESS;
}

bool CServiceHelper::Start()
{
    if (m_pszServiceName == nullptr)
        return Failed(ERROR_INVALID_PARAMETER);
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_START));
    if (service.Get() == nullptr || !StartServiceW(service.Get(), 0, nullptr))
        return Failed(GetLastError());
    return true;
}

bool CServiceHelper::Stop()
{
    if (m_pszServiceName == nullptr)
        return Failed(ERROR_INVALID_PARAMETER);
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_STOP));
    SERVICE_STATUS status = {};
    if (service.Get() == nullptr || !ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
        return Failed(GetLastError());
    return true;
}

bool CServiceHelper::WaitUntilRunning()
{
    return WaitUntil(SERVICE_RUNNING);
}

bool CServiceHelper::WaitUntilStopped()
{
    return WaitUntil(SERVICE_STOPPED);
}

bool CServiceHelper::WaitUntil(DWORD state)
{
    if (m_pszServiceName == nullptr)
        return Failed(ERROR_INVALID_PARAMETER);
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_QUERY_STATUS));
    if (service.Get() == nullptr)
        return Failed(GetLastError());
    return WaitForState(service.Get(), state, kServiceSettleMs) || Failed(ERROR_SERVICE_REQUEST_TIMEOUT);
}

bool CServiceHelper::WaitUntilRemoved()
{
    if (m_pszServiceName == nullptr)
        return Failed(ERROR_INVALID_PARAMETER);
    return WaitForRemoval(m_hSCManager.Get(), m_pszServiceName, kServiceSettleMs) ||
           Failed(ERROR_SERVICE_MARKED_FOR_DELETE);
}

bool CServiceHelper::Remove()
{
    if (m_pszServiceName == nullptr)
        return Failed(ERROR_INVALID_PARAMETER);
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, DELETE));
    if (service.Get() == nullptr || !DeleteService(service.Get()))
        return Failed(GetLastError());
    return true;
}

HelperRunResult RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName,
                                     HelperPacing pacing)
{
    HelperRunResult result;
    const auto note = [&result](HelperRunResult::Step step, DWORD error) {
        if (result.Ran()) {
            result.failed = step;
            result.error = error;
        }
    };
    const bool fixed = pacing == HelperPacing::FixedWaits;
    CServiceHelper helper;
    helper.SetDisplayName(serviceName.c_str());
    helper.SetServiceName(serviceName.c_str());
    helper.SetBinaryPath(binaryPath.c_str());
    // Started on demand: a run that ends before the removal below leaves no
    // service that starts with Windows.
    helper.SetAutoStart(FALSE);
    // Only a service that runs our program is started: one of the same name
    // that could not be made ours is left alone.
    if (!helper.Install()) {
        note(HelperRunResult::Step::Install, helper.LastError());
        return result;
    }
    const bool started = helper.Start();
    if (!started)
        note(HelperRunResult::Step::Start, helper.LastError());
    if (fixed)
        Sleep(kServiceWaitMs);
    else if (started)
        // A service that never comes up, or ends at once, is told to stop
        // all the same: the stop reports what became of it.
        helper.WaitUntilRunning();
    if (started) {
        if (!helper.Stop())
            note(HelperRunResult::Step::Stop, helper.LastError());
        if (fixed)
            Sleep(kServiceWaitMs);
        // The helper does its update when it is stopped and reports itself
        // stopped when the update is done. One still finishing it is given
        // more time; after that the service is deleted anyway, and the
        // manager removes it once it stops.
        if (!helper.WaitUntilStopped())
            note(HelperRunResult::Step::Stop, helper.LastError());
    }
    // The manager removes a deleted service once its process has ended;
    // the next installation must find the name free.
    if (!helper.Remove() || !helper.WaitUntilRemoved())
        note(HelperRunResult::Step::Remove, helper.LastError());
    return result;
}
