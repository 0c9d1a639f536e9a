#include "install/Removal.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "context/HelperProtocol.h"
#include "context/InstallRecord.h"
#include "context/ProductInfo.h"
#include "install/DeviceRecords.h"
#include "install/DeviceRecordsCore.h"
#include "install/DriverFileStager.h"
#include "install/FilePlan.h"
#include "install/InstallRecordStore.h"
#include "install/Printers.h"
#include "install/ServiceHelper.h"
#include "support/Handle.h"
#include "support/Registry.h"
#include "support/SystemLibrary.h"

namespace {

const REGSAM kReadWrite = KEY_READ | KEY_WRITE;
// How long a driver may stay in use after its printers were deleted (the
// spooler lets go of a printer once its last handle is closed).
const DWORD kDriverInUseWaitMs = 3000;

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring Error(DWORD code)
{
    return L" (system error " + std::to_wstring(code) + L")";
}

struct Printer {
    std::wstring name, driver, port;
};

bool LocalPrinters(std::vector<Printer>& printers)
{
    printers.clear();
    const DWORD flags = PRINTER_ENUM_LOCAL;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD needed = 0, count = 0;
        EnumPrintersW(flags, nullptr, 2, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed + 4);
        if (EnumPrintersW(flags, nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) {
            const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
            for (DWORD i = 0; i < count; ++i)
                printers.push_back({info[i].pPrinterName ? info[i].pPrinterName : L"",
                                    info[i].pDriverName ? info[i].pDriverName : L"",
                                    info[i].pPortName ? info[i].pPortName : L""});
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
    }
    return false;
}

// The files of every driver the spooler lists in `environment`, each as the
// spooler names it (full paths; dependent files may be bare names).
struct DriverFiles {
    std::wstring name;
    DWORD version = 0;
    std::vector<std::wstring> files;
};

bool ListDrivers(const std::wstring& environment, std::vector<DriverFiles>& drivers)
{
    drivers.clear();
    std::wstring env = environment;
    DWORD needed = 0, count = 0;
    // Asked with a buffer from the start: some spoolers refuse a null one
    // outright when they list no driver at all.
    std::vector<BYTE> buffer(256);
    for (int attempt = 0;; ++attempt) {
        if (EnumPrinterDriversW(nullptr, &env[0], 3, buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                                &count))
            break;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || attempt == 3)
            return false;
        buffer.resize(needed + 256);
    }
    const DRIVER_INFO_3W* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        DriverFiles driver;
        driver.name = info[i].pName ? info[i].pName : L"";
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

// Where Windows keeps the driver's package (Vista and later: the INF in its
// driver store); empty when the system keeps none or cannot say.
std::wstring DriverStoreInf(const std::wstring& environment, const std::wstring& driverName)
{
    std::wstring env = environment;
    DWORD needed = 0, count = 0;
    // Level 8 is known from Windows Vista on; older systems refuse it.
    EnumPrinterDriversW(nullptr, &env[0], 8, nullptr, 0, &needed, &count);
    if (needed == 0)
        return std::wstring();
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, &env[0], 8, buffer.data(), needed, &needed, &count))
        return std::wstring();
    const DriverInfo8* info = reinterpret_cast<const DriverInfo8*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pName && SameName(info[i].pName, driverName) && info[i].pszInfPath)
            return info[i].pszInfPath;
    return std::wstring();
}

class Remover {
public:
    Remover(const InstallContext& context, IRemovalReport& report) : m_context(context), m_report(report) {}

    RemovalOutcome Run();

private:
    void RemovePrinters();
    void RemoveDrivers();
    bool RemoveDriver(const RecordedDriver& driver);
    void RemoveFiles();
    void DeleteOneFile(const std::wstring& path);
    void RemoveDeviceRecords();
    void RemoveHelperLeftovers();
    void ChooseNewDefaultPrinter();
    void RemoveProgramCopy();
    void Line(const std::wstring& text) { m_report.Line(text); }

    const InstallContext& m_context;
    IRemovalReport& m_report;
    InstallRecord m_record;
    std::wstring m_defaultBefore;
    bool m_defaultWasOurs = false;
    bool m_incomplete = false;
    bool m_atRestart = false;
    // Files a driver that stays still uses.
    std::vector<std::wstring> m_filesInUse;
    std::vector<std::wstring> m_candidateFiles;
};

