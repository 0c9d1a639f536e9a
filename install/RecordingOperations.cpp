#include "install/RecordingOperations.h"

#include <windows.h>

#include <vector>

#include "context/HelperProtocol.h"
#include "install/DeviceDetection.h"
#include "install/DeviceRecordsCore.h"
#include "install/DriverFileStager.h"
#include "install/FilePlan.h"
#include "install/InstallRecordStore.h"
#include "install/InstalledVersions.h"
#include "install/PendingDeletions.h"
#include "install/SpoolerLists.h"
#include "install/UsbDetection.h"
#include "support/ErrorText.h"
#include "support/Handle.h"
#include "support/Registry.h"

namespace {

// A path as Windows compares it (ASCII letters regardless of case), for the
// sets of what was there before.
std::wstring Folded(std::wstring path)
{
    for (wchar_t& c : path)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return path;
}

// Adds every file and folder below `folder` to `contents`, as folded full
// paths.
void ListTree(const std::wstring& folder, std::set<std::wstring>& contents, int depth)
{
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(JoinPath(folder, L"*").c_str(), &data));
    if (!find.IsValid())
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = JoinPath(folder, name);
        contents.insert(Folded(path));
        // Folders are followed, never a link to somewhere else.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            depth > 0)
            ListTree(path, contents, depth - 1);
    } while (FindNextFileW(find.Get(), &data));
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether `path` lies below `folder`.
bool Below(const std::wstring& path, const std::wstring& folder)
{
    return !folder.empty() && path.size() > folder.size() + 1 && path[folder.size()] == L'\\' &&
           SameName(path.substr(0, folder.size()), folder);
}

// The six values of instance key `path` that are there.
RecordedDevice DeviceAsItIs(const std::wstring& path)
{
    RecordedDevice device;
    device.instanceKey = path;
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!reg.OpenKey(path, FALSE))
        return device;
    for (const std::wstring& name : DeviceValueNames()) {
        SavedValue value;
        value.name = name;
        DWORD number = 0;
        if (reg.ReadDword(name, number)) {
            value.isNumber = true;
            value.number = number;
            device.before.push_back(value);
        } else if (reg.ReadString(name, value.text)) {
            device.before.push_back(value);
        }
    }
    return device;
}

// The instance keys below device key `devicePath`.
std::vector<std::wstring> InstancesOf(const std::wstring& devicePath)
{
    std::vector<std::wstring> instances;
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (reg.OpenKey(devicePath, FALSE))
        for (const std::wstring& name : reg.ListSubKeys(reg.GetKey()))
            instances.push_back(devicePath + L"\\" + name);
    return instances;
}

// The printer class key as it is: its instance keys and its own values'
// names.
struct ClassKeyState {
    std::vector<std::wstring> instances;
    std::vector<std::wstring> valueNames;
};

ClassKeyState ClassKeyNow()
{
    ClassKeyState state;
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (reg.OpenKey(kPrinterClassKey, FALSE)) {
        state.instances = reg.ListSubKeys(reg.GetKey());
        state.valueNames = reg.ListValueNames(reg.GetKey());
    }
    return state;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name)
{
    for (const std::wstring& n : names)
        if (SameName(n, name))
            return true;
    return false;
}

}  // namespace

RecordingOperations::RecordingOperations(IInstallOperations& operations, const InstallContext& context)
    : m_ops(operations), m_context(context)
{
}

bool RecordingOperations::Record(const InstallRecord& additions, const std::wstring& what)
{
    if (additions.Empty() || AddToInstallRecord(additions))
        return true;
    if (m_recordProblem.empty())
        m_recordProblem = L"the record of " + what + L" could not be written";
    return false;
}

void RecordingOperations::KeepAfterRestart(const std::vector<std::wstring>& paths)
{
    if (!CancelPendingDeletions(paths) && m_recordProblem.empty())
        m_recordProblem = L"an earlier removal's deletion at the next restart could not be cancelled";
}

std::set<std::wstring> RecordingOperations::DriverFolderContents()
{
    if (m_driverDirectory.empty())
        m_driverDirectory = GetDriverDirectory(m_context.environment);
    std::set<std::wstring> contents;
    // The driver folder, its file-set subfolders and the spooler's version
    // folders below it.
    if (!m_driverDirectory.empty())
        ListTree(m_driverDirectory, contents, 2);
    return contents;
}

