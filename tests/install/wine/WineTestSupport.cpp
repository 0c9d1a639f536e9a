#include "tests/install/wine/WineTestSupport.h"

#include <vector>

namespace wt {

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[2048];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 2048);
    return length > 0 && length < 2048 ? std::wstring(buffer, length) : std::wstring();
}

int Run(const std::wstring& commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

int QvDevice(const std::wstring& arguments)
{
    return Run(L"\"" + Env(L"QV_BUILD_DIR") + L"\\sim\\qvdevice.exe\" " + arguments);
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

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::string bytes;
    std::vector<std::string> lines;
    if (!ReadFileBytes(path, bytes))
        return lines;
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
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

bool FileExists(const std::wstring& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
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

FILETIME LastWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetLastWriteTime(const std::wstring& path, const FILETIME& time)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

namespace {
class Key {
public:
    Key(const std::wstring& path, bool create, REGSAM access = KEY_READ | KEY_WRITE)
    {
        if (create)
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, access, nullptr, &m_key, nullptr);
        else if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &m_key) != ERROR_SUCCESS)
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

private:
    HKEY m_key = nullptr;
};
}

bool KeyExists(const std::wstring& path)
{
    return Key(path, false, KEY_READ).Get() != nullptr;
}

void DeleteKeyTree(const std::wstring& path)
{
    for (const std::wstring& child : SubKeys(path))
        DeleteKeyTree(path + L"\\" + child);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

bool SetString(const std::wstring& path, const std::wstring& name, const std::wstring& text)
{
    Key key(path, true);
    return key.Get() && RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>((text.size() + 1) * 2)) == ERROR_SUCCESS;
}

bool SetDword(const std::wstring& path, const std::wstring& name, DWORD value)
{
    Key key(path, true);
    return key.Get() && RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                       4) == ERROR_SUCCESS;
}

bool DeleteValue(const std::wstring& path, const std::wstring& name)
{
    Key key(path, false);
    return key.Get() && RegDeleteValueW(key.Get(), name.c_str()) == ERROR_SUCCESS;
}

bool GetString(const std::wstring& path, const std::wstring& name, std::wstring& text, DWORD* type)
{
    Key key(path, false, KEY_READ);
    if (!key.Get())
        return false;
    DWORD size = 0, t = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> buffer(size / 2 + 2);
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return false;
    text.assign(buffer.data(), size / 2);
    // Drop the terminator of a REG_SZ; a multi-string keeps its NULs.
    if (t == REG_SZ)
        text = text.c_str();
    if (type)
        *type = t;
    return true;
}

bool GetDword(const std::wstring& path, const std::wstring& name, DWORD& value)
{
    Key key(path, false, KEY_READ);
    DWORD size = 4, type = 0;
    return key.Get() && RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

std::vector<std::wstring> SubKeys(const std::wstring& path)
{
    std::vector<std::wstring> names;
    Key key(path, false, KEY_READ);
    if (!key.Get())
        return names;
    wchar_t name[512];
    for (DWORD i = 0;; ++i) {
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
    Key key(path, false, KEY_READ);
    if (!key.Get())
        return names;
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = 16384;
        if (RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

bool IsWow64()
{
    typedef BOOL(WINAPI * Fn)(HANDLE, PBOOL);
    Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
    BOOL wow = FALSE;
    if (fn)
        fn(GetCurrentProcess(), &wow);
    return wow != FALSE;
}

DWORD OsMajorVersion()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return 0;
    return info.dwMajorVersion;
}

} // namespace wt
