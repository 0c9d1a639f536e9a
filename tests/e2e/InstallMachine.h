// What the end-to-end installation tests read from, and prepare on, the
// simulated machine: printers and the default printer, the registered
// driver, files, registry keys, services, the stand-in's logs and the
// virtual devices. The test program runs in the same prefix as the
// installer, so it sees exactly what the installer left behind.
#ifndef QV_TESTS_E2E_INSTALLMACHINE_H
#define QV_TESTS_E2E_INSTALLMACHINE_H

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "context/InstallContext.h"
#include "tests/common/WineMachine.h"

namespace e2e {

// The platform as the installer under test sees it: the product's own
// detection and derivation (WOW64, the build's bitness, the installation
// path, the spooler environment, the file set).
const InstallContext& Platform();

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

// ---- driver registration (in the environment of Platform())
struct DriverInfo {
    std::wstring driverPath, dataFile, configFile, helpFile, defaultDataType;
    std::vector<std::wstring> dependentFiles;  // as registered
};
// Level 3 record of the driver of printer `printer` (GetPrinterDriverW).
bool PrinterDriverInfo(const std::wstring& printer, DriverInfo& info);
// Whether EnumPrinterDriversW lists a driver of that name.
bool DriverListed(const std::wstring& name);
// How many drivers of that name the spooler lists.
int DriverEntries(const std::wstring& name);
bool RemoveDriver(const std::wstring& name);

// ---- files
std::wstring DriverDirectory();
std::wstring CommonFilesFolder();
using wm::FileExists;
using wm::DirectoryExists;
using wm::LastWriteTime;
bool SameTime(const FILETIME& a, const FILETIME& b);
using wm::ReadLines;
using wm::ReadText;
std::wstring BaseName(const std::wstring& path);
std::wstring Lower(std::wstring text);

// ---- registry below HKEY_LOCAL_MACHINE
using wm::KeyExists;
using wm::SubKeys;
using wm::ValueNames;
using wm::ValueExists;
using wm::GetString;
using wm::GetDword;
using wm::SetDword;
using wm::DeleteValue;
using wm::DeleteKeyTree;

using wm::ServiceExists;

// ---- programs
using wm::QvDevice;

// ---- the whole machine, for "nothing left behind"
// Every registry value below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER
// ("HKLM\\key\\:name" -> "type:data in hex", a key without values as
// "HKLM\\key\\" -> ""), and every file and folder under the Windows folder
// and the program-files folders ("path" -> its size, "<dir>" for a folder).
using Snapshot = std::map<std::wstring, std::wstring>;
Snapshot MachineSnapshot();
// The entries that differ: "+ entry", "- entry" or "~ entry", each with its
// data; those that a rule of `allowed` (a prefix of the entry, ASCII case
// ignored) covers are left out.
std::vector<std::string> SnapshotDifferences(const Snapshot& before, const Snapshot& after,
                                             const std::vector<std::wstring>& allowed);

// A printer on `driver` on "FILE:", as someone would make one by hand.
bool AddPrinterOnFilePort(const std::wstring& name, const std::wstring& driver);
// Another maker's driver (its own files and the shared core file unidrv.dll)
// and a printer on it on "FILE:".
bool AddOtherMakersPrinter(const std::wstring& printer, const std::wstring& driver);

// ---- timing
double NowMs();

}  // namespace e2e

#endif
