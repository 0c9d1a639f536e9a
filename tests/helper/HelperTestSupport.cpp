// Shared pieces of the helper's Windows tests.
#include "tests/helper/HelperTestSupport.h"

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
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void DeleteTree(const std::wstring& path)
{
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

bool KeyExists(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

namespace {

LONG SetRaw(const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
            DWORD bytes)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    return status;
}

}  // namespace

bool SetString(const std::wstring& path, const wchar_t* name, const std::wstring& text)
{
    return SetRaw(path, name, REG_SZ, text.c_str(),
                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetDword(const std::wstring& path, const wchar_t* name, DWORD value)
{
    return SetRaw(path, name, REG_DWORD, &value, sizeof(value)) == ERROR_SUCCESS;
}

bool ValueExists(const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool exists =
        RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

std::wstring GetString(const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"<missing>";
    wchar_t buffer[2048] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    const LONG status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return L"<missing>";
    if (type != REG_SZ)
        return L"<type " + std::to_wstring(type) + L">";
    return std::wstring(buffer);
}

bool GetDword(const std::wstring& path, const wchar_t* name, DWORD& value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    const LONG status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof(data))
        return false;
    value = data;
    return true;
}

std::vector<std::wstring> ValueNames(const std::wstring& path)
{
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384] = {};
        DWORD length = 16384;
        if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

bool ServiceExists(const wchar_t* name)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr)
        return false;
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
    const bool exists = service != nullptr;
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return exists;
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