RemovalOutcome Remover::Run()
{
    const bool recorded = ReadInstallRecord(m_record);
    if (!recorded && !UninstallEntryExists()) {
        Line(L"Nothing of the Quorvex printer driver is installed here.");
        return RemovalOutcome::NothingInstalled;
    }
    Line(L"Record: " + std::to_wstring(m_record.printers.size()) + L" printers, " +
         std::to_wstring(m_record.drivers.size()) + L" drivers, " + std::to_wstring(m_record.files.size()) +
         L" files, " + std::to_wstring(m_record.classInstances.size()) + L" class instances, " +
         std::to_wstring(m_record.devices.size()) + L" device instances.");

    wchar_t entry[1024] = {0};
    GetProfileStringW(L"windows", L"device", L"", entry, 1024);
    m_defaultBefore = entry;
    m_defaultBefore = m_defaultBefore.substr(0, m_defaultBefore.find(L','));

    RemovePrinters();
    // A removal ended after it deleted our default printer left the default
    // naming a printer that is gone: that one was ours too.
    if (!m_defaultWasOurs && !m_defaultBefore.empty() && m_record.HasPrinterNamed(m_defaultBefore)) {
        std::vector<Printer> printers;
        bool there = false;
        if (LocalPrinters(printers))
            for (const Printer& p : printers)
                there = there || SameName(p.name, m_defaultBefore);
        m_defaultWasOurs = !there;
    }
    RemoveDrivers();
    RemoveHelperLeftovers();
    RemoveDeviceRecords();
    RemoveFiles();
    ChooseNewDefaultPrinter();
    if (m_incomplete) {
        Line(L"The record and the entry in the list of programs stay, so that another removal can finish.");
        return RemovalOutcome::Incomplete;
    }
    const LONG status = DeleteInstallRecordAndEntry();
    if (status != ERROR_SUCCESS) {
        Line(L"Failed: the record or the entry in the list of programs could not be deleted" + Error(status) + L".");
        return RemovalOutcome::Incomplete;
    }
    Line(L"Record and entry in the list of programs deleted.");
    RemoveProgramCopy();
    return m_atRestart ? RemovalOutcome::RemovedAtRestart : RemovalOutcome::Removed;
}

void Remover::RemovePrinters()
{
    std::vector<Printer> printers;
    if (!LocalPrinters(printers)) {
        Line(L"Failed: the printer list could not be read" + Error(GetLastError()) + L".");
        m_incomplete = true;
        return;
    }
    for (const Printer& printer : printers) {
        // Every printer on one of our drivers, whoever made it: the driver
        // cannot go while a printer uses it.
        if (!m_record.HasDriverNamed(printer.driver))
            continue;
        if (SameName(printer.name, m_defaultBefore))
            m_defaultWasOurs = true;
        std::wstring name = printer.name;
        PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        UniquePrinter handle;
        if (!OpenPrinterW(&name[0], handle.Put(), &access)) {
            handle.Release();
            const DWORD error = GetLastError();
            if (error == ERROR_INVALID_PRINTER_NAME)
                continue;  // gone meanwhile
            Line(L"Failed: printer " + Quoted(name) + L" could not be opened" + Error(error) + L".");
            m_incomplete = true;
            continue;
        }
        if (!DeletePrinter(handle.Get())) {
            Line(L"Failed: printer " + Quoted(name) + L" could not be deleted" + Error(GetLastError()) + L".");
            m_incomplete = true;
            continue;
        }
        Line(L"Printer " + Quoted(name) + L" deleted.");
    }
}

