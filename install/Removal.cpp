#include "install/Removal.h"

#include <windows.h>
#include <winspool.h>

#include <map>
#include <vector>

#include "context/HelperProtocol.h"
#include "context/InstallRecord.h"
#include "context/ProductInfo.h"
#include "install/DeviceRecords.h"
#include "install/DeviceRecordsCore.h"
#include "install/FilePlan.h"
#include "install/InstallRecordStore.h"
#include "install/LocalPorts.h"
#include "install/Printers.h"
#include "install/ProgramCopy.h"
#include "install/ServiceHelper.h"
#include "install/SpoolerLists.h"
#include "install/TcpIpPort.h"
#include "support/ErrorText.h"
#include "support/Handle.h"
#include "support/Registry.h"
#include "support/Security.h"
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
    return SystemErrorText(code);
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name)
{
    for (const std::wstring& n : names)
        if (SameName(n, name))
            return true;
    return false;
}

// The part of `record` that is `model`'s alone: its printers and drivers,
// the files our runs made that no other model of the record uses, its class
// instances, the devices no other model's runs recorded, the folders (only
// the empty ones go), and the model itself.
InstallRecord ModelPart(const InstallRecord& record, const RecordedModel& model)
{
    InstallRecord part;
    for (const RecordedPrinter& printer : record.printers)
        if (SameName(printer.driver, model.driverName))
            part.AddRecordedPrinter(printer);
    for (const RecordedDriver& driver : record.drivers)
        if (SameName(driver.name, model.driverName))
            part.AddDriver(driver);
    for (const std::wstring& file : record.files) {
        bool others = false;
        for (const RecordedModel& m : record.models)
            others = others || (&m != &model && Contains(m.files, file));
        if (Contains(model.files, file) && !others)
            part.AddFile(file);
    }
    part.folders = record.folders;
    for (const RecordedClassInstance& instance : record.classInstances)
        if (Contains(model.classInstances, instance.name))
            part.AddClassInstance(instance);
    for (const RecordedDevice& device : record.devices) {
        bool others = false;
        for (const RecordedModel& m : record.models)
            others = others || (&m != &model && Contains(m.devices, device.instanceKey));
        if (Contains(model.devices, device.instanceKey) && !others)
            part.AddDevice(device);
    }
    for (const RecordedPort& port : record.ports) {
        bool others = false;
        for (const RecordedModel& m : record.models)
            others = others || (&m != &model && Contains(m.ports, port.name));
        if (Contains(model.ports, port.name) && !others)
            part.AddRecordedPort(port);
    }
    part.models.push_back(model);
    return part;
}

class Remover {
public:
    Remover(const InstallContext& context, IRemovalReport& report, const RunningProgramFile& program,
            const std::wstring& model)
        : m_context(context), m_report(report), m_program(program), m_modelName(model)
    {
    }

    RemovalOutcome Run();

private:
    bool LookFirst();
    void RemovePrinters();
    // The ports our runs made, once no printer is left on them.
    void RemovePorts();
    void RemoveDrivers();
    bool RemoveDriver(const RecordedDriver& driver);
    void RemoveFiles();
    void DeleteOneFile(const std::wstring& path);
    void RemoveClassRecords(std::vector<std::wstring>& ourInstances);
    void RemoveDeviceRecords(const std::vector<std::wstring>& ourInstances);
    void RemoveHelperLeftovers();
    void ChooseNewDefaultPrinter();
    void RemoveProgramCopy();
    // Whether class instance `key` (opened) still says it is the one our
    // run made: a driver of ours, the device id it was made for.
    bool StillOurs(CRegistry& key, const RecordedClassInstance& recorded) const;
    void Failed(const std::wstring& what)
    {
        Line(L"Failed: " + what + L".");
        m_incomplete = true;
    }
    void Line(const std::wstring& text) { m_report.Line(text); }

    const InstallContext& m_context;
    IRemovalReport& m_report;
    const RunningProgramFile& m_program;
    // The model to remove alone; empty for everything.
    const std::wstring m_modelName;
    // Only that model's part of the record is removed: the others, the
    // helper, the entry and the installer copy stay.
    bool m_scoped = false;
    InstallRecord m_record;
    std::wstring m_defaultBefore;
    bool m_defaultWasOurs = false;
    bool m_incomplete = false;
    bool m_atRestart = false;
    // What the spooler listed before anything was removed.
    std::vector<ListedPrinter> m_printers;
    std::vector<std::wstring> m_environments;
    std::map<std::wstring, std::vector<ListedDriver>> m_drivers;
};

