#include "install/InstallRecordStore.h"

#include <shlobj.h>

#include <vector>

#include "context/ProductInfo.h"
#include "install/DriverFileStager.h"
#include "install/FilePlan.h"
#include "support/Handle.h"
#include "support/Registry.h"

namespace {

const REGSAM kReadWrite = KEY_READ | KEY_WRITE;

std::wstring Below(const wchar_t* part)
{
    return std::wstring(product::kRecordKey) + L"\\" + part;
}

// The value names of key `path` below the record key; empty when it is not there.
std::vector<std::wstring> ValueNamesOf(const wchar_t* part)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!reg.OpenKey(Below(part), FALSE))
        return {};
    return reg.ListValueNames(reg.GetKey());
}

SavedValue ReadSaved(CRegistry& reg, const std::wstring& name, bool& found)
{
    SavedValue value;
    value.name = name;
    DWORD number = 0;
    found = true;
    if (reg.ReadDword(name, number)) {
        value.isNumber = true;
        value.number = number;
    } else if (!reg.ReadString(name, value.text)) {
        found = false;
    }
    return value;
}

// The numbered subkeys of `part` ("0", "1", ...) with `read` applied to each.
template <class Read>
void ForEachNumbered(const wchar_t* part, Read read)
{
    CRegistry list(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!list.OpenKey(Below(part), FALSE))
        return;
    for (const std::wstring& name : list.ListSubKeys(list.GetKey())) {
        CRegistry item(HKEY_LOCAL_MACHINE, KEY_READ);
        if (item.OpenKey(Below(part) + L"\\" + name, FALSE))
            read(item, Below(part) + L"\\" + name);
    }
}

// A new numbered subkey of `part`, opened in `reg`.
bool CreateNumbered(CRegistry& reg, const wchar_t* part)
{
    if (!reg.OpenKey(Below(part), TRUE))
        return false;
    const std::vector<std::wstring> taken = reg.ListSubKeys(reg.GetKey());
    unsigned long next = 0;
    for (const std::wstring& name : taken) {
        const unsigned long n = std::wcstoul(name.c_str(), nullptr, 10);
        if (n >= next)
            next = n + 1;
    }
    return static_cast<bool>(reg.OpenKey(std::to_wstring(next), TRUE));
}

bool AddNamedValues(const wchar_t* part, const std::vector<std::wstring>& names,
                    const std::vector<std::wstring>& present)
{
    std::vector<std::wstring> missing;
    for (const std::wstring& name : names) {
        bool there = false;
        for (const std::wstring& p : present)
            there = there || SameName(p, name);
        if (!there)
            missing.push_back(name);
    }
    if (missing.empty())
        return true;
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(Below(part), TRUE))
        return false;
    bool ok = true;
    for (const std::wstring& name : missing)
        ok = static_cast<bool>(reg.WriteDword(name, 1)) && ok;
    return ok;
}

std::wstring ProgramFilesFolder()
{
    wchar_t folder[MAX_PATH] = {0};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE))
        return std::wstring();
    return folder;
}

