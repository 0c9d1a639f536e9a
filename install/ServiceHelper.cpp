// Service control for the printer helper service.
#include "install/ServiceHelper.h"

namespace {

// Own process, allowed to interact with the desktop.
const DWORD kServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
// The helper needs a moment to come up and, once stopped, to finish its
// update and leave before the service is deleted.
const DWORD kServiceWaitMs = 1000;
// How much longer a service may take to stop, or a deleted one to go.
const DWORD kServiceSettleMs = 10000;
const DWORD kServicePollMs = 100;

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

// Waits until `service` reports itself stopped, at most `limitMs`.
bool WaitForStop(SC_HANDLE service, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        SERVICE_STATUS status = {};
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == SERVICE_STOPPED)
            return true;
        if (GetTickCount() - start >= limitMs)
            return false;
        Sleep(kServicePollMs);
    }
}

// Waits until the manager has no service of that name any more (one that
// was deleted goes only when its last handle is closed), at most `limitMs`.
bool WaitForRemoval(SC_HANDLE manager, const wchar_t* name, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const UniqueService service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS));
        if (!service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
            return true;
        if (GetTickCount() - start >= limitMs)
            return false;
        Sleep(kServicePollMs);
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

bool CServiceHelper::Install()
{
    if (m_pszServiceName == nullptr || m_pszDisplayName == nullptr || m_pszBinaryPath == nullptr)
        return false;
    const std::wstring binaryPath = QuotedBinaryPath(m_pszBinaryPath);
    const DWORD startType = m_bAutoStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
    // A service of the name that is marked for deletion is waited for once,
    // then created anew.
    for (int attempt = 0; attempt < 2; ++attempt) {
        // No account: the service runs as the local system.
        UniqueService service(CreateServiceW(m_hSCManager.Get(), m_pszServiceName, m_pszDisplayName,
                                              SERVICE_ALL_ACCESS, kServiceType, startType,
                                              SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr,
                                              nullptr, nullptr, nullptr, nullptr));
        if (service.Get() != nullptr)
            return true;
        DWORD error = GetLastError();
        if (error == ERROR_SERVICE_EXISTS) {
            error = TakeOver(binaryPath, startType);
            if (error == ERROR_SUCCESS)
                return true;
        }
        if (error != ERROR_SERVICE_MARKED_FOR_DELETE ||
            !WaitForRemoval(m_hSCManager.Get(), m_pszServiceName, kServiceSettleMs))
            return false;
    }
    return false;
}

DWORD CServiceHelper::TakeOver(const std::wstring& binaryPath, DWORD startType)
{
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_ALL_ACCESS));
    if (service.Get() == nullptr)
        return GetLastError();
    // A running one is stopped first: its process is not ours to leave running.
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
        ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        if (!WaitForStop(service.Get(), kServiceSettleMs))
            return ERROR_SERVICE_REQUEST_TIMEOUT;
    }
    // Every setting as Install gives it: no group, no dependencies, the
    // local system account. The error is taken before the handle is closed.
    if (!ChangeServiceConfigW(service.Get(), kServiceType, startType, SERVICE_ERROR_NORMAL, binaryPath.c_str(),
                              L"", nullptr, L"\0", L"LocalSystem", L"", m_pszDisplayName))
        return GetLastError();
    return ERROR_SUCCESS;
}

bool CServiceHelper::Start()
{
    if (m_pszServiceName == nullptr)
        return false;
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_ALL_ACCESS));
    return service.Get() != nullptr && StartServiceW(service.Get(), 0, nullptr) != FALSE;
}

bool CServiceHelper::Stop()
{
    if (m_pszServiceName == nullptr)
        return false;
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_ALL_ACCESS));
    SERVICE_STATUS status = {};
    return service.Get() != nullptr &&
           ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) != FALSE;
}

bool CServiceHelper::WaitUntilStopped()
{
    if (m_pszServiceName == nullptr)
        return false;
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_QUERY_STATUS));
    return service.Get() != nullptr && WaitForStop(service.Get(), kServiceSettleMs);
}

bool CServiceHelper::WaitUntilRemoved()
{
    return m_pszServiceName != nullptr && WaitForRemoval(m_hSCManager.Get(), m_pszServiceName, kServiceSettleMs);
}

bool CServiceHelper::Remove()
{
    if (m_pszServiceName == nullptr)
        return false;
    UniqueService service(OpenServiceW(m_hSCManager.Get(), m_pszServiceName, SERVICE_ALL_ACCESS));
    return service.Get() != nullptr && DeleteService(service.Get()) != FALSE;
}

void RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName)
{
    CServiceHelper helper;
    helper.SetDisplayName(serviceName.c_str());
    helper.SetServiceName(serviceName.c_str());
    helper.SetBinaryPath(binaryPath.c_str());
    // Started on demand: a run that ends before the removal below leaves no
    // service that starts with Windows.
    helper.SetAutoStart(FALSE);
    // Only a service that runs our program is started: one of the same name
    // that could not be made ours is left alone.
    if (!helper.Install())
        return;
    helper.Start();
    Sleep(kServiceWaitMs);
    helper.Stop();
    Sleep(kServiceWaitMs);
    // A helper still finishing its update is given more time; after that the
    // service is deleted anyway, and the manager removes it once it stops.
    helper.WaitUntilStopped();
    // The manager removes a deleted service once its process has ended;
    // the next installation must find the name free.
    if (helper.Remove())
        helper.WaitUntilRemoved();
}
