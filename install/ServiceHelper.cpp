// Service control for the printer helper service.
#include "install/ServiceHelper.h"

namespace {

// Own process, allowed to interact with the desktop.
const DWORD kServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
// The helper needs a moment to come up and, once stopped, to finish its
// update and leave before the service is deleted.
const DWORD kServiceWaitMs = 1000;

// Closes a service handle when it goes out of scope.
class CServiceHandle {
public:
    explicit CServiceHandle(SC_HANDLE handle) : m_h(handle) {}
    ~CServiceHandle()
    {
        if (m_h != nullptr)
            CloseServiceHandle(m_h);
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;
    SC_HANDLE Get() const { return m_h; }

private:
    SC_HANDLE m_h;
};

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

}  // namespace

CServiceHelper::CServiceHelper()
    : m_hSCManager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)),
      m_pszServiceName(nullptr),
      m_pszDisplayName(nullptr),
      m_pszBinaryPath(nullptr),
      m_bAutoStart(FALSE)
{
}

CServiceHelper::~CServiceHelper()
{
    if (m_hSCManager != nullptr)
        CloseServiceHandle(m_hSCManager);
}

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
    // No account: the service runs as the local system.
    CServiceHandle service(CreateServiceW(m_hSCManager, m_pszServiceName, m_pszDisplayName,
                                          SERVICE_ALL_ACCESS, kServiceType, startType,
                                          SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr,
                                          nullptr, nullptr, nullptr, nullptr));
    return service.Get() != nullptr;
}

bool CServiceHelper::Start()
{
    if (m_pszServiceName == nullptr)
        return false;
    CServiceHandle service(OpenServiceW(m_hSCManager, m_pszServiceName, SERVICE_ALL_ACCESS));
    return service.Get() != nullptr && StartServiceW(service.Get(), 0, nullptr) != FALSE;
}

bool CServiceHelper::Stop()
{
    if (m_pszServiceName == nullptr)
        return false;
    CServiceHandle service(OpenServiceW(m_hSCManager, m_pszServiceName, SERVICE_ALL_ACCESS));
    SERVICE_STATUS status = {};
    return service.Get() != nullptr &&
           ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) != FALSE;
}

bool CServiceHelper::Remove()
{
    if (m_pszServiceName == nullptr)
        return false;
    CServiceHandle service(OpenServiceW(m_hSCManager, m_pszServiceName, SERVICE_ALL_ACCESS));
    return service.Get() != nullptr && DeleteService(service.Get()) != FALSE;
}

void RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName)
{
    CServiceHelper helper;
    helper.SetDisplayName(serviceName.c_str());
    helper.SetServiceName(serviceName.c_str());
    helper.SetBinaryPath(binaryPath.c_str());
    helper.SetAutoStart(TRUE);
    // The results do not matter: a service left from an earlier run makes
    // Install fail, and the other steps then act on that one.
    helper.Install();
    helper.Start();
    Sleep(kServiceWaitMs);
    helper.Stop();
    Sleep(kServiceWaitMs);
    helper.Remove();
}
