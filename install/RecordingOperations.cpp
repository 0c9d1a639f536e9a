#include "install/RecordingOperations.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "context/HelperProtocol.h"
#include "install/DeviceDetection.h"
#include "install/DeviceRecordsCore.h"
#include "install/DriverFileStager.h"
#include "install/FilePlan.h"
#include "install/InstallRecordStore.h"
#include "install/UsbDetection.h"
#include "support/Handle.h"
#include "support/Registry.h"

namespace {

// Adds every file and folder below `folder` to `contents`, as full paths.
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
        contents.insert(path);
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

// Whether the spooler lists driver `name` in `environment`, and under which
// version.
bool RegisteredDriverVersion(const std::wstring& name, const std::wstring& environment, std::uint32_t& version)
{
    std::wstring env = environment;
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, &env[0], 2, nullptr, 0, &needed, &count);
    if (needed == 0)
        return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, &env[0], 2, buffer.data(), needed, &needed, &count))
        return false;
    const DRIVER_INFO_2W* drivers = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (drivers[i].pName && SameName(drivers[i].pName, name)) {
            version = drivers[i].cVersion;
            return true;
        }
    return false;
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

std::vector<std::wstring> ClassInstances()
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    return reg.OpenKey(kPrinterClassKey, FALSE) ? reg.ListSubKeys(reg.GetKey()) : std::vector<std::wstring>();
}

}  // namespace

RecordingOperations::RecordingOperations(IInstallOperations& operations, const InstallContext& context)
    : m_ops(operations), m_context(context)
{
}

std::set<std::wstring> RecordingOperations::DriverFolderContents() const
{
    std::set<std::wstring> contents;
    // The driver folder, its file-set subfolders and the spooler's version
    // folders below it.
    if (!m_driverDirectory.empty())
        ListTree(m_driverDirectory, contents, 2);
    return contents;
}

void RecordingOperations::RecordNewFiles(const std::set<std::wstring>& before)
{
    InstallRecord additions;
    for (const std::wstring& path : DriverFolderContents()) {
        if (before.count(path))
            continue;
        if (IsFolder(path))
            additions.AddFolder(path);
        else
            additions.AddFile(path);
    }
    if (!additions.Empty())
        AddToInstallRecord(additions);
}

void RecordingOperations::RecordDriver(const std::wstring& driverName)
{
    InstallRecord additions;
    RecordedDriver driver;
    driver.name = driverName;
    driver.environment = m_context.environment;
    if (!RegisteredDriverVersion(driverName, m_context.environment, driver.version))
        return;
    additions.AddDriver(driver);
    AddToInstallRecord(additions);
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
    if (m_driverDirectory.empty())
        m_driverDirectory = GetDriverDirectory(m_context.environment);
    const std::set<std::wstring> before = DriverFolderContents();
    const bool staged = m_ops.StageDriverFiles(model);
    RecordNewFiles(before);
    return staged;
}

bool RecordingOperations::StageInfAndCatalog(const PrinterModel& model)
{
    if (m_driverDirectory.empty())
        m_driverDirectory = GetDriverDirectory(m_context.environment);
    const std::set<std::wstring> before = DriverFolderContents();
    const bool staged = m_ops.StageInfAndCatalog(model);
    RecordNewFiles(before);
    return staged;
}

bool RecordingOperations::RegisterPrinterDriver(const PrinterModel& model)
{
    const std::set<std::wstring> before = DriverFolderContents();
    const bool registered = m_ops.RegisterPrinterDriver(model);
    RecordNewFiles(before);
    if (registered)
        RecordDriver(model.driverName);  // under the version the spooler gave it
    return registered;
}

bool RecordingOperations::AddPrinterDirect(const std::wstring& printerName, const std::wstring& port,
                                           const std::wstring& driverName)
{
    const bool added = m_ops.AddPrinterDirect(printerName, port, driverName);
    if (added) {
        InstallRecord additions;
        additions.AddRecordedPrinter({printerName, driverName});
        AddToInstallRecord(additions);
    }
    return added;
}

bool RecordingOperations::InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                                    const std::wstring& port)
{
    const std::set<std::wstring> before = DriverFolderContents();
    const bool installed = m_ops.InstallPrinterWithPrintUI(model, printerName, port);
    RecordNewFiles(before);
    // The system's printer installation may have registered the driver
    // even when it reports a failure afterwards: what is there is recorded.
    RecordDriver(model.driverName);
    if (installed) {
        InstallRecord additions;
        additions.AddRecordedPrinter({printerName, model.driverName});
        AddToInstallRecord(additions);
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

    InstallRecord additions;
    for (const std::wstring& key : deviceKeys)
        for (const std::wstring& instance : InstancesOf(std::wstring(kEnumRootKey) + enumerator + L"\\" + key))
            additions.AddDevice(DeviceAsItIs(instance));
    const std::vector<std::wstring> classBefore = ClassInstances();
    additions.classKeyValues = classBefore.empty();
    // Saved before anything is written: the helper service changes them.
    AddToInstallRecord(additions);

    const bool handedOver =
        usb ? m_ops.WriteUsbDeviceRecords(model) : m_ops.WriteLptDeviceRecords(model);

    InstallRecord created;
    for (const std::wstring& instance : ClassInstances()) {
        bool old = false;
        for (const std::wstring& b : classBefore)
            old = old || SameName(b, instance);
        if (!old)
            created.AddClassInstance(instance);
    }
    if (!created.Empty())
        AddToInstallRecord(created);
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
    // Recorded first: the file is written by the next call.
    if (!additions.Empty())
        AddToInstallRecord(additions);
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
        AddToInstallRecord(additions);
    }
    return result;
}

bool RecordingOperations::RegisterInstallation()
{
    return m_ops.RegisterInstallation();
}
