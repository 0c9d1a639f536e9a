#include "install/InstallRecordStore.h"

#include <shlobj.h>

#include <vector>

#include "context/ProductInfo.h"
#include "install/DriverFileStager.h"
#include "install/FilePlan.h"
#include "install/InstalledVersions.h"
#include "install/PendingDeletions.h"
#include "install/ProgramCopy.h"
#include "support/ErrorText.h"
#include "support/Handle.h"
#include "support/Registry.h"

namespace {

const REGSAM kReadWrite = KEY_READ | KEY_WRITE;

std::wstring Below(const wchar_t* part)
{
    return std::wstring(product::kRecordKey) + L"\\" + part;
}

// Reads the record's parts and remembers the first part that was there
// but could not be opened: a record read in part must not pass for whole.
class RecordReader {
public:
    // Opens `part` below the record key into `reg`; false when it is not
    // there or cannot be opened (the latter noted).
    bool Open(CRegistry& reg, const std::wstring& path)
    {
        const RegStatus status = reg.OpenKey(path, FALSE);
        if (!status && !status.NotFound() && m_status)
            m_status = status;
        return static_cast<bool>(status);
    }
    // The value names of `part`; empty when it is not there.
    std::vector<std::wstring> ValueNamesOf(const wchar_t* part)
    {
        CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
        return Open(reg, Below(part)) ? reg.ListValueNames(reg.GetKey()) : std::vector<std::wstring>();
    }
    // The value names of key `path` (below HKEY_LOCAL_MACHINE); empty when it
    // is not there.
    std::vector<std::wstring> ValueNamesAt(const std::wstring& path)
    {
        CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
        return Open(reg, path) ? reg.ListValueNames(reg.GetKey()) : std::vector<std::wstring>();
    }
    // Each value of `part` with its text (empty, and `isText` false, for a
    // value that holds none).
    template <class Read>
    void ForEachText(const wchar_t* part, Read read)
    {
        CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
        if (!Open(reg, Below(part)))
            return;
        for (const std::wstring& name : reg.ListValueNames(reg.GetKey())) {
            std::wstring text;
            const bool isText = static_cast<bool>(reg.ReadString(name, text));
            read(name, text, isText);
        }
    }
    // The subkeys of `part` (numbered "0", "1", ..., or named) with `read`
    // applied to each, and the path of each.
    template <class Read>
    void ForEachSubkey(const wchar_t* part, Read read)
    {
        CRegistry list(HKEY_LOCAL_MACHINE, KEY_READ);
        if (!Open(list, Below(part)))
            return;
        for (const std::wstring& name : list.ListSubKeys(list.GetKey())) {
            CRegistry item(HKEY_LOCAL_MACHINE, KEY_READ);
            if (Open(item, Below(part) + L"\\" + name))
                read(item, Below(part) + L"\\" + name);
        }
    }
    RegStatus Status() const { return m_status; }

private:
    RegStatus m_status;
};

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

// Writes the values of `names` that `present` lacks into `part`, each with
// the text `textOf` gives it.
template <class Item, class NameOf, class TextOf>
bool AddNamedValues(const wchar_t* part, const std::vector<Item>& items, const std::vector<Item>& present,
                    NameOf nameOf, TextOf textOf)
{
    std::vector<const Item*> missing;
    for (const Item& item : items) {
        bool there = false;
        for (const Item& p : present)
            there = there || SameName(nameOf(p), nameOf(item));
        if (!there)
            missing.push_back(&item);
    }
    if (missing.empty())
        return true;
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(Below(part), TRUE))
        return false;
    bool ok = true;
    for (const Item* item : missing)
        ok = static_cast<bool>(reg.WriteString(nameOf(*item), textOf(*item))) && ok;
    return ok;
}

const auto kPath = [](const std::wstring& path) { return path; };

