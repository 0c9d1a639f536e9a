#include "tests/common/WineMachine.h"

#include "support/Handle.h"

#include <shellapi.h>

namespace wm {

namespace {

// Owns one open (or newly created) key below HKEY_LOCAL_MACHINE.
class Key {
public:
    Key(const std::wstring& path, REGSAM access, bool create = false)
    {
        const LONG result =
            create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, access, nullptr, &m_key, nullptr)
                   : RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &m_key);
        if (result != ERROR_SUCCESS)
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

// The names a key lists through `next` (RegEnumKeyExW or RegEnumValueW),
// each at most `longest` characters.
template <typename Next>
std::vector<std::wstring> EnumerateNames(const std::wstring& path, DWORD longest, Next next)
{
    std::vector<std::wstring> names;
    Key key(path, KEY_READ);
    if (!key)
        return names;
    std::vector<wchar_t> name(longest + 1);
    for (DWORD i = 0;; ++i) {
        DWORD length = longest + 1;
        if (next(key.Get(), i, name.data(), &length) != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

}  // namespace

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[2048];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 2048);
    return length > 0 && length < 2048 ? std::wstring(buffer, length) : std::wstring();
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

bool ShellRunAndWait(const std::wstring& file, const std::wstring& parameters)
{
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS;
    run.lpFile = file.c_str();
    run.lpParameters = parameters.c_str();
    run.nShow = SW_SHOW;
    if (!ShellExecuteExW(&run))
        return false;
    // The shell gives no process handle when it hands the start to a
    // program already running; there is nothing to wait for then.
    if (run.hProcess) {
        WaitForSingleObject(run.hProcess, INFINITE);
        CloseHandle(run.hProcess);
    }
    return true;
}

int QvDevice(const std::wstring& arguments)
{
    // A tool that hangs fails the test instead of stalling the whole run.
    return RunAndWait(L"\"" + Env(L"QV_BUILD_DIR") + L"\\sim\\qvdevice.exe\" " + arguments, 60000);
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes)
{
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

std::string ReadText(const std::wstring& path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
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

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
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

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

bool StartHostProgram(const std::wstring& program, const std::wstring& option, const std::vector<std::wstring>& paths)
{
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const UnixFileName unixName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    std::wstring commandLine = program + L" " + option;
    for (const std::wstring& path : paths) {
        char* name = unixName(path.c_str());
        if (!name)
            return false;
        const std::string text = name;
        HeapFree(GetProcessHeap(), 0, name);
        // Unquoted: Wine hands quotes on to a host program as they are.
        commandLine += L" " + std::wstring(text.begin(), text.end());
    }
    const std::wstring windowsPath = L"Z:" + program;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(windowsPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

bool IsReparsePoint(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

FILETIME LastWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return FILETIME();
    return data.ftLastWriteTime;
}

void SetLastWriteTime(const std::wstring& path, const FILETIME& time)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

bool KeyExists(const std::wstring& path)
{
    return static_cast<bool>(Key(path, KEY_READ));
}

std::vector<std::wstring> SubKeys(const std::wstring& path)
{
    // Key names are at most 255 characters.
    return EnumerateNames(path, 511, [](HKEY key, DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::wstring> ValueNames(const std::wstring& path)
{
    // Value names are at most 16383 characters.
    return EnumerateNames(path, 16383, [](HKEY key, DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumValueW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
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
    DWORD size = 0, kind = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &kind, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (type)
        *type = kind;
    if (kind != REG_SZ && kind != REG_EXPAND_SZ && kind != REG_MULTI_SZ)
        return false;
    // Room for the terminators a value may have been stored without.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &kind, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    text.assign(buffer.data(), size / sizeof(wchar_t));
    if (kind != REG_MULTI_SZ)
        text = text.c_str();
    return true;
}

bool GetDword(const std::wstring& path, const std::wstring& name, DWORD& value)
{
    Key key(path, KEY_READ);
    DWORD data = 0, size = sizeof(data), kind = 0;
    if (!key ||
        RegQueryValueExW(key.Get(), name.c_str(), nullptr, &kind, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        kind != REG_DWORD || size != sizeof(data))
        return false;
    value = data;
    return true;
}

bool CreateKey(const std::wstring& path)
{
    return static_cast<bool>(Key(path, KEY_READ | KEY_WRITE, true));
}

bool SetString(const std::wstring& path, const std::wstring& name, const std::wstring& text)
{
    Key key(path, KEY_READ | KEY_WRITE, true);
    return key && RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetDword(const std::wstring& path, const std::wstring& name, DWORD value)
{
    Key key(path, KEY_READ | KEY_WRITE, true);
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

Printer::Printer(const std::wstring& name, ACCESS_MASK access)
{
    std::wstring copy = name;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    if (!OpenPrinterW(&copy[0], &m_handle, access ? &defaults : nullptr))
        m_handle = nullptr;
}

Printer::~Printer()
{
    if (m_handle)
        ClosePrinter(m_handle);
}

bool PrinterExists(const std::wstring& name)
{
    return Printer(name).Get() != nullptr;
}

void DeletePrinterNamed(const std::wstring& name)
{
    Printer printer(name, PRINTER_ALL_ACCESS);
    if (printer.Get())
        DeletePrinter(printer.Get());
}

bool AddPrinterOnPort(const std::wstring& name, const std::wstring& port, const std::wstring& driver)
{
    std::wstring printer = name, portName = port, driverName = driver, processor = L"WinPrint", datatype = L"RAW";
    PRINTER_INFO_2W info = {};
    info.pPrinterName = &printer[0];
    info.pPortName = &portName[0];
    info.pDriverName = &driverName[0];
    info.pPrintProcessor = &processor[0];
    info.pDatatype = &datatype[0];
    HANDLE handle = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (handle)
        ClosePrinter(handle);
    return handle != nullptr;
}

bool ServiceExists(const std::wstring& name)
{
    const UniqueService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    return manager && UniqueService(OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS)).IsValid();
}

}  // namespace wm
