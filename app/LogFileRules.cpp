#include "app/LogFileRules.h"

#include <vector>

const wchar_t kNetworkLogProblem[] =
    L"it is on a network share; the log must be on a disk of this computer, where its administrators decide who "
    L"may write it";

namespace {

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

wchar_t FoldAscii(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring Backslashed(std::wstring path)
{
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

// "\\.\", "\\?\" and "\??\": names in the system's device namespaces, which
// Windows passes on without making a file path of them.
bool IsDeviceNamespace(const std::wstring& path)
{
    if (path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'.' || path[2] == L'?'))
        return path.size() == 3 || path[3] == L'\\';
    return path.compare(0, 4, L"\\??\\") == 0;
}

// Whether `part` (one name of a path) is one of the names Windows keeps for
// devices in every folder: the name before its first dot, without trailing
// spaces, is CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 or LPT0-9 (and the
// superscript 1, 2 and 3 that Windows counts as digits there), in any case.
bool IsReservedDeviceName(const std::wstring& part)
{
    std::wstring base = part.substr(0, part.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    for (wchar_t& c : base)
        c = FoldAscii(c);
    for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == name)
            return true;
    if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0))
        return false;
    const wchar_t digit = base[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

std::vector<std::wstring> Parts(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    std::wstring::size_type begin = 0;
    for (;;) {
        const std::wstring::size_type end = text.find(L'\\', begin);
        parts.push_back(text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin));
        if (end == std::wstring::npos)
            return parts;
        begin = end + 1;
    }
}

// Splits a full path into its root ("C:" or "\\server\share") and the rest
// ("\dir\file"); false when it is not a full path.
bool SplitRoot(const std::wstring& path, std::wstring& root, std::wstring& rest)
{
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        root = path.substr(0, 2);
        rest = path.substr(2);
        return true;
    }
    if (path.size() < 2 || path[0] != L'\\' || path[1] != L'\\')
        return false;
    const std::wstring::size_type server = path.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2)
        return false;
    const std::wstring::size_type share = path.find(L'\\', server + 1);
    if (share == server + 1)
        return false;
    root = path.substr(0, share);
    rest = share == std::wstring::npos ? std::wstring() : path.substr(share);
    return true;
}

// `root` and the names of `rest`, with empty names and "." left out and
// ".." taking away the name before it (never the root).
std::wstring Collapsed(const std::wstring& root, const std::wstring& rest)
{
    std::vector<std::wstring> kept;
    for (const std::wstring& part : Parts(rest)) {
        if (part.empty() || part == L".")
            continue;
        if (part == L"..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }
    std::wstring path = root;
    for (const std::wstring& part : kept)
        path += L"\\" + part;
    return kept.empty() ? path + L"\\" : path;
}

// `start` and `name` with one backslash between them.
std::wstring Under(const std::wstring& start, const std::wstring& name)
{
    return start + (start.back() == L'\\' ? L"" : L"\\") + name;
}

// `given` (not empty, backslashed, no device name) made a full path against
// `start`; empty with the reason in `problem` when it cannot be.
std::wstring Joined(const std::wstring& start, const std::wstring& given, std::wstring& problem)
{
    std::wstring root, rest;
    if (SplitRoot(given, root, rest))
        return given;
    const bool hasStart = SplitRoot(start, root, rest);
    if (given.size() >= 2 && IsDriveLetter(given[0]) && given[1] == L':') {
        // "D:name" is read in drive D's own current folder, which a program
        // does not know reliably once its current folder has moved.
        if (hasStart && root.size() == 2 && FoldAscii(root[0]) == FoldAscii(given[0]))
            return Under(start, given.substr(2));
        problem = L"it is relative to the current folder of drive " + given.substr(0, 2) +
                  L", which this program does not know; give a full path";
        return std::wstring();
    }
    if (!hasStart) {
        problem = L"it is a relative path, and the folder the program was started in is not known; give a full path";
        return std::wstring();
    }
    if (given[0] == L'\\')
        return root + given;  // from the root of the start folder's drive or share
    return Under(start, given);
}

}  // namespace

std::wstring DevicePathProblem(const std::wstring& path)
{
    const std::wstring backslashed = Backslashed(path);
    if (IsDeviceNamespace(backslashed))
        return L"it names a device, not a file";
    const bool drive = backslashed.size() >= 2 && IsDriveLetter(backslashed[0]) && backslashed[1] == L':';
    if (backslashed.find(L':', drive ? 2 : 0) != std::wstring::npos)
        return L"a colon belongs only after the drive letter; elsewhere it names a stream or a device, not a file";
    for (const std::wstring& part : Parts(backslashed))
        if (IsReservedDeviceName(part))
            return Quoted(part) + L" names a device in every folder, not a file";
    return std::wstring();
}

std::wstring ResolveLogPath(const std::wstring& startFolder, const std::wstring& given, std::wstring& problem)
{
    problem.clear();
    if (given.empty())
        return std::wstring();
    const std::wstring path = Backslashed(given);
    std::wstring why = DevicePathProblem(path);
    const std::wstring last = Parts(path).back();
    const bool driveAlone = path.size() == 2 && path[1] == L':';
    if (why.empty() && (driveAlone || last.empty() || last == L"." || last == L".."))
        why = L"it names a folder, not a file";
    std::wstring start = Backslashed(startFolder);
    while (start.size() > 3 && start.back() == L'\\')
        start.pop_back();
    const std::wstring joined = why.empty() ? Joined(start, path, why) : std::wstring();
    std::wstring root, rest, full;
    if (why.empty() && !SplitRoot(joined, root, rest))
        why = L"it cannot be made a full path";
    if (why.empty()) {
        full = Collapsed(root, rest);
        why = DevicePathProblem(full);
    }
    if (why.empty() && root.size() > 2)
        why = kNetworkLogProblem;
    if (why.empty())
        return full;
    problem = RefusedLogText(full.empty() ? given : full, why);
    return std::wstring();
}

std::wstring LogFileProblem(const LogFileFacts& facts)
{
    if (facts.reparsePoint)
        return L"it is a symbolic link, junction or other reparse point, which would send the log elsewhere";
    if (facts.directory)
        return L"it is a folder";
    if (!facts.diskFile)
        return L"it is not a file on a disk";
    if (facts.links > 1)
        return L"it has " + std::to_wstring(facts.links) +
               L" names (hard links), so it may be another file under another name";
    if (!facts.ownersKept)
        return std::wstring();
    switch (facts.owner) {
    case LogFileOwner::Administrators:
    case LogFileOwner::LocalSystem:
        return std::wstring();
    case LogFileOwner::RunningAccount:
        if (facts.elevatedRun)
            return L"it belongs to the account this installation runs as, and this run is elevated: that account's "
                   L"programs without administrator rights could have created it first and may still change it; "
                   L"only a log of the administrators or the system is used";
        return std::wstring();
    case LogFileOwner::Someone:
        return L"it belongs to neither the administrators, the system nor the account this installation runs "
               L"as: someone else created it and may still change it";
    case LogFileOwner::Unknown:
        break;
    }
    return L"its owner cannot be read";
}

std::wstring RefusedLogText(const std::wstring& path, const std::wstring& problem)
{
    return L"the log file " + Quoted(path) + L" cannot be used: " + problem;
}