// Writes what `model` has and `current` (the model as recorded, or null)
// lacks: its texts, and the names of its lists.
bool AddModelRecord(const RecordedModel& model, const RecordedModel* current)
{
    if (model.infBaseName.empty() || model.infBaseName.find_first_of(L"\\/") != std::wstring::npos)
        return false;
    const std::wstring key = Below(L"Models") + L"\\" + model.infBaseName;
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(key, TRUE))
        return false;
    bool ok = true;
    const struct {
        const wchar_t* name;
        const std::wstring& text;
        const std::wstring* recorded;
    } texts[] = {{L"DisplayName", model.displayName, current ? &current->displayName : nullptr},
                 {L"Driver", model.driverName, current ? &current->driverName : nullptr},
                 {L"Version", model.version, current ? &current->version : nullptr}};
    for (const auto& t : texts)
        if (!t.text.empty() && (!t.recorded || *t.recorded != t.text))
            ok = static_cast<bool>(reg.WriteString(t.name, t.text)) && ok;
    const struct {
        const wchar_t* part;
        const std::vector<std::wstring>& names;
        const std::vector<std::wstring>* recorded;
    } lists[] = {{L"Files", model.files, current ? &current->files : nullptr},
                 {L"ClassInstances", model.classInstances, current ? &current->classInstances : nullptr},
                 {L"Devices", model.devices, current ? &current->devices : nullptr},
                 {L"Ports", model.ports, current ? &current->ports : nullptr}};
    for (const auto& l : lists) {
        std::vector<std::wstring> missing;
        for (const std::wstring& name : l.names) {
            bool there = false;
            if (l.recorded)
                for (const std::wstring& r : *l.recorded)
                    there = there || SameName(r, name);
            if (!there)
                missing.push_back(name);
        }
        if (missing.empty())
            continue;
        CRegistry list(HKEY_LOCAL_MACHINE, kReadWrite);
        if (!list.OpenKey(key + L"\\" + l.part, TRUE)) {
            ok = false;
            continue;
        }
        for (const std::wstring& name : missing)
            ok = static_cast<bool>(list.WriteString(name, L"1")) && ok;
    }
    return ok;
}
const auto kMarked = [](const std::wstring&) { return std::wstring(L"1"); };

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

}  // namespace

RegStatus ReadInstallRecord(InstallRecord& record)
{
    record = InstallRecord();
    CRegistry root(HKEY_LOCAL_MACHINE, KEY_READ);
    const RegStatus opened = root.OpenKey(product::kRecordKey, FALSE);
    if (!opened)
        return opened;
    RecordReader reader;
    reader.ForEachText(L"Printers", [&](const std::wstring& name, const std::wstring& driver, bool) {
        record.AddRecordedPrinter({name, driver});
    });
    reader.ForEachSubkey(L"Drivers", [&](CRegistry& item, const std::wstring&) {
        RecordedDriver driver;
        DWORD version = 3;
        item.ReadString(L"Name", driver.name);
        item.ReadString(L"Environment", driver.environment);
        item.ReadDword(L"Version", version);
        driver.version = version;
        if (!driver.name.empty() && !driver.environment.empty())
            record.AddDriver(driver);
    });
    for (const std::wstring& path : reader.ValueNamesOf(L"Files"))
        record.AddFile(path);
    for (const std::wstring& path : reader.ValueNamesOf(L"Folders"))
        record.AddFolder(path);
    // Each instance with the device id it was made for (a record of an
    // earlier version marks it with the number 1 instead).
    reader.ForEachText(L"ClassInstances", [&](const std::wstring& name, const std::wstring& id, bool) {
        record.AddClassInstance({name, id});
    });
    reader.ForEachText(L"ClassKeyValues", [&](const std::wstring& name, const std::wstring& text, bool isText) {
        if (isText)
            record.AddClassKeyValue({name, false, text, 0});
    });
    reader.ForEachSubkey(L"Devices", [&](CRegistry& item, const std::wstring& path) {
        RecordedDevice device;
        if (!item.ReadString(L"InstanceKey", device.instanceKey) || device.instanceKey.empty())
            return;
        CRegistry before(HKEY_LOCAL_MACHINE, KEY_READ);
        if (reader.Open(before, path + L"\\Before"))
            for (const std::wstring& name : DeviceValueNames()) {
                bool found = false;
                const SavedValue value = ReadSaved(before, name, found);
                if (found)
                    device.before.push_back(value);
            }
        record.AddDevice(device);
    });
    reader.ForEachSubkey(L"Ports", [&](CRegistry& item, const std::wstring& path) {
        RecordedPort port;
        port.name = path.substr(path.rfind(L'\\') + 1);
        DWORD number = 0;
        item.ReadString(L"Kind", port.kind);
        item.ReadString(L"Host", port.host);
        if (item.ReadDword(L"Number", number))
            port.number = number;
        if (!port.kind.empty())
            record.AddRecordedPort(port);
    });
    reader.ForEachSubkey(L"Models", [&](CRegistry& item, const std::wstring& path) {
        RecordedModel model;
        model.infBaseName = path.substr(path.rfind(L'\\') + 1);
        item.ReadString(L"DisplayName", model.displayName);
        item.ReadString(L"Driver", model.driverName);
        item.ReadString(L"Version", model.version);
        model.files = reader.ValueNamesAt(path + L"\\Files");
        model.classInstances = reader.ValueNamesAt(path + L"\\ClassInstances");
        model.devices = reader.ValueNamesAt(path + L"\\Devices");
        model.ports = reader.ValueNamesAt(path + L"\\Ports");
        record.AddModel(model);
    });
    return reader.Status();
}

