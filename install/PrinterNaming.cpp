#include "install/PrinterNaming.h"

#include <algorithm>

std::wstring FormatNumber(const std::wstring& format, long number)
{
    const std::wstring::size_type pos = format.find(L"%d");
    if (pos == std::wstring::npos)
        return format;
    return format.substr(0, pos) + std::to_wstring(number) + format.substr(pos + 2);
}

namespace {
wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}
}

bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (std::wstring::size_type i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::wstring MakeUniquePrinterName(const std::wstring& displayName,
                                   const std::vector<std::wstring>& existing,
                                   const std::wstring& copySuffixFormat)
{
    auto taken = [&existing](const std::wstring& candidate) {
        return std::any_of(existing.begin(), existing.end(), [&](const std::wstring& name) {
            return EqualsIgnoringAsciiCase(name, candidate);
        });
    };
    std::wstring candidate = displayName;
    // Every numbered candidate starts again from the display name, so
    // "X" and "X (Copy 1)" taken give "X (Copy 2)". A suffix format without
    // a number would repeat forever; more candidates than names cannot
    // all be taken, which bounds the walk.
    for (long counter = 1; taken(candidate); ++counter) {
        if (static_cast<std::size_t>(counter) > existing.size() + 1)
            break;
        candidate = displayName + FormatNumber(copySuffixFormat, counter);
    }
    return candidate;
}

bool FindNewPrinter(const std::vector<std::wstring>& before,
                    const std::vector<std::wstring>& after,
                    const std::wstring& printerName, std::wstring& newName)
{
    if (printerName.empty() || std::find(before.begin(), before.end(), printerName) != before.end())
        return false;
    if (std::find(after.begin(), after.end(), printerName) == after.end())
        return false;
    newName = printerName;
    return true;
}

std::wstring DefaultPrinterEntry(const std::wstring& printerName,
                                 const std::wstring& connectionType,
                                 const std::wstring& port)
{
    // A comma would split the entry's fields.
    if (printerName.find(L',') != std::wstring::npos)
        return std::wstring();
    if (connectionType == L"LPT")
        return printerName + L",winspool,LPT1:";
    if (connectionType == L"USB" || connectionType == L"NET" || connectionType == L"COM")
        return printerName + L",winspool," + port;
    return std::wstring();
}
