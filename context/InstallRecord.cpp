#include "context/InstallRecord.h"

#include <algorithm>

#include "context/ProductInfo.h"

namespace {

wchar_t AsciiLower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

template <class T, class Same>
bool AddUnique(std::vector<T>& list, const T& item, Same same)
{
    for (const T& existing : list)
        if (same(existing, item))
            return false;
    list.push_back(item);
    return true;
}

std::wstring BaseName(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool SameName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

bool InstallRecord::Empty() const
{
    return printers.empty() && drivers.empty() && files.empty() && folders.empty() && classInstances.empty() &&
           classKeyValues.empty() && devices.empty() && ports.empty() && models.empty();
}

bool InstallRecord::AddRecordedPrinter(const RecordedPrinter& printer)
{
    return AddUnique(printers, printer,
                     [](const RecordedPrinter& a, const RecordedPrinter& b) { return SameName(a.name, b.name); });
}

bool InstallRecord::AddDriver(const RecordedDriver& driver)
{
    return AddUnique(drivers, driver, [](const RecordedDriver& a, const RecordedDriver& b) {
        return SameName(a.name, b.name) && SameName(a.environment, b.environment) && a.version == b.version;
    });
}

bool InstallRecord::AddFile(const std::wstring& path)
{
    return AddUnique(files, path, SameName);
}

bool InstallRecord::AddFolder(const std::wstring& path)
{
    return AddUnique(folders, path, SameName);
}

bool InstallRecord::AddClassInstance(const RecordedClassInstance& instance)
{
    return AddUnique(classInstances, instance, [](const RecordedClassInstance& a, const RecordedClassInstance& b) {
        return SameName(a.name, b.name);
    });
}

bool InstallRecord::AddClassKeyValue(const SavedValue& value)
{
    return AddUnique(classKeyValues, value,
                     [](const SavedValue& a, const SavedValue& b) { return SameName(a.name, b.name); });
}

bool InstallRecord::AddRecordedPort(const RecordedPort& port)
{
    return AddUnique(ports, port, [](const RecordedPort& a, const RecordedPort& b) { return SameName(a.name, b.name); });
}

bool InstallRecord::AddDevice(const RecordedDevice& device)
{
    return AddUnique(devices, device, [](const RecordedDevice& a, const RecordedDevice& b) {
        return SameName(a.instanceKey, b.instanceKey);
    });
}

bool InstallRecord::HasDriverNamed(const std::wstring& name) const
{
    return std::any_of(drivers.begin(), drivers.end(),
                       [&](const RecordedDriver& d) { return SameName(d.name, name); });
}

bool InstallRecord::AddModel(const RecordedModel& model)
{
    for (RecordedModel& existing : models) {
        if (!SameName(existing.infBaseName, model.infBaseName))
            continue;
        bool added = false;
        const auto merge = [&added](std::vector<std::wstring>& into, const std::vector<std::wstring>& from) {
            for (const std::wstring& item : from)
                added = AddUnique(into, item, SameName) || added;
        };
        merge(existing.files, model.files);
        merge(existing.classInstances, model.classInstances);
        merge(existing.devices, model.devices);
        merge(existing.ports, model.ports);
        for (std::wstring RecordedModel::*text :
             {&RecordedModel::displayName, &RecordedModel::driverName, &RecordedModel::version})
            if (!(model.*text).empty() && existing.*text != model.*text) {
                existing.*text = model.*text;
                added = true;
            }
        return added;
    }
    models.push_back(model);
    return true;
}

const RecordedModel* InstallRecord::FindModel(const std::wstring& name) const
{
    for (const RecordedModel& model : models)
        if (SameName(model.infBaseName, name) || (!model.displayName.empty() && SameName(model.displayName, name)))
            return &model;
    return nullptr;
}

bool InstallRecord::HasClassInstanceNamed(const std::wstring& name) const
{
    return std::any_of(classInstances.begin(), classInstances.end(),
                       [&](const RecordedClassInstance& c) { return SameName(c.name, name); });
}

bool InstallRecord::HasPrinterNamed(const std::wstring& name) const
{
    return std::any_of(printers.begin(), printers.end(),
                       [&](const RecordedPrinter& p) { return SameName(p.name, name); });
}

const std::vector<std::wstring>& DeviceValueNames()
{
    static const std::vector<std::wstring> names = {L"DeviceDesc", L"ConfigFlags", L"ClassGUID",
                                                    L"Driver",     L"Class",       L"Mfg"};
    return names;
}

std::vector<std::wstring> FilesNoneUses(const std::vector<std::wstring>& candidates,
                                        const std::vector<std::wstring>& inUse)
{
    std::vector<std::wstring> unused;
    for (const std::wstring& file : candidates) {
        const bool used = std::any_of(inUse.begin(), inUse.end(), [&](const std::wstring& use) {
            // A bare name (a dependent file) is a file of the driver's own
            // folder: it names every file of that name there.
            return SameName(use, file) || (use.find_first_of(L"\\/") == std::wstring::npos &&
                                           SameName(use, BaseName(file)));
        });
        if (!used)
            unused.push_back(file);
    }
    return unused;
}

std::vector<std::wstring> DeepestFirst(std::vector<std::wstring> folders)
{
    std::stable_sort(folders.begin(), folders.end(), [](const std::wstring& a, const std::wstring& b) {
        return std::count(a.begin(), a.end(), L'\\') > std::count(b.begin(), b.end(), L'\\');
    });
    return folders;
}

std::vector<UninstallValue> UninstallEntryValues(const std::wstring& programCopy, const std::wstring& folder,
                                                 std::uint64_t installedBytes, const std::wstring& version)
{
    const auto text = [](const wchar_t* name, const std::wstring& value) {
        UninstallValue v;
        v.name = name;
        v.text = value;
        return v;
    };
    const auto number = [](const wchar_t* name, std::uint32_t value) {
        UninstallValue v;
        v.name = name;
        v.isNumber = true;
        v.number = value;
        return v;
    };
    const std::wstring quoted = L"\"" + programCopy + L"\"";
    // The size in kilobytes, rounded up, as the list of programs shows it.
    const std::uint64_t kb = (installedBytes + 1023) / 1024;
    return {
        text(L"DisplayName", product::kName),
        text(L"DisplayVersion", version),
        text(L"Publisher", product::kPublisher),
        text(L"DisplayIcon", programCopy + L",0"),
        text(L"HelpTelephone", product::kHotline),
        text(L"URLInfoAbout", product::kWebAddress),
        text(L"InstallLocation", folder),
        text(L"UninstallString", quoted + L" /uninstall"),
        text(L"QuietUninstallString", quoted + L" /uninstall /quiet"),
        number(L"NoModify", 1),
        number(L"NoRepair", 1),
        number(L"EstimatedSize", kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb)),
    };
}