void Remover::RemoveDrivers()
{
    for (const RecordedDriver& driver : m_record.drivers)
        if (!RemoveDriver(driver))
            m_incomplete = true;
    // What the drivers that stay use, in every environment we touched.
    std::vector<std::wstring> environments;
    for (const RecordedDriver& driver : m_record.drivers) {
        bool seen = false;
        for (const std::wstring& e : environments)
            seen = seen || SameName(e, driver.environment);
        if (!seen)
            environments.push_back(driver.environment);
    }
    if (environments.empty())
        environments.push_back(m_context.environment);
    for (const std::wstring& environment : environments) {
        std::vector<DriverFiles> remaining;
        if (!ListDrivers(environment, remaining)) {
            // Without the list no file can be known to be unused.
            Line(L"Failed: the drivers of " + environment + L" could not be listed" + Error(GetLastError()) + L".");
            m_incomplete = true;
            return;
        }
        for (const DriverFiles& d : remaining)
            m_filesInUse.insert(m_filesInUse.end(), d.files.begin(), d.files.end());
    }
}

bool Remover::RemoveDriver(const RecordedDriver& driver)
{
    std::vector<DriverFiles> listed;
    ListDrivers(driver.environment, listed);
    bool present = false;
    for (const DriverFiles& d : listed)
        if (SameName(d.name, driver.name) && d.version == driver.version) {
            present = true;
            m_candidateFiles.insert(m_candidateFiles.end(), d.files.begin(), d.files.end());
        }
    if (!present) {
        Line(L"Printer driver " + Quoted(driver.name) + L" (" + driver.environment + L") is not registered.");
        return true;
    }
    const std::wstring package = DriverStoreInf(driver.environment, driver.name);
    std::wstring env = driver.environment, name = driver.name;
    const DWORD flags = DPD_DELETE_UNUSED_FILES | DPD_DELETE_SPECIFIC_VERSION;
    DWORD error = ERROR_SUCCESS;
    bool filesLeft = false;
    const DWORD start = GetTickCount();
    for (;;) {
        if (DeletePrinterDriverExW(nullptr, &env[0], &name[0], flags, driver.version)) {
            error = ERROR_SUCCESS;
            break;
        }
        error = GetLastError();
        if (error == ERROR_INVALID_PARAMETER) {
            // A spooler that does not take the flags removes the record
            // without them; the files are then deleted below, those that no
            // other driver uses.
            filesLeft = true;
            error = DeletePrinterDriverExW(nullptr, &env[0], &name[0], 0, 0) ? ERROR_SUCCESS : GetLastError();
        }
        // Printers deleted a moment ago may hold the driver a little longer.
        if (error != ERROR_PRINTER_DRIVER_IN_USE || GetTickCount() - start >= kDriverInUseWaitMs)
            break;
        Sleep(100);
    }
    if (error == ERROR_UNKNOWN_PRINTER_DRIVER)
        error = ERROR_SUCCESS;  // gone meanwhile
    if (error != ERROR_SUCCESS) {
        Line(L"Failed: printer driver " + Quoted(driver.name) + L" could not be removed" + Error(error) + L".");
        return false;
    }
    Line(L"Printer driver " + Quoted(driver.name) + L" (" + driver.environment + L", version " +
         std::to_wstring(driver.version) + L") removed" + (filesLeft ? L"; its files are deleted below." : L"."));
    if (!package.empty()) {
        // Windows Vista and later keep the driver's package in the driver
        // store; the function is looked up, as older systems lack it.
        using DeletePackage = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);
        const DeletePackage deletePackage =
            LookUpFunction<DeletePackage>(LoadSystemLibrary(L"winspool.drv"), "DeletePrinterDriverPackageW");
        if (deletePackage) {
            const HRESULT result = deletePackage(nullptr, package.c_str(), driver.environment.c_str());
            Line(L"Driver package " + Quoted(package) +
                 (SUCCEEDED(result) ? std::wstring(L" removed from the driver store.")
                                    : L" stays in the driver store (result " + std::to_wstring(result) + L")."));
        }
    }
    return true;
}

void Remover::RemoveHelperLeftovers()
{
    // A run ended before its helper service was removed leaves it, and the
    // hand-off values it would have applied.
    if (!ClearHelperHandOff())
        Line(L"Failed: hand-off values in the printer class key could not be deleted.");
    const std::wstring serviceName = WidenAscii(helper_protocol::kServiceName);
    CServiceHelper service;
    service.SetServiceName(serviceName.c_str());
    if (service.Stop())
        service.WaitUntilStopped();
    if (service.Remove()) {
        service.WaitUntilRemoved();
        Line(L"Helper service " + Quoted(serviceName) + L" left by an ended run removed.");
    } else if (service.LastError() != ERROR_SERVICE_DOES_NOT_EXIST) {
        Line(L"Failed: helper service " + Quoted(serviceName) + L" could not be removed" +
             Error(service.LastError()) + L".");
        m_incomplete = true;
    }
}

