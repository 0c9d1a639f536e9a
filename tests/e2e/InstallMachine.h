// What the end-to-end installation tests read from, and prepare on, the
// simulated machine: printers and the default printer, the registered
// driver, files, registry keys, services, the stand-in's logs and the
// virtual devices. The test program runs in the same prefix as the
// installer, so it sees exactly what the installer left behind.
#ifndef QV_TESTS_E2E_INSTALLMACHINE_H
#define QV_TESTS_E2E_INSTALLMACHINE_H

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// ---- printers
std::vector<std::wstring> PrinterNames();
bool HasPrinter(const std::wstring& name);
// The port and driver of a printer; false when it cannot be opened.
bool PrinterPortAndDriver(const std::wstring& name, std::wstring& port, std::wstring& driver);
// Deletes every printer whose name starts with `prefix` (a clean slate for
// tests that expect exact names).
void DeletePrintersStartingWith(const std::wstring& prefix);
// Orientation and paper size of the printer's default device mode; false
// when the printer cannot be read or has no device mode.
bool PrinterDefaultPage(const std::wstring& name, short& orientation, short& paperSize);
std::wstring DefaultPrinterName();
// The "device" entry of the profile section "windows".
std::wstring DefaultDeviceEntry();
void SetDefaultDeviceEntry(const std::wstring& entry);

// ---- driver registration (environment "Windows NT x86")
struct DriverInfo {
    std::wstring driverPath, dataFile, configFile, helpFile, defaultDataType;
    std::vector<std::wstring> dependentFiles;  // as registered
};
// Level 3 record of the driver of printer `printer` (GetPrinterDriverW).
bool PrinterDriverInfo(const std::wstring& printer, DriverInfo& info);
// Whether EnumPrinterDriversW lists a driver of that name.
bool DriverListed(const std::wstring& name);
bool RemoveDriver(const std::wstring& name);

// ---- files
std::wstring DriverDirectory();
std::wstring CommonFilesFolder();
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
FILETIME LastWriteTime(const std::wstring& path);
bool SameTime(const FILETIME& a, const FILETIME& b);
// A whole UTF-8 file as lines without their line ends; empty when missing.
std::vector<std::string> ReadLines(const std::wstring& path);
std::string ReadText(const std::wstring& path);
std::wstring BaseName(const std::wstring& path);
std::wstring Lower(std::wstring text);

// ---- registry below HKEY_LOCAL_MACHINE
bool KeyExists(const std::wstring& path);
std::vector<std::wstring> SubKeys(const std::wstring& path);
std::vector<std::wstring> ValueNames(const std::wstring& path);
bool ValueExists(const std::wstring& path, const std::wstring& name);
// The value's text and type; false when it is missing or not a string.
bool GetString(const std::wstring& path, const std::wstring& name, std::wstring& text, DWORD* type = nullptr);
bool GetDword(const std::wstring& path, const std::wstring& name, DWORD& value);
bool SetDword(const std::wstring& path, const std::wstring& name, DWORD value);
bool DeleteValue(const std::wstring& path, const std::wstring& name);
void DeleteKeyTree(const std::wstring& path);

// ---- services
bool ServiceExists(const std::wstring& name);

// ---- programs
// Runs `commandLine`, waits up to `timeoutMs`; the exit code, or -1.
int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs = 60000);
// The virtual-device tool of the build (see sim/README.md).
int QvDevice(const std::wstring& arguments);

// ---- timing
double NowMs();

}  // namespace e2e

#endif
