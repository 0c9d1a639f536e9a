#include "install/PendingDeletionList.h"

#include "context/InstallRecord.h"

namespace {

// The path of a source as MoveFileEx writes it: "\??\C:\dir\file".
std::wstring PlainPath(const std::wstring& source)
{
    const std::wstring prefix = L"\\??\\";
    return source.compare(0, prefix.size(), prefix) == 0 ? source.substr(prefix.size()) : source;
}

}  // namespace

std::vector<std::wstring> SplitPendingOperations(const std::wstring& units)
{
    std::vector<std::wstring> entries;
    std::wstring::size_type start = 0;
    // The data ends with the list's own NUL after the last string's; a list
    // written without it loses nothing either.
    std::wstring::size_type end = units.size();
    if ((end >= 2 && units[end - 1] == L'\0' && units[end - 2] == L'\0') || (end == 1 && units[0] == L'\0'))
        --end;
    while (start < end) {
        std::wstring::size_type nul = units.find(L'\0', start);
        if (nul == std::wstring::npos || nul > end)
            nul = end;
        entries.push_back(units.substr(start, nul - start));
        start = nul + 1;
    }
    return entries;
}

std::wstring JoinPendingOperations(const std::vector<std::wstring>& entries)
{
    std::wstring units;
    for (const std::wstring& entry : entries) {
        units += entry;
        units += L'\0';
    }
    units += L'\0';
    return units;
}

std::vector<std::wstring> WithoutDeletionsOf(const std::vector<std::wstring>& entries,
                                             const std::vector<std::wstring>& paths, std::size_t& removed)
{
    removed = 0;
    std::vector<std::wstring> kept;
    std::size_t i = 0;
    for (; i + 1 < entries.size(); i += 2) {
        bool ours = false;
        if (entries[i + 1].empty())
            for (const std::wstring& path : paths)
                ours = ours || SameName(PlainPath(entries[i]), path);
        if (ours) {
            ++removed;
            continue;
        }
        kept.push_back(entries[i]);
        kept.push_back(entries[i + 1]);
    }
    for (; i < entries.size(); ++i)
        kept.push_back(entries[i]);
    return kept;
}