bool FileSize(const std::wstring& path, std::uint64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// Copies the running program to `target` through a scratch file beside it,
// so that the target is never a half-written program.
bool CopyRunningProgram(const std::wstring& target)
{
    const std::wstring source = RunningProgramPath();
    if (source.empty())
        return false;
    if (SameName(source, target))
        return true;  // removal's own copy installing again: it is in place
    const std::wstring scratch = target + L".new";
    if (!CopyFileW(source.c_str(), scratch.c_str(), FALSE))
        return false;
    if (!MoveFileExW(scratch.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(scratch.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ReadInstallRecord(InstallRecord& record)
{
    record = InstallRecord();
    CRegistry root(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!root.OpenKey(product::kRecordKey, FALSE))
        return false;
    DWORD classValues = 0;
    root.ReadDword(L"ClassKeyValues", classValues);
    record.classKeyValues = classValues != 0;

    {
        CRegistry printers(HKEY_LOCAL_MACHINE, KEY_READ);
        if (printers.OpenKey(Below(L"Printers"), FALSE))
            for (const std::wstring& name : printers.ListValueNames(printers.GetKey())) {
                RecordedPrinter printer;
                printer.name = name;
                printers.ReadString(name, printer.driver);
                record.AddRecordedPrinter(printer);
            }
    }
    ForEachNumbered(L"Drivers", [&](CRegistry& item, const std::wstring&) {
        RecordedDriver driver;
        DWORD version = 3;
        item.ReadString(L"Name", driver.name);
        item.ReadString(L"Environment", driver.environment);
        item.ReadDword(L"Version", version);
        driver.version = version;
        if (!driver.name.empty() && !driver.environment.empty())
            record.AddDriver(driver);
    });
    for (const std::wstring& path : ValueNamesOf(L"Files"))
        record.AddFile(path);
    for (const std::wstring& path : ValueNamesOf(L"Folders"))
        record.AddFolder(path);
    for (const std::wstring& name : ValueNamesOf(L"ClassInstances"))
        record.AddClassInstance(name);
    ForEachNumbered(L"Devices", [&](CRegistry& item, const std::wstring& path) {
        RecordedDevice device;
        if (!item.ReadString(L"InstanceKey", device.instanceKey) || device.instanceKey.empty())
            return;
        CRegistry before(HKEY_LOCAL_MACHINE, KEY_READ);
        if (before.OpenKey(path + L"\\Before", FALSE))
            for (const std::wstring& name : DeviceValueNames()) {
                bool found = false;
                const SavedValue value = ReadSaved(before, name, found);
                if (found)
                    device.before.push_back(value);
            }
        record.AddDevice(device);
    });
    return true;
}

bool AddToInstallRecord(const InstallRecord& additions)
{
    InstallRecord current;
    ReadInstallRecord(current);
    bool ok = true;
    {
        CRegistry root(HKEY_LOCAL_MACHINE, kReadWrite);
        if (!root.OpenKey(product::kRecordKey, TRUE))
            return false;
        if (additions.classKeyValues && !current.classKeyValues)
            ok = static_cast<bool>(root.WriteDword(L"ClassKeyValues", 1)) && ok;
    }
    for (const RecordedPrinter& printer : additions.printers) {
        if (current.HasPrinterNamed(printer.name))
            continue;
        CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
        ok = reg.OpenKey(Below(L"Printers"), TRUE) && reg.WriteString(printer.name, printer.driver) && ok;
    }
    for (const RecordedDriver& driver : additions.drivers) {
        if (!current.AddDriver(driver))
            continue;
        CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
        ok = CreateNumbered(reg, L"Drivers") && reg.WriteString(L"Name", driver.name) &&
             reg.WriteString(L"Environment", driver.environment) && reg.WriteDword(L"Version", driver.version) && ok;
    }
    ok = AddNamedValues(L"Files", additions.files, current.files) && ok;
    ok = AddNamedValues(L"Folders", additions.folders, current.folders) && ok;
    ok = AddNamedValues(L"ClassInstances", additions.classInstances, current.classInstances) && ok;
    for (const RecordedDevice& device : additions.devices) {
        if (!current.AddDevice(device))
            continue;  // saved by an earlier run: that is what it had before us
        CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
        // The saved values first, the name last: a device is only read back
        // once its record is whole.
        if (!CreateNumbered(reg, L"Devices")) {
            ok = false;
            continue;
        }
        CRegistry before(HKEY_LOCAL_MACHINE, kReadWrite);
        bool whole = static_cast<bool>(before.OpenSubKey(reg.GetKey(), L"Before", kReadWrite, TRUE));
        for (const SavedValue& value : device.before)
            whole = (value.isNumber ? before.WriteDword(value.name, value.number)
                                    : before.WriteString(value.name, value.text)) &&
                    whole;
        ok = whole && reg.WriteString(L"InstanceKey", device.instanceKey) && ok;
    }
    return ok;
}

LONG DeleteInstallRecordAndEntry()
{
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    const RegStatus entry = reg.DeleteTree(product::kUninstallKey);
    const RegStatus record = reg.DeleteTree(product::kRecordKey);
    // The maker's key is ours too once nothing else is in it.
    const std::wstring maker = std::wstring(product::kRecordKey).substr(0, std::wstring(product::kRecordKey).rfind(L'\\'));
    reg.DeleteKey(maker);
    if (!entry.Gone())
        return entry.Code();
    return record.Gone() ? ERROR_SUCCESS : record.Code();
}

bool UninstallEntryExists()
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    return static_cast<bool>(reg.OpenKey(product::kUninstallKey, FALSE));
}

std::wstring ProductFolder()
{
    const std::wstring programFiles = ProgramFilesFolder();
    return programFiles.empty() ? std::wstring() : JoinPath(programFiles, product::kProgramFolderName);
}

std::uint64_t RecordedFilesSize(const InstallRecord& record)
{
    std::uint64_t total = 0;
    for (const std::wstring& file : record.files) {
        std::uint64_t size = 0;
        if (FileSize(file, size))
            total += size;
    }
    return total;
}

bool RegisterInstalledProduct()
{
    const std::wstring folder = ProductFolder();
    if (folder.empty())
        return false;
    InstallRecord additions;
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryW(folder.c_str(), nullptr))
            return false;
        additions.AddFolder(folder);
    }
    const std::wstring copy = JoinPath(folder, product::kInstallerFileName);
    // Recorded before it is written: a run ended in between leaves a file
    // that removal knows.
    additions.AddFile(copy);
    if (!AddToInstallRecord(additions) || !CopyRunningProgram(copy))
        return false;

    InstallRecord record;
    ReadInstallRecord(record);
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(product::kUninstallKey, TRUE))
        return false;
    bool ok = true;
    for (const UninstallValue& value : UninstallEntryValues(copy, folder, RecordedFilesSize(record)))
        ok = (value.isNumber ? reg.WriteDword(value.name, value.number) : reg.WriteString(value.name, value.text)) &&
             ok;
    return ok;
}