bool AddToInstallRecord(const InstallRecord& additions)
{
    InstallRecord current;
    const RegStatus read = ReadInstallRecord(current);
    if (!read && !read.NotFound())
        return false;  // what is there must not be written over unseen
    bool ok = true;
    {
        CRegistry root(HKEY_LOCAL_MACHINE, kReadWrite);
        if (!root.OpenKey(product::kRecordKey, TRUE))
            return false;
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
    ok = AddNamedValues(L"Files", additions.files, current.files, kPath, kMarked) && ok;
    ok = AddNamedValues(L"Folders", additions.folders, current.folders, kPath, kMarked) && ok;
    ok = AddNamedValues(
             L"ClassInstances", additions.classInstances, current.classInstances,
             [](const RecordedClassInstance& c) { return c.name; },
             [](const RecordedClassInstance& c) { return c.matchingDeviceId; }) &&
         ok;
    ok = AddNamedValues(
             L"ClassKeyValues", additions.classKeyValues, current.classKeyValues,
             [](const SavedValue& v) { return v.name; }, [](const SavedValue& v) { return v.text; }) &&
         ok;
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
    for (const RecordedPort& port : additions.ports) {
        if (!current.AddRecordedPort(port))
            continue;
        if (port.name.empty() || port.name.find(L'\\') != std::wstring::npos) {
            ok = false;
            continue;
        }
        // The name of the key last: a port is only read back once whole.
        CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
        ok = reg.OpenKey(Below(L"Ports") + L"\\" + port.name, TRUE) && reg.WriteString(L"Host", port.host) &&
             reg.WriteDword(L"Number", port.number) && reg.WriteString(L"Kind", port.kind) && ok;
    }
    for (const RecordedModel& model : additions.models)
        ok = AddModelRecord(model, current.FindModel(model.infBaseName)) && ok;
    return ok;
}

LONG RemoveFromInstallRecord(const InstallRecord& gone)
{
    LONG first = ERROR_SUCCESS;
    const auto note = [&first](const RegStatus& status) {
        if (!status.Gone() && first == ERROR_SUCCESS)
            first = status.Code();
    };
    const auto deleteValues = [&note](const wchar_t* part, const std::vector<std::wstring>& names) {
        if (names.empty())
            return;
        CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
        const RegStatus opened = reg.OpenKey(Below(part), FALSE);
        if (!opened) {
            note(opened);
            return;
        }
        for (const std::wstring& name : names)
            note(reg.DeleteValue(name));
    };
    std::vector<std::wstring> printers, instances, values;
    for (const RecordedPrinter& p : gone.printers)
        printers.push_back(p.name);
    for (const RecordedClassInstance& c : gone.classInstances)
        instances.push_back(c.name);
    for (const SavedValue& v : gone.classKeyValues)
        values.push_back(v.name);
    deleteValues(L"Printers", printers);
    deleteValues(L"Files", gone.files);
    deleteValues(L"Folders", gone.folders);
    deleteValues(L"ClassInstances", instances);
    deleteValues(L"ClassKeyValues", values);
    // Numbered entries: the drivers and devices that went.
    RecordReader reader;
    std::vector<std::wstring> subkeys;
    reader.ForEachSubkey(L"Drivers", [&](CRegistry& item, const std::wstring& path) {
        RecordedDriver driver;
        DWORD version = 3;
        item.ReadString(L"Name", driver.name);
        item.ReadString(L"Environment", driver.environment);
        item.ReadDword(L"Version", version);
        for (const RecordedDriver& d : gone.drivers)
            if (SameName(d.name, driver.name) && SameName(d.environment, driver.environment) && d.version == version)
                subkeys.push_back(path);
    });
    reader.ForEachSubkey(L"Devices", [&](CRegistry& item, const std::wstring& path) {
        std::wstring key;
        item.ReadString(L"InstanceKey", key);
        for (const RecordedDevice& d : gone.devices)
            if (SameName(d.instanceKey, key))
                subkeys.push_back(path);
    });
    for (const RecordedPort& port : gone.ports)
        if (!port.name.empty() && port.name.find(L'\\') == std::wstring::npos)
            subkeys.push_back(Below(L"Ports") + L"\\" + port.name);
    for (const RecordedModel& model : gone.models)
        if (!model.infBaseName.empty())
            subkeys.push_back(Below(L"Models") + L"\\" + model.infBaseName);
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    for (const std::wstring& path : subkeys)
        note(reg.DeleteTree(path));
    note(reader.Status());
    return first;
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
    // A key that cannot be opened is there for all this program can tell.
    return !reg.OpenKey(product::kUninstallKey, FALSE).NotFound();
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

bool RegisterInstalledProduct(const RunningProgramFile& program, std::wstring& problem)
{
    problem.clear();
    const std::wstring folder = ProductFolder();
    if (folder.empty()) {
        problem = L"the program-files folder is not known";
        return false;
    }
    if (!program.Held()) {
        problem = L"no copy of the installer can be kept: " + program.Problem();
        return false;
    }
    InstallRecord additions;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryW(folder.c_str(), nullptr)) {
            problem = L"the folder " + folder + L" cannot be created" + SystemErrorText(GetLastError());
            return false;
        }
        additions.AddFolder(folder);
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // The copy must be where the entry says, not where a link leads.
        problem = L"the folder " + folder + L" cannot be created: a file or link has its name";
        return false;
    }
    const std::wstring copy = JoinPath(folder, product::kInstallerFileName);
    // Recorded before it is written: a run ended in between leaves a file
    // that removal knows.
    additions.AddFile(copy);
    if (!AddToInstallRecord(additions)) {
        problem = L"the record of what was installed cannot be written";
        return false;
    }
    // A removal's deletions at the next restart must not take them away.
    if (!CancelPendingDeletions({copy, folder})) {
        problem = L"a deletion at the next restart of " + copy + L" cannot be cancelled";
        return false;
    }
    if (!WriteProgramCopy(program, copy)) {
        problem = L"the copy " + copy + L" cannot be written" + SystemErrorText(GetLastError());
        return false;
    }

    InstallRecord record;
    ReadInstallRecord(record);
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    const RegStatus opened = reg.OpenKey(product::kUninstallKey, TRUE);
    bool ok = static_cast<bool>(opened);
    for (const UninstallValue& value :
         UninstallEntryValues(copy, folder, RecordedFilesSize(record), VersionText(RunningProductVersion())))
        ok = ok && (value.isNumber ? reg.WriteDword(value.name, value.number) : reg.WriteString(value.name, value.text));
    if (!ok)
        problem = L"the entry in the list of programs cannot be written";
    return ok;
}