RecordedModel RecordingOperations::ModelEntry(const PrinterModel& model)
{
    RecordedModel entry;
    entry.infBaseName = model.infBaseName;
    entry.displayName = model.displayName;
    entry.driverName = model.driverName;
    return entry;
}

void RecordingOperations::RecordStaged(const PrinterModel& model)
{
    const StagedPaths staged = m_ops.LastStaged();
    InstallRecord additions;
    for (const std::wstring& folder : staged.createdFolders)
        additions.AddFolder(folder);
    for (const std::wstring& file : staged.createdFiles)
        additions.AddFile(file);
    // The model uses every file the staging wrote for it, created or found.
    RecordedModel entry = ModelEntry(model);
    entry.files = staged.targets;
    additions.AddModel(entry);
    Record(additions, L"the staged driver files");
    std::vector<std::wstring> kept = staged.targets;
    kept.insert(kept.end(), staged.createdFolders.begin(), staged.createdFolders.end());
    KeepAfterRestart(kept);
}

void RecordingOperations::RecordDriver(const PrinterModel& model, const std::set<std::wstring>& before)
{
    const std::wstring& driverName = model.driverName;
    std::vector<ListedDriver> drivers;
    DWORD error = ERROR_SUCCESS;
    if (!ListDrivers(m_context.environment, drivers, error)) {
        if (m_recordProblem.empty())
            m_recordProblem = L"the spooler's drivers could not be listed" + SystemErrorText(error) +
                              L", so the driver's files are not recorded";
        return;
    }
    InstallRecord additions;
    std::vector<std::wstring> paths;
    for (const ListedDriver& driver : drivers) {
        if (!SameName(driver.name, driverName))
            continue;
        RecordedDriver recorded;
        recorded.name = driverName;
        recorded.environment = m_context.environment;
        recorded.version = driver.version;
        additions.AddDriver(recorded);
        // Dependent files may be named bare: they are in the driver's folder.
        const std::wstring folder = driver.files.empty() ? std::wstring() : ModuleFolderOf(driver.files.front());
        for (const std::wstring& file : driver.files) {
            const std::wstring path = file.find(L'\\') == std::wstring::npos ? JoinPath(folder, file) : file;
            // Only in the spooler's folders, and only what our call brought.
            if (!Below(path, m_driverDirectory))
                continue;
            paths.push_back(path);
            if (before.count(Folded(path)))
                continue;
            additions.AddFile(path);
            const std::wstring parent = ModuleFolderOf(path);
            if (Below(parent, m_driverDirectory) && !before.count(Folded(parent)))
                additions.AddFolder(parent);
        }
    }
    RecordedModel entry = ModelEntry(model);
    entry.files = paths;
    additions.AddModel(entry);
    Record(additions, L"the printer driver " + driverName + L" and its files");
    KeepAfterRestart(paths);
}

InstallResult RecordingOperations::DetectUsbPrinterPort(const std::wstring& deviceKeyName, std::wstring& description,
                                                        std::wstring& port)
{
    return m_ops.DetectUsbPrinterPort(deviceKeyName, description, port);
}

bool RecordingOperations::EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode)
{
    return m_ops.EnumeratePrinterNames(names, errorCode);
}

bool RecordingOperations::StageDriverFiles(const PrinterModel& model)
{
    const bool staged = m_ops.StageDriverFiles(model);
    RecordStaged(model);
    return staged;
}

bool RecordingOperations::StageInfAndCatalog(const PrinterModel& model)
{
    const bool staged = m_ops.StageInfAndCatalog(model);
    RecordStaged(model);
    return staged;
}

bool RecordingOperations::RegisterPrinterDriver(const PrinterModel& model)
{
    const std::set<std::wstring> before = DriverFolderContents();
    const bool registered = m_ops.RegisterPrinterDriver(model);
    if (registered)
        RecordDriver(model, before);
    return registered;
}

bool RecordingOperations::UpdatePrinterDriver(const PrinterModel& model)
{
    const std::set<std::wstring> before = DriverFolderContents();
    const bool updated = m_ops.UpdatePrinterDriver(model);
    // What the spooler has for the driver now, whether or not it reported
    // a failure afterwards.
    RecordDriver(model, before);
    return updated;
}

