#include "install/SpoolerLists.h"

#include <winspool.h>

#include "context/InstallRecord.h"

namespace {

// Calls `list(buffer, size, needed, count)` (an Enum... call of the
// spooler) with a buffer that grows until the whole list fits. Asked with a
// buffer from the start: some spoolers refuse a null one outright when the
// list is empty. A list that grows between two calls (a printer added
// meanwhile) is asked for again. False with the system's error.
template <class List>
bool ReadWholeList(List list, std::vector<BYTE>& buffer, DWORD& count, DWORD& error)
{
    buffer.assign(4096, 0);
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD needed = 0;
        count = 0;
        if (list(buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) {
            error = ERROR_SUCCESS;
            return true;
        }
        error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return false;
        const std::size_t next = needed > buffer.size() ? needed + 256 : buffer.size() * 2;
        buffer.assign(next, 0);
    }
    return false;
}

std::wstring Text(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring();
}

// The driver information of level 8 (Windows Vista and later), which the
// headers offer only to programs built for those systems; this program runs
// on Windows 2000 too and asks for it only where the system knows it.
struct DriverInfo8 {
    DWORD cVersion;
    LPWSTR pName;
    LPWSTR pEnvironment;
    LPWSTR pDriverPath;
    LPWSTR pDataFile;
    LPWSTR pConfigFile;
    LPWSTR pHelpFile;
    LPWSTR pDependentFiles;
    LPWSTR pMonitorName;
    LPWSTR pDefaultDataType;
    LPWSTR pszzPreviousNames;
    FILETIME ftDriverDate;
    DWORDLONG dwlDriverVersion;
    LPWSTR pszMfgName;
    LPWSTR pszOEMUrl;
    LPWSTR pszHardwareID;
    LPWSTR pszProvider;
    LPWSTR pszPrintProcessor;
    LPWSTR pszVendorSetup;
    LPWSTR pszzColorProfiles;
    LPWSTR pszInfPath;
    DWORD dwPrinterDriverAttributes;
    LPWSTR pszzCoreDriverDependencies;
    FILETIME ftMinInboxDriverVerDate;
    DWORDLONG dwlMinInboxDriverVerVersion;
};

bool ReadDriverList(const std::wstring& environment, DWORD level, std::vector<BYTE>& buffer, DWORD& count,
                    DWORD& error)
{
    std::wstring env = environment;
    return ReadWholeList(
        [&env, level](LPBYTE data, DWORD size, LPDWORD needed, LPDWORD returned) {
            return EnumPrinterDriversW(nullptr, &env[0], level, data, size, needed, returned) != FALSE;
        },
        buffer, count, error);
}

}  // namespace

bool ListPrinters(DWORD flags, std::vector<ListedPrinter>& printers, DWORD& error)
{
    printers.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    wchar_t localMachine[] = L"";
    if (!ReadWholeList(
            [flags, &localMachine](LPBYTE data, DWORD size, LPDWORD needed, LPDWORD returned) {
                return EnumPrintersW(flags, localMachine, 2, data, size, needed, returned) != FALSE;
            },
            buffer, count, error))
        return false;
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        printers.push_back({Text(info[i].pPrinterName), Text(info[i].pDriverName), Text(info[i].pPortName)});
    return true;
}

bool ListDrivers(const std::wstring& environment, std::vector<ListedDriver>& drivers, DWORD& error)
{
    drivers.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!ReadDriverList(environment, 3, buffer, count, error))
        return false;
    const DRIVER_INFO_3W* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        ListedDriver driver;
        driver.name = Text(info[i].pName);
        driver.version = info[i].cVersion;
        for (const wchar_t* file : {info[i].pDriverPath, info[i].pDataFile, info[i].pConfigFile, info[i].pHelpFile})
            if (file && *file)
                driver.files.push_back(file);
        for (const wchar_t* dependent = info[i].pDependentFiles; dependent && *dependent;
             dependent += wcslen(dependent) + 1)
            driver.files.push_back(dependent);
        drivers.push_back(driver);
    }
    return true;
}

bool ListPorts(std::vector<std::wstring>& ports, DWORD& error)
{
    ports.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!ReadWholeList(
            [](LPBYTE data, DWORD size, LPDWORD needed, LPDWORD returned) {
                return EnumPortsW(nullptr, 1, data, size, needed, returned) != FALSE;
            },
            buffer, count, error))
        return false;
    const PORT_INFO_1W* info = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        ports.push_back(Text(info[i].pName));
    return true;
}

bool DriverStoreInf(const std::wstring& environment, const std::wstring& driverName, std::wstring& infPath,
                    DWORD& error)
{
    infPath.clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!ReadDriverList(environment, 8, buffer, count, error))
        // Systems before Vista do not know the level: they keep no package.
        return error == ERROR_INVALID_LEVEL || error == ERROR_NOT_SUPPORTED;
    const DriverInfo8* info = reinterpret_cast<const DriverInfo8*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pName && SameName(info[i].pName, driverName) && info[i].pszInfPath)
            infPath = info[i].pszInfPath;
    return true;
}