RemovalOutcome Remover::Run()
{
    const RegStatus read = ReadInstallRecord(m_record);
    if (!read && !read.NotFound()) {
        Line(L"Failed: the record of what was installed could not be read" + Error(read.Code()) +
             L". Nothing was removed.");
        return RemovalOutcome::Incomplete;
    }
    if (read.NotFound() && !UninstallEntryExists()) {
        Line(L"Nothing of the Quorvex printer driver is installed here.");
        return RemovalOutcome::NothingInstalled;
    }
    if (!m_modelName.empty()) {
        const RecordedModel* model = m_record.FindModel(m_modelName);
        if (!model) {
            std::wstring installed;
            for (const RecordedModel& m : m_record.models)
                installed += (installed.empty() ? L"" : L", ") + m.infBaseName;
            Line(L"The model " + Quoted(m_modelName) + L" is not installed here" +
                 (m_record.models.empty()
                      ? std::wstring(L" as a model of its own (the installation keeps no record per model: "
                                     L"remove it whole with /uninstall)")
                      : L"; installed: " + installed) +
                 L". Nothing was removed.");
            return RemovalOutcome::NothingInstalled;
        }
        if (m_record.models.size() > 1) {
            std::wstring others;
            for (const RecordedModel& m : m_record.models)
                if (&m != model)
                    others += (others.empty() ? L"" : L", ") + m.infBaseName;
            Line(L"Removing the model " + model->infBaseName + L" alone; the other models stay: " + others + L".");
            m_record = ModelPart(m_record, *model);
            m_scoped = true;
        } else {
            Line(L"Removing the model " + model->infBaseName + L", the last one installed: everything goes.");
        }
    }
    Line(L"Record: " + std::to_wstring(m_record.printers.size()) + L" printers, " +
         std::to_wstring(m_record.drivers.size()) + L" drivers, " + std::to_wstring(m_record.files.size()) +
         L" files, " + std::to_wstring(m_record.classInstances.size()) + L" class instances, " +
         std::to_wstring(m_record.devices.size()) + L" device instances" +
         (m_record.ports.empty() ? std::wstring() : L", " + std::to_wstring(m_record.ports.size()) + L" ports") + L".");

    // Nothing is deleted on what a list that could not be read would have
    // said: a file another driver uses, a key that only looks gone.
    if (!LookFirst()) {
        Line(L"Nothing was removed. The record and the entry in the list of programs stay, so that another "
             L"removal can finish.");
        return RemovalOutcome::Incomplete;
    }

    wchar_t entry[1024] = {0};
    GetProfileStringW(L"windows", L"device", L"", entry, 1024);
    m_defaultBefore = entry;
    m_defaultBefore = m_defaultBefore.substr(0, m_defaultBefore.find(L','));

    RemovePrinters();
    // A removal ended after it deleted our default printer left the default
    // naming a printer that is gone: that one was ours too.
    if (!m_defaultWasOurs && !m_defaultBefore.empty() && m_record.HasPrinterNamed(m_defaultBefore)) {
        bool there = false;
        for (const ListedPrinter& p : m_printers)
            there = there || SameName(p.name, m_defaultBefore);
        m_defaultWasOurs = !there;
    }
    RemovePorts();
    RemoveDrivers();
    if (!m_scoped)
        RemoveHelperLeftovers();
    std::vector<std::wstring> ourInstances;
    RemoveClassRecords(ourInstances);
    RemoveDeviceRecords(ourInstances);
    RemoveFiles();
    ChooseNewDefaultPrinter();
    if (m_incomplete) {
        Line(L"The record and the entry in the list of programs stay, so that another removal can finish.");
        return RemovalOutcome::Incomplete;
    }
    if (m_scoped) {
        // Out of the record goes what was this model's, and the folders
        // that went with it; the rest stays, with the entry.
        InstallRecord gone = m_record;
        gone.folders.clear();
        for (const std::wstring& folder : m_record.folders)
            if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
                gone.folders.push_back(folder);
        const LONG forgotten = RemoveFromInstallRecord(gone);
        if (forgotten != ERROR_SUCCESS) {
            Line(L"Failed: the model could not be taken out of the record" + Error(forgotten) + L".");
            return RemovalOutcome::Incomplete;
        }
        Line(L"The model " + m_record.models.front().infBaseName +
             L" is taken out of the record; the entry in the list of programs stays for the other models.");
        return m_atRestart ? RemovalOutcome::RemovedAtRestart : RemovalOutcome::Removed;
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

bool Remover::LookFirst()
{
    bool whole = true;
    DWORD error = ERROR_SUCCESS;
    if (!ListPrinters(PRINTER_ENUM_LOCAL, m_printers, error)) {
        Line(L"Failed: the printer list could not be read" + Error(error) + L".");
        whole = false;
    }
    // The drivers in every environment we registered one in.
    for (const RecordedDriver& driver : m_record.drivers) {
        bool seen = false;
        for (const std::wstring& e : m_environments)
            seen = seen || SameName(e, driver.environment);
        if (!seen)
            m_environments.push_back(driver.environment);
    }
    if (m_environments.empty())
        m_environments.push_back(m_context.environment);
    for (const std::wstring& environment : m_environments) {
        std::vector<ListedDriver>& drivers = m_drivers[environment];
        if (!ListDrivers(environment, drivers, error)) {
            Line(L"Failed: the printer drivers of " + environment + L" could not be listed" + Error(error) + L".");
            whole = false;
        }
    }
    // The keys removal writes to or deletes from: gone is gone, but a key
    // that is there and cannot be opened is no key to pass over.
    if (!m_record.classInstances.empty() || !m_record.classKeyValues.empty()) {
        CRegistry classKey(HKEY_LOCAL_MACHINE, kReadWrite);
        const RegStatus opened = classKey.OpenKey(kPrinterClassKey, FALSE);
        if (!opened && !opened.NotFound()) {
            Line(L"Failed: the printer class key could not be opened" + Error(opened.Code()) + L".");
            whole = false;
        }
    }
    for (const RecordedDevice& device : m_record.devices) {
        CRegistry instance(HKEY_LOCAL_MACHINE, kReadWrite);
        const RegStatus opened = instance.OpenKey(device.instanceKey, FALSE);
        if (!opened && !opened.NotFound()) {
            Line(L"Failed: the device key " + device.instanceKey + L" could not be opened" + Error(opened.Code()) +
                 L".");
            whole = false;
        }
    }
    return whole;
}

void Remover::RemovePrinters()
{
    for (const ListedPrinter& printer : m_printers) {
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
            Failed(L"printer " + Quoted(name) + L" could not be opened" + Error(error));
            continue;
        }
        if (!DeletePrinter(handle.Get())) {
            Failed(L"printer " + Quoted(name) + L" could not be deleted" + Error(GetLastError()));
            continue;
        }
        Line(L"Printer " + Quoted(name) + L" deleted.");
    }
}

void Remover::RemovePorts()
{
    for (const RecordedPort& port : m_record.ports) {
        // A printer that stays (another maker's, or another model's of
        // ours) keeps its port.
        std::wstring user;
        for (const ListedPrinter& printer : m_printers)
            if (SameName(printer.port, port.name) && !m_record.HasDriverNamed(printer.driver))
                user = printer.name;
        if (!user.empty()) {
            Line(L"Port " + port.name + L" kept: printer " + Quoted(user) + L" uses it.");
            continue;
        }
        if (port.kind == L"NET") {
            TcpIpPortSettings now;
            if (!ReadTcpIpPort(port.name, now))
                continue;  // gone, or no longer a Standard TCP/IP port: not ours
            if (!SameName(now.host, port.host) || now.portNumber != port.number) {
                Line(L"Port " + port.name + L" kept: it leads to " + now.host + L":" + std::to_wstring(now.portNumber) +
                     L" now, not to the address it was made for.");
                continue;
            }
            unsigned long error = 0;
            if (!DeleteTcpIpPort(port.name, error)) {
                Failed(L"port " + port.name + L" could not be deleted" + Error(error));
                continue;
            }
        } else if (port.kind == L"COM") {
            bool listed = false;
            DWORD error = 0;
            if (!SpoolerHasPort(port.name, listed, error)) {
                Failed(L"the spooler's ports could not be listed" + Error(error));
                continue;
            }
            if (!listed)
                continue;
            if (!DeleteLocalPort(port.name, error)) {
                Failed(L"port " + port.name + L" could not be deleted" + Error(error));
                continue;
            }
        } else {
            continue;
        }
        Line(L"Port " + port.name + L" deleted.");
    }
}

void Remover::RemoveDrivers()
{
    for (const RecordedDriver& driver : m_record.drivers)
        if (!RemoveDriver(driver))
            m_incomplete = true;
}

bool Remover::RemoveDriver(const RecordedDriver& driver)
{
    bool present = false;
    for (const std::wstring& environment : m_environments)
        if (SameName(environment, driver.environment))
            for (const ListedDriver& d : m_drivers[environment])
                present = present || (SameName(d.name, driver.name) && d.version == driver.version);
    if (!present) {
        Line(L"Printer driver " + Quoted(driver.name) + L" (" + driver.environment + L") is not registered.");
        return true;
    }
    std::wstring package;
    DWORD listError = ERROR_SUCCESS;
    if (!DriverStoreInf(driver.environment, driver.name, package, listError))
        Line(L"The driver store of " + driver.environment + L" could not be asked for the package of " +
             Quoted(driver.name) + Error(listError) + L"; it stays there.");
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
            // without them; the files our runs made are deleted below, those
            // that no other driver uses.
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
        Failed(L"hand-off values in the printer class key could not be deleted");
    const std::wstring serviceName = WidenAscii(helper_protocol::kServiceName);
    CServiceHelper service;
    service.SetServiceName(serviceName.c_str());
    if (service.Stop())
        service.WaitUntilStopped();
    if (service.Remove()) {
        service.WaitUntilRemoved();
        Line(L"Helper service " + Quoted(serviceName) + L" left by an ended run removed.");
    } else if (service.LastError() != ERROR_SERVICE_DOES_NOT_EXIST) {
        Failed(L"helper service " + Quoted(serviceName) + L" could not be removed" + Error(service.LastError()));
    }
}

bool Remover::StillOurs(CRegistry& key, const RecordedClassInstance& recorded) const
{
    std::wstring driverDesc, matchingId;
    key.ReadString(L"DriverDesc", driverDesc);
    key.ReadString(L"MatchingDeviceId", matchingId);
    return m_record.HasDriverNamed(driverDesc) &&
           (recorded.matchingDeviceId.empty() || SameName(matchingId, recorded.matchingDeviceId));
}

void Remover::RemoveClassRecords(std::vector<std::wstring>& ourInstances)
{
    if (m_record.classInstances.empty() && m_record.classKeyValues.empty())
        return;
    CRegistry classKey(HKEY_LOCAL_MACHINE, kReadWrite);
    const RegStatus opened = classKey.OpenKey(kPrinterClassKey, FALSE);
    if (!opened) {
        if (!opened.NotFound())
            Failed(L"the printer class key could not be opened" + Error(opened.Code()));
        return;
    }
    std::size_t deleted = 0;
    for (const RecordedClassInstance& recorded : m_record.classInstances) {
        CRegistry instance(HKEY_LOCAL_MACHINE, KEY_READ);
        const RegStatus found = instance.OpenSubKey(classKey.GetKey(), recorded.name, KEY_READ, FALSE);
        if (found.NotFound()) {
            ourInstances.push_back(recorded.name);  // gone already: no one else's either
            continue;
        }
        if (!found) {
            Failed(L"printer class instance " + recorded.name + L" could not be opened" + Error(found.Code()));
            continue;
        }
        // A number of ours that another driver's instance has taken since
        // ours went is that driver's.
        if (!StillOurs(instance, recorded)) {
            Line(L"Printer class instance " + recorded.name + L" belongs to another driver now: it is left as it is.");
            continue;
        }
        instance.CloseKey();
        const RegStatus status = classKey.DeleteTree(recorded.name);
        if (!status.Gone()) {
            Failed(L"printer class instance " + recorded.name + L" could not be deleted" + Error(status.Code()));
            continue;
        }
        ourInstances.push_back(recorded.name);
        ++deleted;
    }
    if (!m_record.classInstances.empty())
        Line(L"Printer class instances deleted: " + std::to_wstring(deleted) + L".");
    // The class key's own values that our runs added, while no instance of
    // anyone's is left and each still holds what we wrote.
    if (m_record.classKeyValues.empty() || !classKey.ListSubKeys(classKey.GetKey()).empty())
        return;
    std::size_t removedValues = 0;
    for (const SavedValue& value : m_record.classKeyValues) {
        std::wstring text;
        if (!classKey.ReadString(value.name, text) || text != value.text)
            continue;
        const RegStatus status = classKey.DeleteValue(value.name);
        if (!status.Gone())
            Failed(L"the printer class key's value " + Quoted(value.name) + L" could not be deleted" +
                   Error(status.Code()));
        else
            ++removedValues;
    }
    Line(L"Values of the printer class key that the installation added deleted: " + std::to_wstring(removedValues) +
         L".");
}

void Remover::RemoveDeviceRecords(const std::vector<std::wstring>& ourInstances)
{
    std::size_t restored = 0;
    for (const RecordedDevice& device : m_record.devices) {
        CRegistry instance(HKEY_LOCAL_MACHINE, kReadWrite);
        const RegStatus opened = instance.OpenKey(device.instanceKey, FALSE);
        if (opened.NotFound())
            continue;  // the device is gone, and its records with it
        if (!opened) {
            Failed(L"the device key " + device.instanceKey + L" could not be opened" + Error(opened.Code()));
            continue;
        }
        // Still tied to a class instance of ours: a device set up anew
        // since (Windows' own driver, another maker's) keeps what it has.
        std::wstring driver;
        instance.ReadString(L"Driver", driver);
        bool ours = false;
        for (const std::wstring& name : ourInstances)
            ours = ours || SameName(driver, std::wstring(kPrinterClassGuid) + L"\\" + name);
        if (!ours) {
            Line(L"Device " + device.instanceKey + L" was set up anew since: its values are left as they are.");
            continue;
        }
        bool put = true;
        for (const std::wstring& name : DeviceValueNames()) {
            const SavedValue* saved = nullptr;
            for (const SavedValue& v : device.before)
                if (SameName(v.name, name))
                    saved = &v;
            if (!saved)
                put = instance.DeleteValue(name).Gone() && put;
            else if (saved->isNumber)
                put = static_cast<bool>(instance.WriteDword(name, saved->number)) && put;
            else
                put = static_cast<bool>(instance.WriteString(name, saved->text)) && put;
        }
        if (!put)
            Failed(L"the device records of " + device.instanceKey + L" could not be put back");
        else
            ++restored;
    }
    if (!m_record.devices.empty())
        Line(L"Device records put back as they were: " + std::to_wstring(restored) + L" instances.");
}

void Remover::DeleteOneFile(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()))
        return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return;
    // In use (a program or the spooler still has it loaded): deleted when
    // Windows restarts, unless an installation before then writes it anew.
    if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        Line(L"File " + path + L" is in use: it is deleted when Windows restarts.");
        m_atRestart = true;
        return;
    }
    Failed(L"file " + path + L" could not be deleted" + Error(error));
}

