#include "install/PendingDeletions.h"

#include <windows.h>

#include "install/PendingDeletionList.h"
#include "support/Handle.h"

namespace {

const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
// Windows keeps a second list when the first one grows large.
const wchar_t* const kListValues[] = {L"PendingFileRenameOperations", L"PendingFileRenameOperations2"};

// Takes the deletions of `paths` out of value `name` of `key`.
bool CancelIn(HKEY key, const wchar_t* name, const std::vector<std::wstring>& paths)
{
    DWORD type = 0, size = 0;
    LONG status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    if (status != ERROR_SUCCESS || type != REG_MULTI_SZ)
        return status == ERROR_SUCCESS;  // not a list the system would read either
    std::wstring units(size / sizeof(wchar_t) + 1, L'\0');
    status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&units[0]), &size);
    if (status != ERROR_SUCCESS)
        return false;
    units.resize(size / sizeof(wchar_t));
    std::size_t removed = 0;
    const std::vector<std::wstring> kept = WithoutDeletionsOf(SplitPendingOperations(units), paths, removed);
    if (removed == 0)
        return true;
    if (kept.empty())
        return RegDeleteValueW(key, name) == ERROR_SUCCESS;
    const std::wstring data = JoinPendingOperations(kept);
    return RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

bool CancelPendingDeletions(const std::vector<std::wstring>& paths)
{
    UniqueRegKey key;
    const LONG status =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.Put());
    if (status != ERROR_SUCCESS) {
        key.Release();
        return status == ERROR_FILE_NOT_FOUND;
    }
    bool ok = true;
    for (const wchar_t* name : kListValues)
        ok = CancelIn(key.Get(), name, paths) && ok;
    return ok;
}