bool RecordingOperations::AddPrinterDirect(const std::wstring& printerName, const std::wstring& port,
                                           const std::wstring& driverName)
{
    const bool added = m_ops.AddPrinterDirect(printerName, port, driverName);
    if (added) {
        InstallRecord additions;
        additions.AddRecordedPrinter({printerName, driverName});
        Record(additions, L"the printer " + printerName);
    }
    return added;
}

bool RecordingOperations::InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                                    const std::wstring& port)
{
    const std::set<std::wstring> before = DriverFolderContents();
    const bool installed = m_ops.InstallPrinterWithPrintUI(model, printerName, port);
    // The system's printer installation may have registered the driver
    // even when it reports a failure afterwards: what is there is recorded.
    RecordDriver(model, before);
    if (installed) {
        InstallRecord additions;
        additions.AddRecordedPrinter({printerName, model.driverName});
        Record(additions, L"the printer " + printerName);
    }
    return installed;
}

DefaultPrinterOutcome RecordingOperations::MakeDefaultPrinter(const std::wstring& printerName,
                                                              const std::wstring& connectionType,
                                                              const std::wstring& port)
{
    return m_ops.MakeDefaultPrinter(printerName, connectionType, port);
}

bool RecordingOperations::WriteDeviceRecords(const PrinterModel& model, bool usb)
{
    // The devices whose instances the helper service writes: the model's
    // device key, and for the parallel cable the generic one as well.
    const std::wstring enumerator = usb ? L"USBPRINT" : L"LPTENUM";
    const std::wstring suffix = usb ? model.usbIdSuffix : model.lptIdSuffix;
    std::vector<std::wstring> deviceKeys;
    std::wstring found;
    if (FindDeviceKey(enumerator, ModelDeviceKeyName(model, suffix), found))
        deviceKeys.push_back(found);
    if (!usb)
        deviceKeys.push_back(WidenAscii(helper_protocol::kGenericLptDeviceKey));

    InstallRecord devices;
    RecordedModel entry = ModelEntry(model);
    for (const std::wstring& key : deviceKeys)
        for (const std::wstring& instance : InstancesOf(std::wstring(kEnumRootKey) + enumerator + L"\\" + key)) {
            devices.AddDevice(DeviceAsItIs(instance));
            entry.devices.push_back(instance);
        }
    devices.AddModel(entry);
    // Saved before anything is written: the helper service changes them.
    // Without the saved values, removal could not put them back: nothing is
    // handed over then.
    if (!Record(devices, L"the device's values before the helper service's run"))
        return false;

    const ClassKeyState before = ClassKeyNow();
    const bool handedOver = usb ? m_ops.WriteUsbDeviceRecords(model) : m_ops.WriteLptDeviceRecords(model);

    // What our call made: the class key's own values that were missing and
    // now hold what we write, and the new instance of our model's device.
    InstallRecord created;
    CRegistry classKey(HKEY_LOCAL_MACHINE, KEY_READ);
    if (classKey.OpenKey(kPrinterClassKey, FALSE)) {
        for (const RegistryValue& value : ClassKeyValues(m_context.classKeyDefaultValue)) {
            std::wstring text;
            if (!value.isNumber && !Contains(before.valueNames, value.name) &&
                classKey.ReadString(value.name, text) && text == value.text) {
                SavedValue written;
                written.name = value.name;
                written.text = value.text;
                created.AddClassKeyValue(written);
            }
        }
        const std::vector<RegistryValue> ours =
            usb ? UsbInstanceValues(model, model.usbIdSuffix) : LptInstanceValues(model, model.lptIdSuffix);
        std::wstring matchingId;
        for (const RegistryValue& value : ours)
            if (value.name == L"MatchingDeviceId")
                matchingId = value.text;
        for (const std::wstring& instance : classKey.ListSubKeys(classKey.GetKey())) {
            if (Contains(before.instances, instance))
                continue;
            CRegistry key(HKEY_LOCAL_MACHINE, KEY_READ);
            std::wstring matching, description;
            if (key.OpenSubKey(classKey.GetKey(), instance, KEY_READ, FALSE) &&
                key.ReadString(L"MatchingDeviceId", matching) && SameName(matching, matchingId) &&
                key.ReadString(L"DriverDesc", description) && SameName(description, model.driverName)) {
                created.AddClassInstance({instance, matching});
                RecordedModel made = ModelEntry(model);
                made.classInstances.push_back(instance);
                created.AddModel(made);
            }
        }
    }
    Record(created, L"the printer class records");
    return handedOver;
}

