#include "tests/e2e/InstallMachine.h"

#include <shlobj.h>
#include <winspool.h>

#include <cwchar>

#include "app/PlatformDetection.h"

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

}  // namespace e2e