void Remover::RemoveFiles()
{
    // What the drivers that stay use, in every environment we touched, as
    // the spooler says now that ours are gone. Without that list no file can
    // be known to be unused: none is deleted.
    std::vector<std::wstring> inUse;
    for (const std::wstring& environment : m_environments) {
        std::vector<ListedDriver> remaining;
        DWORD error = ERROR_SUCCESS;
        if (!ListDrivers(environment, remaining, error)) {
            Failed(L"the printer drivers of " + environment + L" could not be listed" + Error(error) +
                   L", so no file is deleted");
            return;
        }
        for (const ListedDriver& d : remaining)
            inUse.insert(inUse.end(), d.files.begin(), d.files.end());
    }
    const std::wstring programCopy = ProgramCopyPath();
    std::size_t deleted = 0;
    for (const std::wstring& file : FilesNoneUses(m_record.files, inUse)) {
        if (SameName(file, programCopy))
            continue;  // last of all
        DeleteOneFile(file);
        ++deleted;
    }
    const std::size_t kept = m_record.files.size() - deleted;
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
    if (ProcessIsLocalSystemAccount()) {
        Line(L"Default printer left as it is: this run is the local system account's.");
        return;
    }
    std::vector<ListedPrinter> printers;
    DWORD error = ERROR_SUCCESS;
    if (!ListPrinters(PRINTER_ENUM_LOCAL, printers, error) || printers.empty()) {
        Line(L"No printer is left to be the default printer.");
        return;
    }
    const ListedPrinter& next = printers.front();
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
    const std::wstring copy = ProgramCopyPath();
    if (DeleteFileW(copy.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND) {
        RemoveDirectoryW(folder.c_str());
        Line(L"Installer copy and its folder deleted.");
        return;
    }
    // A running program's file cannot be deleted: removal started from the
    // list of programs runs from that very copy. It goes once this run has
    // ended (see StartProgramCopyCleanup).
    if (RunningFromProgramCopy(m_program))
        Line(L"Installer copy " + copy + L" is running: it and its folder are deleted once this run has ended.");
    else
        DeleteOneFile(copy);
}

}  // namespace

RemovalOutcome RemoveInstallation(const InstallContext& context, IRemovalReport& report,
                                  const RunningProgramFile& program, const std::wstring& model)
{
    return Remover(context, report, program, model).Run();
}