bool RecordingOperations::WriteUsbDeviceRecords(const PrinterModel& model)
{
    return WriteDeviceRecords(model, true);
}

bool RecordingOperations::WriteLptDeviceRecords(const PrinterModel& model)
{
    return WriteDeviceRecords(model, false);
}

void RecordingOperations::ClearHelperHandOff()
{
    m_ops.ClearHelperHandOff();
}

bool RecordingOperations::ExtractHelperService(const std::wstring& exeName)
{
    const std::wstring folder = HelperFolderOf(m_ops.CommonFilesFolder());
    const std::wstring program = JoinPath(folder, exeName);
    InstallRecord additions;
    if (!IsFolder(folder))
        additions.AddFolder(folder);
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        additions.AddFile(program);
    // Recorded first: the file is written by the next call. A program that
    // removal would not know is not written.
    if (!Record(additions, L"the helper service program"))
        return false;
    KeepAfterRestart({program, HelperLogPathOf(program), folder});
    return m_ops.ExtractHelperService(exeName);
}

std::wstring RecordingOperations::CommonFilesFolder()
{
    return m_ops.CommonFilesFolder();
}

HelperRunResult RecordingOperations::RunHelperServiceOnce(const std::wstring& binaryPath,
                                                          const std::wstring& serviceName)
{
    // The helper keeps a log beside itself: recorded once its run made it.
    const std::wstring log = HelperLogPathOf(binaryPath);
    const bool logThere = GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES;
    const HelperRunResult result = m_ops.RunHelperServiceOnce(binaryPath, serviceName);
    if (!log.empty() && !logThere && GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES) {
        InstallRecord additions;
        additions.AddFile(log);
        Record(additions, L"the helper service's log");
    }
    return result;
}

bool RecordingOperations::RegisterInstallation(const PrinterModel& model)
{
    const bool registered = m_ops.RegisterInstallation(model);
    // The model's own detection value, once its installation has succeeded
    // and is registered: a deployment tool's rule finds it only then.
    if (registered && m_recordProblem.empty()) {
        RecordedModel entry = ModelEntry(model);
        entry.version = VersionText(RunningProductVersion());
        InstallRecord additions;
        additions.AddModel(entry);
        Record(additions, L"the model " + model.infBaseName);
    }
    return registered && m_recordProblem.empty();
}

std::wstring RecordingOperations::RegistrationProblem() const
{
    const std::wstring problem = m_ops.RegistrationProblem();
    return problem.empty() ? m_recordProblem : problem;
}

void RecordingOperations::RecordPort(const RecordedPort& port, bool created)
{
    InstallRecord additions;
    if (created) {
        additions.AddRecordedPort(port);
    } else {
        InstallRecord current;
        ReadInstallRecord(current);
        bool ours = false;
        for (const RecordedPort& p : current.ports)
            ours = ours || SameName(p.name, port.name);
        if (!ours)
            return;
    }
    RecordedModel entry = ModelEntry(m_context.model);
    entry.ports.push_back(port.name);
    additions.AddModel(entry);
    Record(additions, L"the port " + port.name);
}

bool RecordingOperations::PrepareNetworkPort(const ConnectionSettings& connection, bool snmpAnswered,
                                             std::wstring& port, bool& created)
{
    if (!m_ops.PrepareNetworkPort(connection, snmpAnswered, port, created))
        return false;
    RecordedPort made;
    made.name = port;
    made.kind = L"NET";
    made.host = connection.networkHost;
    made.number = connection.networkPort;
    RecordPort(made, created);
    return true;
}

InstallResult RecordingOperations::PrepareSerialPort(const ConnectionSettings& connection, std::wstring& port,
                                                     bool& created)
{
    const InstallResult result = m_ops.PrepareSerialPort(connection, port, created);
    // A port added for a serial port that could not be set up is ours too,
    // until the run takes it away again.
    if (created || result == InstallResult::Success) {
        RecordedPort made;
        made.name = port;
        made.kind = L"COM";
        RecordPort(made, created);
    }
    return result;
}

void RecordingOperations::DeleteMadePort(const std::wstring& port, const std::wstring& connectionType)
{
    m_ops.DeleteMadePort(port, connectionType);
    InstallRecord gone;
    RecordedPort made;
    made.name = port;
    gone.AddRecordedPort(made);
    RemoveFromInstallRecord(gone);
}