void Remover::RemoveDeviceRecords()
{
    CRegistry classKey(HKEY_LOCAL_MACHINE, kReadWrite);
    if (classKey.OpenKey(kPrinterClassKey, FALSE)) {
        for (const std::wstring& instance : m_record.classInstances) {
            const RegStatus status = classKey.DeleteTree(instance);
            if (!status.Gone()) {
                Line(L"Failed: printer class instance " + instance + L" could not be deleted" + Error(status.Code()) +
                     L".");
                m_incomplete = true;
            }
        }
        if (!m_record.classInstances.empty())
            Line(L"Printer class instances deleted: " + std::to_wstring(m_record.classInstances.size()) + L".");
        // The class key's own values went in with its first instance; they
        // go when no instance is left.
        if (m_record.classKeyValues && classKey.ListSubKeys(classKey.GetKey()).empty())
            for (const RegistryValue& value : ClassKeyValues(m_context.classKeyDefaultValue))
                classKey.DeleteValue(value.name);
    }
    for (const RecordedDevice& device : m_record.devices) {
        CRegistry instance(HKEY_LOCAL_MACHINE, kReadWrite);
        const RegStatus opened = instance.OpenKey(device.instanceKey, FALSE);
        if (!opened)
            continue;  // the device is gone, and its records with it
        bool restored = true;
        for (const std::wstring& name : DeviceValueNames()) {
            const SavedValue* saved = nullptr;
            for (const SavedValue& v : device.before)
                if (SameName(v.name, name))
                    saved = &v;
            if (!saved)
                restored = instance.DeleteValue(name).Gone() && restored;
            else if (saved->isNumber)
                restored = static_cast<bool>(instance.WriteDword(name, saved->number)) && restored;
            else
                restored = static_cast<bool>(instance.WriteString(name, saved->text)) && restored;
        }
        if (!restored) {
            Line(L"Failed: the device records of " + device.instanceKey + L" could not be put back.");
            m_incomplete = true;
        }
    }
    if (!m_record.devices.empty())
        Line(L"Device records put back as they were: " + std::to_wstring(m_record.devices.size()) + L" instances.");
}

void Remover::DeleteOneFile(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()))
        return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return;
    // In use (a program or the spooler still has it loaded): deleted when
    // Windows restarts.
    if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        Line(L"File " + path + L" is in use: it is deleted when Windows restarts.");
        m_atRestart = true;
        return;
    }
    Line(L"Failed: file " + path + L" could not be deleted" + Error(error) + L".");
    m_incomplete = true;
}

void Remover::RemoveFiles()
{
    const std::wstring programCopy = JoinPath(ProductFolder(), product::kInstallerFileName);
    std::vector<std::wstring> files = m_record.files;
    // The spooler's copies of our drivers' files, where a spooler that
    // does not take the unused-files flag left them.
    for (const std::wstring& file : m_candidateFiles) {
        bool listed = false;
        for (const std::wstring& f : files)
            listed = listed || SameName(f, file);
        if (!listed && file.find_first_of(L"\\/") != std::wstring::npos)
            files.push_back(file);
    }
    std::size_t deleted = 0, kept = 0;
    for (const std::wstring& file : FilesNoneUses(files, m_filesInUse)) {
        if (SameName(file, programCopy))
            continue;  // last of all
        DeleteOneFile(file);
        ++deleted;
    }
    kept = files.size() - deleted;
    Line(L"Files deleted: " + std::to_wstring(deleted) + L"; kept because another driver uses them or removal "
         L"runs from them: " + std::to_wstring(kept) + L".");
    for (const std::wstring& folder : DeepestFirst(m_record.folders)) {
        if (SameName(folder, ProductFolder()))
            continue;
        // Only an empty folder goes: what someone else put there stays.
        RemoveDirectoryW(folder.c_str());
    }
}

