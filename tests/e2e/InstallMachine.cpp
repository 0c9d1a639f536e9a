#include "tests/e2e/InstallMachine.h"

#include <shlobj.h>
#include <winspool.h>

#include <cwchar>

#include "tests/e2e/E2eSupport.h"

namespace e2e {

namespace {

wchar_t kEnvironment[] = L"Windows NT x86";

// Owns one open registry key.
class Key {
public:
    Key(const std::wstring& path, REGSAM access)
    {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

private:
    HKEY m_key = nullptr;
};

// Owns one open printer.
class Printer {
public:
    explicit Printer(const std::wstring& name, ACCESS_MASK access = 0)
    {
        std::wstring copy = name;
        PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
        if (!OpenPrinterW(&copy[0], &m_handle, access ? &defaults : nullptr))
            m_handle = nullptr;
    }
    ~Printer()
    {
        if (m_handle)
            ClosePrinter(m_handle);
    }
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

std::wstring Text(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring();
}

}  // namespace

std::vector<std::wstring> PrinterNames()
{
    std::vector<std::wstring> names;
    wchar_t noName[] = L"";
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersW(flags, noName, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 4);
    if (!EnumPrintersW(flags, noName, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count))
        return names;
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        names.push_back(Text(info[i].pPrinterName));
    return names;
}

bool HasPrinter(const std::wstring& name)
{
    for (const std::wstring& n : PrinterNames())
        if (n == name)
            return true;
    return false;
}

bool PrinterPortAndDriver(const std::wstring& name, std::wstring& port, std::wstring& driver)
{
    Printer printer(name);
    if (!printer.Get())
        return false;
    DWORD needed = 0;
    GetPrinterW(printer.Get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 4);
    if (!GetPrinterW(printer.Get(), 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
        return false;
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    port = Text(info->pPortName);
    driver = Text(info->pDriverName);
    return true;
}

bool PrinterDefaultPage(const std::wstring& name, short& orientation, short& paperSize)
{
    Printer printer(name);
    if (!printer.Get())
        return false;
    DWORD needed = 0;
    GetPrinterW(printer.Get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 4);
    if (!GetPrinterW(printer.Get(), 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
        return false;
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    if (!info->pDevMode)
        return false;
    orientation = (info->pDevMode->dmFields & DM_ORIENTATION) ? info->pDevMode->dmOrientation : 0;
    paperSize = (info->pDevMode->dmFields & DM_PAPERSIZE) ? info->pDevMode->dmPaperSize : 0;
    return true;
}

void DeletePrintersStartingWith(const std::wstring& prefix)
{
    for (const std::wstring& name : PrinterNames()) {
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        Printer printer(name, PRINTER_ALL_ACCESS);
        if (printer.Get())
            DeletePrinter(printer.Get());
    }
}

std::wstring DefaultPrinterName()
{
    wchar_t name[1024] = {0};
    DWORD size = 1024;
    return GetDefaultPrinterW(name, &size) ? std::wstring(name) : std::wstring();
}

std::wstring DefaultDeviceEntry()
{
    wchar_t entry[1024] = {0};
    GetProfileStringW(L"windows", L"device", L"", entry, 1024);
    return entry;
}

void SetDefaultDeviceEntry(const std::wstring& entry)
{
    WriteProfileStringW(L"windows", L"device", entry.empty() ? nullptr : entry.c_str());
}

bool PrinterDriverInfo(const std::wstring& printerName, DriverInfo& result)
{
    Printer printer(printerName);
    if (!printer.Get())
        return false;
    DWORD needed = 0;
    GetPrinterDriverW(printer.Get(), kEnvironment, 3, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 4);
    if (!GetPrinterDriverW(printer.Get(), kEnvironment, 3, buffer.data(), static_cast<DWORD>(buffer.size()),
                           &needed))
        return false;
    const DRIVER_INFO_3W* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    result.driverPath = Text(info->pDriverPath);
    result.dataFile = Text(info->pDataFile);
    result.configFile = Text(info->pConfigFile);
    result.helpFile = Text(info->pHelpFile);
    result.defaultDataType = Text(info->pDefaultDataType);
    result.dependentFiles.clear();
    for (const wchar_t* p = info->pDependentFiles; p && *p; p += wcslen(p) + 1)
        result.dependentFiles.push_back(p);
    return true;
}

bool DriverListed(const std::wstring& name)
{
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, kEnvironment, 3, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 4);
    if (!EnumPrinterDriversW(nullptr, kEnvironment, 3, buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                             &count))
        return false;
    const DRIVER_INFO_3W* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (name == Text(info[i].pName))
            return true;
    return false;
}

bool RemoveDriver(const std::wstring& name)
{
    std::wstring copy = name;
    return DeletePrinterDriverW(nullptr, kEnvironment, &copy[0]) != FALSE;
}

std::wstring DriverDirectory()
{
    wchar_t directory[MAX_PATH * 2] = {0};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, kEnvironment, 1, reinterpret_cast<LPBYTE>(directory),
                                    sizeof(directory), &needed))
        return std::wstring();
    return directory;
}

std::wstring CommonFilesFolder()
{
    wchar_t folder[MAX_PATH + 1] = {0};
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES_COMMON, FALSE);
    return folder;
}

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FILETIME LastWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return FILETIME();
    return data.ftLastWriteTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

std::string ReadText(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    const std::string bytes = ReadText(path);
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        std::string::size_type end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::wstring BaseName(const std::wstring& path)
{
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Lower(std::wstring text)
{
    if (!text.empty())
        CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool KeyExists(const std::wstring& path)
{
    return static_cast<bool>(Key(path, KEY_READ));
}

std::vector<std::wstring> SubKeys(const std::wstring& path)
{
    std::vector<std::wstring> names;
    Key key(path, KEY_READ);
    if (!key)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::wstring> ValueNames(const std::wstring& path)
{
    std::vector<std::wstring> names;
    Key key(path, KEY_READ);
    if (!key)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

bool ValueExists(const std::wstring& path, const std::wstring& name)
{
    Key key(path, KEY_READ);
    return key && RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool GetString(const std::wstring& path, const std::wstring& name, std::wstring& text, DWORD* type)
{
    Key key(path, KEY_READ);
    if (!key)
        return false;
    wchar_t buffer[2048] = {0};
    DWORD size = sizeof(buffer) - sizeof(wchar_t), kind = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &kind, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return false;
    if (type)
        *type = kind;
    if (kind != REG_SZ && kind != REG_EXPAND_SZ && kind != REG_MULTI_SZ)
        return false;
    text = buffer;
    return true;
}

bool GetDword(const std::wstring& path, const std::wstring& name, DWORD& value)
{
    Key key(path, KEY_READ);
    DWORD size = sizeof(value), kind = 0;
    return key &&
           RegQueryValueExW(key.Get(), name.c_str(), nullptr, &kind, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           kind == REG_DWORD;
}

bool SetDword(const std::wstring& path, const std::wstring& name, DWORD value)
{
    Key key(path, KEY_READ | KEY_WRITE);
    return key && RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof(value)) == ERROR_SUCCESS;
}

bool DeleteValue(const std::wstring& path, const std::wstring& name)
{
    Key key(path, KEY_READ | KEY_WRITE);
    return key && RegDeleteValueW(key.Get(), name.c_str()) == ERROR_SUCCESS;
}

void DeleteKeyTree(const std::wstring& path)
{
    for (const std::wstring& child : SubKeys(path))
        DeleteKeyTree(path + L"\\" + child);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

bool ServiceExists(const std::wstring& name)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_QUERY_STATUS);
    const bool exists = service != nullptr;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return exists;
}

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

int QvDevice(const std::wstring& arguments)
{
    return RunAndWait(L"\"" + BuildPath(L"sim\\qvdevice.exe") + L"\" " + arguments);
}

double NowMs()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace e2e
