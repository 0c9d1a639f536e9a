// Shared pieces of the helper's Windows tests.
#include "tests/helper/HelperTestSupport.h"

#include "tests/common/WineMachine.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

const wchar_t kServiceName[] = L"Quorvex Printer Helper";
const wchar_t kClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}";
const wchar_t kClassGuid[] = L"{4D36E979-E325-11CE-BFC1-08002BE10318}";
const wchar_t* const kHandOffNames[9] = {
    L"_ToPath", L"_UpdateMode", L"_BrandSeries", L"_DeviceDesc", L"_ConfigFlags",
    L"_ClassGUID", L"_Driver", L"_Class", L"_Mfg",
};

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &result[0], bytes,
                        nullptr, nullptr);
    return result;
}

std::wstring HelperFolder()
{
    wchar_t common[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, common, CSIDL_PROGRAM_FILES_COMMON, TRUE))
        return std::wstring();
    std::wstring folder(common);
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    folder += L"Services";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring PlaceHelper()
{
    // The build's file, seen through the drive that maps the Unix root.
    std::wstring source = L"Z:";
    for (const char* p = QV_HELPER_EXE; *p != '\0'; ++p)
        source += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    const std::wstring target = HelperFolder() + L"\\QPHelper.exe";
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        return std::wstring();
    return target;
}

std::wstring HelperLogPath()
{
    return HelperFolder() + L"\\QPHelper.log";
}

std::vector<std::string> ReadLogMessages(const std::wstring& path)
{
    std::vector<std::string> messages;
    std::ifstream file(Narrow(path), std::ios::binary);
    if (!file)
        return messages;
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string lf;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        lf += text[i];
    }
    const std::regex stamp("\\d\\d/\\d\\d/\\d{4}, \\d\\d:\\d\\d:\\d\\d\n    ");
    std::sregex_iterator it(lf.begin(), lf.end(), stamp);
    const std::sregex_iterator end;
    std::size_t previousEnd = std::string::npos;
    if (it == end || it->position() != 0)
        messages.push_back("<bad entry>" + lf);
    for (; it != end; ++it) {
        if (previousEnd != std::string::npos)
            messages.push_back(lf.substr(previousEnd, static_cast<std::size_t>(it->position()) -
                                                            previousEnd));
        previousEnd = static_cast<std::size_t>(it->position() + it->length());
    }
    if (previousEnd != std::string::npos)
        messages.push_back(lf.substr(previousEnd));
    return messages;
}

bool CreateKey(const std::wstring& path)
{
    return wm::CreateKey(path);
}

void DeleteTree(const std::wstring& path)
{
    wm::DeleteKeyTree(path);
}

bool KeyExists(const std::wstring& path)
{
    return wm::KeyExists(path);
}

bool SetString(const std::wstring& path, const wchar_t* name, const std::wstring& text)
{
    return wm::SetString(path, name, text);
}

bool SetDword(const std::wstring& path, const wchar_t* name, DWORD value)
{
    return wm::SetDword(path, name, value);
}

bool ValueExists(const std::wstring& path, const wchar_t* name)
{
    return wm::ValueExists(path, name);
}

std::wstring GetString(const std::wstring& path, const wchar_t* name)
{
    std::wstring text;
    DWORD type = 0;
    if (!wm::GetString(path, name, text, &type))
        return L"<missing>";
    if (type != REG_SZ)
        return L"<type " + std::to_wstring(type) + L">";
    return text;
}

bool GetDword(const std::wstring& path, const wchar_t* name, DWORD& value)
{
    return wm::GetDword(path, name, value);
}

std::vector<std::wstring> ValueNames(const std::wstring& path)
{
    return wm::ValueNames(path);
}

bool ServiceExists(const wchar_t* name)
{
    return wm::ServiceExists(name);
}

DWORD ServiceState(const wchar_t* name)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr)
        return 0;
    DWORD state = 0;
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
    if (service != nullptr) {
        SERVICE_STATUS status = {};
        if (QueryServiceStatus(service, &status))
            state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

bool WaitForServiceState(const wchar_t* name, DWORD state, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (ServiceState(name) == state)
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
}

void RemoveServiceIfPresent(const wchar_t* name)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return;
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_ALL_ACCESS);
    if (service != nullptr) {
        SERVICE_STATUS status = {};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    const DWORD start = GetTickCount();
    while (ServiceExists(name) && GetTickCount() - start < 10000)
        Sleep(50);
}

int RunProgram(const std::wstring& program, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    int result = -1;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            result = static_cast<int>(code);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    return result;
}
