#include "tests/e2e/InstallMachine.h"

#include <shlobj.h>
#include <winspool.h>

#include <cwchar>

#include "app/PlatformDetection.h"
#include "tests/e2e/E2eSupport.h"

namespace e2e {

namespace {

// The spooler environment the installer under test names: it is the same
// build as this program, so the product's own rule says which.
wchar_t* Environment()
{
    static std::wstring environment = Platform().environment;
    return &environment[0];
}

std::wstring Text(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring();
}

// The level 2 record of printer `name`, kept in `buffer`; null when the
// printer cannot be opened or read.
const PRINTER_INFO_2W* PrinterInfo2(const std::wstring& name, std::vector<BYTE>& buffer)
{
    wm::Printer printer(name);
    if (!printer.Get())
        return nullptr;
    DWORD needed = 0;
    GetPrinterW(printer.Get(), 2, nullptr, 0, &needed);
    buffer.assign(needed + 4, 0);
    if (!GetPrinterW(printer.Get(), 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
        return nullptr;
    return reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
}

}  // namespace

const InstallContext& Platform()
{
    static const InstallContext context = [] {
        InstallContext c;
        InitialisePlatformContext(c);
        return c;
    }();
    return context;
}

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
    std::vector<BYTE> buffer;
    const PRINTER_INFO_2W* info = PrinterInfo2(name, buffer);
    if (!info)
        return false;
    port = Text(info->pPortName);
    driver = Text(info->pDriverName);
    return true;
}

bool PrinterDefaultPage(const std::wstring& name, short& orientation, short& paperSize)
{
    std::vector<BYTE> buffer;
    const PRINTER_INFO_2W* info = PrinterInfo2(name, buffer);
    if (!info || !info->pDevMode)
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
        wm::DeletePrinterNamed(name);
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
    wm::Printer printer(printerName);
    if (!printer.Get())
        return false;
    DWORD needed = 0;
    GetPrinterDriverW(printer.Get(), Environment(), 3, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed + 4);
    if (!GetPrinterDriverW(printer.Get(), Environment(), 3, buffer.data(), static_cast<DWORD>(buffer.size()),
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
    return DriverEntries(name) > 0;
}

int DriverEntries(const std::wstring& name)
{
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, Environment(), 3, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 4);
    if (!EnumPrinterDriversW(nullptr, Environment(), 3, buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                             &count))
        return 0;
    const DRIVER_INFO_3W* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    int entries = 0;
    for (DWORD i = 0; i < count; ++i)
        if (name == Text(info[i].pName))
            ++entries;
    return entries;
}

bool RemoveDriver(const std::wstring& name)
{
    std::wstring copy = name;
    return DeletePrinterDriverW(nullptr, Environment(), &copy[0]) != FALSE;
}

std::wstring DriverDirectory()
{
    wchar_t directory[MAX_PATH * 2] = {0};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, Environment(), 1, reinterpret_cast<LPBYTE>(directory),
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

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
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


double NowMs()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// ---- the whole machine

namespace {

void SnapshotKey(HKEY root, const std::wstring& rootName, const std::wstring& path, Snapshot& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    // Names as Windows compares them: regardless of case.
    const std::wstring prefix = Lower(rootName + L"\\" + path + (path.empty() ? L"" : L"\\"));
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(1 << 16);
    bool anyValue = false;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size());
        const LONG status = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            data.resize(size + 2);
            --i;
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        static const wchar_t hex[] = L"0123456789abcdef";
        std::wstring text = std::to_wstring(type) + L":";
        for (DWORD b = 0; b < size; ++b) {
            text += hex[data[b] >> 4];
            text += hex[data[b] & 15];
        }
        out[prefix + L":" + Lower(std::wstring(name.data(), nameLength))] = text;
        anyValue = true;
    }
    if (!anyValue)
        out[prefix] = L"";
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.emplace_back(name.data(), length);
    }
    RegCloseKey(key);
    for (const std::wstring& sub : subKeys)
        SnapshotKey(root, rootName, path.empty() ? sub : path + L"\\" + sub, out);
}

void SnapshotFolder(const std::wstring& folder, Snapshot& out)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[Lower(path)] = L"<dir>";
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                folders.push_back(path);
        } else {
            out[Lower(path)] = std::to_wstring((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    for (const std::wstring& sub : folders)
        SnapshotFolder(sub, out);
}

bool StartsWithFolded(const std::wstring& text, const std::wstring& prefix)
{
    if (text.size() < prefix.size())
        return false;
    return Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

}  // namespace

Snapshot MachineSnapshot()
{
    Snapshot snapshot;
    SnapshotKey(HKEY_LOCAL_MACHINE, L"HKLM", L"", snapshot);
    SnapshotKey(HKEY_CURRENT_USER, L"HKCU", L"", snapshot);
    wchar_t folder[MAX_PATH] = {0};
    GetWindowsDirectoryW(folder, MAX_PATH);
    SnapshotFolder(folder, snapshot);
    for (int id : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        wchar_t programs[MAX_PATH] = {0};
        if (SHGetSpecialFolderPathW(nullptr, programs, id, FALSE) && !snapshot.count(std::wstring(programs) + L"\\."))
            SnapshotFolder(programs, snapshot);
    }
    return snapshot;
}

std::vector<std::string> SnapshotDifferences(const Snapshot& before, const Snapshot& after,
                                             const std::vector<std::wstring>& allowed)
{
    const auto covered = [&](const std::wstring& entry) {
        for (const std::wstring& rule : allowed)
            if (StartsWithFolded(entry, rule))
                return true;
        return false;
    };
    std::vector<std::string> differences;
    for (const auto& b : before) {
        const auto a = after.find(b.first);
        if (covered(b.first))
            continue;
        if (a == after.end())
            differences.push_back("- " + wm::Utf8(b.first) + " = " + wm::Utf8(b.second.substr(0, 80)));
        else if (a->second != b.second)
            differences.push_back("~ " + wm::Utf8(b.first) + " = " + wm::Utf8(b.second.substr(0, 80)) + " -> " +
                                  wm::Utf8(a->second.substr(0, 80)));
    }
    for (const auto& a : after)
        if (!before.count(a.first) && !covered(a.first))
            differences.push_back("+ " + wm::Utf8(a.first) + " = " + wm::Utf8(a.second.substr(0, 80)));
    return differences;
}

bool AddOtherMakersPrinter(const std::wstring& printer, const std::wstring& driver)
{
    // The maker's files in a folder of their own: two of our sample plug-ins
    // and a GPD under other names, and the shared core file.
    wchar_t temp[MAX_PATH] = {0};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"other-maker";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring samples = SourcePath(L"samples\\package");
    const std::wstring plugins = samples + (Platform().Is64BitWindows() ? L"\\amd64\\" : L"\\i386\\");
    bool ok = CopyFileW((plugins + L"QUNI1000.DLL").c_str(), (folder + L"\\OMDRV.DLL").c_str(), FALSE) &&
              CopyFileW((plugins + L"QUI1000.DLL").c_str(), (folder + L"\\OMUI.DLL").c_str(), FALSE) &&
              CopyFileW((samples + L"\\gpd\\QX1000.gpd").c_str(), (folder + L"\\OM.GPD").c_str(), FALSE) &&
              CopyFileW(BuildPath(L"app\\embedded\\unidrv.dll").c_str(), (folder + L"\\unidrv.dll").c_str(), FALSE);
    if (!ok)
        return false;
    std::wstring name = driver, env = Environment(), path = folder + L"\\OMDRV.DLL", data = folder + L"\\OM.GPD",
                 config = folder + L"\\OMUI.DLL";
    // Dependent files by their bare names, in the driver's own folder.
    std::wstring dependent = L"unidrv.dll";
    dependent.push_back(L'\0');
    dependent.push_back(L'\0');
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = &name[0];
    info.pEnvironment = &env[0];
    info.pDriverPath = &path[0];
    info.pDataFile = &data[0];
    info.pConfigFile = &config[0];
    info.pDependentFiles = &dependent[0];
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&info), APD_COPY_NEW_FILES))
        return false;
    // Windows copies the dependent files into the driver's version folder
    // too; the bench's spooler leaves them out, so the test puts the shared
    // one there itself.
    const std::wstring shared = DriverDirectory() + L"\\3\\unidrv.dll";
    if (!FileExists(shared) && !CopyFileW((folder + L"\\unidrv.dll").c_str(), shared.c_str(), TRUE))
        return false;
    return AddPrinterOnFilePort(printer, driver);
}

bool AddPrinterOnFilePort(const std::wstring& name, const std::wstring& driver)
{
    return wm::AddPrinterOnPort(name, L"FILE:", driver);
}

}  // namespace e2e