void Remover::ChooseNewDefaultPrinter()
{
    if (!m_defaultWasOurs)
        return;
    if (ProcessIsLocalSystem()) {
        Line(L"Default printer left as it is: this run is the local system account's.");
        return;
    }
    std::vector<Printer> printers;
    if (!LocalPrinters(printers) || printers.empty()) {
        Line(L"No printer is left to be the default printer.");
        return;
    }
    const Printer& next = printers.front();
    if (SetDefaultPrinter(next.name, L"USB", next.port)) {
        SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, 1000, nullptr);
        Line(L"Default printer: " + Quoted(next.name) + L".");
    } else {
        Line(L"Failed: " + Quoted(next.name) + L" could not be made the default printer.");
    }
}

void Remover::RemoveProgramCopy()
{
    const std::wstring folder = ProductFolder();
    const std::wstring copy = JoinPath(folder, product::kInstallerFileName);
    if (DeleteFileW(copy.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND) {
        RemoveDirectoryW(folder.c_str());
        Line(L"Installer copy and its folder deleted.");
        return;
    }
    // A running program's file cannot be deleted: removal started from the
    // list of programs runs from that very copy. It goes once this run has
    // ended (see DeleteProgramCopyAfterExit).
    if (RunningFromProgramCopy())
        Line(L"Installer copy " + copy + L" is running: it and its folder are deleted once this run has ended.");
    else
        DeleteOneFile(copy);
}

}  // namespace

RemovalOutcome RemoveInstallation(const InstallContext& context, IRemovalReport& report)
{
    return Remover(context, report).Run();
}

namespace {

std::wstring ProgramCopy()
{
    return JoinPath(ProductFolder(), product::kInstallerFileName);
}

// Deletes the installer copy when nothing else is left of the removal, at
// the next restart when it cannot be deleted now.
void ParkUntilRestart()
{
    MoveFileExW(ProgramCopy().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(ProductFolder().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool RunningFromProgramCopy()
{
    return SameName(RunningProgramPath(), ProgramCopy());
}

bool DeleteProgramCopyAfterExit()
{
    if (!RunningFromProgramCopy() || GetFileAttributesW(ProgramCopy().c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    // A copy of this program outside our folder waits for this process to
    // end and then deletes the installer copy and the folder. Its own file
    // is held open delete-on-close while it starts, so it disappears when
    // that copy ends: nothing is left behind, and no restart is needed.
    wchar_t temp[MAX_PATH + 1] = {0};
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    const std::wstring cleaner = JoinPath(std::wstring(temp, length && length <= MAX_PATH ? length : 0),
                                          L"QuorvexSetup-cleanup-" + std::to_wstring(GetCurrentProcessId()) + L".exe");
    bool started = false;
    if (length && length <= MAX_PATH && CopyFileW(RunningProgramPath().c_str(), cleaner.c_str(), FALSE)) {
        UniqueFile hold(CreateFileW(cleaner.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (hold.IsValid()) {
            std::wstring commandLine = L"\"" + cleaner + L"\" /cleanup " + std::to_wstring(GetCurrentProcessId());
            STARTUPINFOW startup = {};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION info = {};
            wchar_t system[MAX_PATH] = {0};
            GetSystemFolder(system);
            started = CreateProcessW(cleaner.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                     nullptr, system, &startup, &info) != FALSE;
            if (started) {
                CloseHandle(info.hThread);
                CloseHandle(info.hProcess);
            }
        } else {
            DeleteFileW(cleaner.c_str());
        }
    }
    if (!started)
        ParkUntilRestart();
    return started;
}

void FinishProgramCopyDeletion(unsigned long processId)
{
    // Only after a whole removal (the entry is gone), and only our copy.
    UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (process.IsValid())
        WaitForSingleObject(process.Get(), 60000);
    if (UninstallEntryExists())
        return;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (DeleteFileW(ProgramCopy().c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
            GetLastError() == ERROR_PATH_NOT_FOUND) {
            RemoveDirectoryW(ProductFolder().c_str());
            return;
        }
        Sleep(100);
    }
    ParkUntilRestart();
}
