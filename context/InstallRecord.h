// The record of what our installation runs put on the machine, so that
// removal takes away exactly that and nothing else: the printers, the
// drivers with their environment and version, the files and folders our
// runs created, the printer class instances they added and, for each device
// whose records the helper service wrote, the values that device had before.
// Every run adds to it as it goes, so a run that was ended halfway is in it
// too. No Windows headers: the rules are tested natively.
#ifndef QV_CONTEXT_INSTALLRECORD_H
#define QV_CONTEXT_INSTALLRECORD_H

#include <cstdint>
#include <string>
#include <vector>

struct RecordedPrinter {
    std::wstring name;
    std::wstring driver;
};

struct RecordedDriver {
    std::wstring name;
    std::wstring environment;  // "Windows NT x86", "Windows x64"
    std::uint32_t version = 3;
};

// One value of a device's instance key as it was before the helper service
// wrote its own.
struct SavedValue {
    std::wstring name;
    bool isNumber = false;
    std::wstring text;
    std::uint32_t number = 0;
};

// A printer class instance key our run added, and the device id it was made
// for (its "MatchingDeviceId"; empty in a record of an earlier version,
// which kept only the name). Removal deletes it only while it still says so.
struct RecordedClassInstance {
    std::wstring name;  // below the printer class key: "0003"
    std::wstring matchingDeviceId;
};

// A device instance key (below HKEY_LOCAL_MACHINE) whose values the helper
// service writes, with those of its values that were there before.
struct RecordedDevice {
    std::wstring instanceKey;
    std::vector<SavedValue> before;  // a value not listed was not there
};

// A printer port our run made: a Standard TCP/IP port for a network
// printer, or a serial port the spooler did not list. Removal deletes it
// once no printer uses it, and a network port only while it still leads to
// the address and number it was made for.
struct RecordedPort {
    std::wstring name;        // "IP_10.0.0.5", "COM5:"
    std::wstring kind;        // "NET" or "COM"
    std::wstring host;        // a network port's address as given
    std::uint32_t number = 0; // a network port's TCP port number
};

// What our runs installed for one model, so that a deployment tool can tell
// each model apart and remove one alone. `version` is written only once an
// installation of the model has succeeded; the lists name, of what the
// whole record holds, the part that came with this model.
struct RecordedModel {
    std::wstring infBaseName;  // "QX1000": the model's name in the record
    std::wstring displayName;
    std::wstring driverName;
    std::wstring version;                      // "1.0.0.0"; empty until installed
    std::vector<std::wstring> files;           // every driver-folder file its runs wrote or rely on
    std::vector<std::wstring> classInstances;  // printer class instances made for it
    std::vector<std::wstring> devices;         // device instance keys its runs recorded
    std::vector<std::wstring> ports;           // ports made for it (see RecordedPort)
};

struct InstallRecord {
    std::vector<RecordedPrinter> printers;
    std::vector<RecordedDriver> drivers;
    std::vector<std::wstring> files;    // full paths
    std::vector<std::wstring> folders;  // full paths, created by our runs
    std::vector<RecordedClassInstance> classInstances;
    // The printer class key's own values that were not there and that our
    // run wrote, each with the text it wrote. (A record of an earlier
    // version kept only a flag, set whenever the key had no instances, even
    // where Windows' own values were there: it is not read.)
    std::vector<SavedValue> classKeyValues;
    std::vector<RecordedDevice> devices;
    std::vector<RecordedPort> ports;
    std::vector<RecordedModel> models;

    bool Empty() const;

    // Each adds what is not there yet (names compared as Windows compares
    // them: ASCII letters regardless of case); true when it was added.
    bool AddRecordedPrinter(const RecordedPrinter& printer);
    bool AddDriver(const RecordedDriver& driver);
    bool AddFile(const std::wstring& path);
    bool AddFolder(const std::wstring& path);
    bool AddClassInstance(const RecordedClassInstance& instance);
    bool AddClassKeyValue(const SavedValue& value);
    bool AddRecordedPort(const RecordedPort& port);
    // Adds the model, or to the model of that name what it lacks (a version
    // given replaces the one there); true when anything was added.
    bool AddModel(const RecordedModel& model);
    // The model whose INF base name or display name is `name`; null when
    // none is recorded.
    const RecordedModel* FindModel(const std::wstring& name) const;
    // A device already in the record keeps the values saved first: those
    // are what it had before our first run.
    bool AddDevice(const RecordedDevice& device);

    bool HasDriverNamed(const std::wstring& name) const;
    bool HasClassInstanceNamed(const std::wstring& name) const;
    bool HasPrinterNamed(const std::wstring& name) const;
};

// The names of the device instance values that the helper service writes:
// the ones a device's record saves and removal puts back.
const std::vector<std::wstring>& DeviceValueNames();

// Names and paths compared as the registry and the file system compare them.
bool SameName(const std::wstring& a, const std::wstring& b);

// The files of `candidates` that no entry of `inUse` names (full paths, or
// bare names for the spooler's dependent files): what may be deleted once
// our drivers are gone.
std::vector<std::wstring> FilesNoneUses(const std::vector<std::wstring>& candidates,
                                        const std::vector<std::wstring>& inUse);

// Folders deepest first, so that a folder is removed after those inside it.
std::vector<std::wstring> DeepestFirst(std::vector<std::wstring> folders);

// One value of the entry in the system's list of programs.
struct UninstallValue {
    std::wstring name;
    bool isNumber = false;
    std::wstring text;
    std::uint32_t number = 0;
};

// The entry's values, in writing order, for the installer copy at
// `programCopy` in `folder`, with the installed files' size in bytes and the
// version ("1.0.0.0") of the program that installs.
std::vector<UninstallValue> UninstallEntryValues(const std::wstring& programCopy, const std::wstring& folder,
                                                 std::uint64_t installedBytes, const std::wstring& version);

#endif
