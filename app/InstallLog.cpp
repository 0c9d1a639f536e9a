#include "app/InstallLog.h"

#include <aclapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/ErrorText.h"
#include "support/Security.h"
#include "support/SystemLibrary.h"

namespace {

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring SystemError(DWORD code)
{
    return SystemErrorText(code);
}

// Why CreateFileW could not open or create the log.
std::wstring OpenFailure(DWORD code)
{
    switch (code) {
    case ERROR_SHARING_VIOLATION:
        return L"another program has it open for writing" + SystemError(code);
    case ERROR_ACCESS_DENIED:
        return L"access to it is denied" + SystemError(code);
    case ERROR_INVALID_OWNER:
        return L"it cannot be created owned by the administrators group, which only an administrator can do" +
               SystemError(code);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return L"its folder does not exist" + SystemError(code);
    default:
        return L"it cannot be opened" + SystemError(code);
    }
}

// Whether the folder `path`, held open as `held` (the name itself, not what
// it may point to), is a junction, symbolic link or other reparse point.
// Asked both ways: Windows says so for the handle, Wine only for the name
// (where the attributes of a link are the link's, not its target's).
bool IsReparseFolder(const std::wstring& path, HANDLE held)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (GetFileInformationByHandle(held, &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return true;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The first of `folders` (held open as `held`) that is a junction, symbolic
// link or other reparse point; empty when none is.
std::wstring ReparseFolder(const std::vector<std::wstring>& folders, const std::vector<UniqueFile>& held)
{
    for (size_t i = 0; i < folders.size() && i < held.size(); ++i)
        if (IsReparseFolder(folders[i], held[i].Get()))
            return folders[i];
    return std::wstring();
}

// The folders from the drive down to the one that holds the file:
// "C:\a\b\c.log" has "C:\a" and "C:\a\b".
std::vector<std::wstring> FoldersOnTheWay(const std::wstring& path)
{
    std::vector<std::wstring> folders;
    for (std::wstring::size_type at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        folders.push_back(path.substr(0, at));
    return folders;
}

std::wstring FullPathName(const std::wstring& path)
{
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return std::wstring();
    std::vector<wchar_t> buffer(size + 1);
    const DWORD length = GetFullPathNameW(path.c_str(), size + 1, buffer.data(), nullptr);
    return length > 0 && length <= size ? std::wstring(buffer.data(), length) : std::wstring();
}

// Marks the file open as `file` (with DELETE access) to be deleted when its
// last handle closes; empty, or why not. Through the handle, so that
// exactly that file goes whatever its name leads to now. The Win32 call for
// it, SetFileInformationByHandle, is Vista's; NT's own (NtSetInformationFile,
// Windows 2000 and later) is looked up at run time in ntdll.dll, which every
// process has loaded, rather than imported.
std::wstring MarkForDeletion(HANDLE file)
{
    struct StatusBlock {  // IO_STATUS_BLOCK
        union {
            LONG status;
            void* pointer;
        };
        ULONG_PTR information;
    };
    const ULONG kFileDispositionInformation = 13;
    typedef LONG(WINAPI * SetInformationFile)(HANDLE, StatusBlock*, void*, ULONG, ULONG);
    const auto setInformation =
        LookUpFunction<SetInformationFile>(GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile");
    if (!setInformation)
        return L"the system has no NtSetInformationFile";
    StatusBlock block = {};
    BOOLEAN deleteFile = TRUE;  // FILE_DISPOSITION_INFORMATION
    const LONG status = setInformation(file, &block, &deleteFile, sizeof(deleteFile), kFileDispositionInformation);
    if (status >= 0)
        return std::wstring();
    wchar_t text[32] = {0};
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L"status 0x%08lX", static_cast<unsigned long>(status));
    return text;
}

// Whether `owner`, read from a file made with the new log's security, is
// not the administrators group it was given. An owner that cannot be read
// tells nothing.
bool Misreported(LogFileOwner owner)
{
    return owner != LogFileOwner::Administrators && owner != LogFileOwner::Unknown;
}

// Whether the volume keeps the owner that a new file in `folder` is given,
// asked of a scratch file made there with the new log's security and
// deleted as it is closed. Where none can be made, owners count as kept.
bool KeepsGivenOwners(const std::wstring& folder, LogFileSecurity& security)
{
    const std::wstring name = folder + L"\\~quorvex-owner-check-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount()) + L".tmp";
    const UniqueFile scratch(CreateFileW(name.c_str(), DELETE | READ_CONTROL, 0, security.Attributes(), CREATE_NEW,
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE |
                                             FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    return !scratch.IsValid() || !Misreported(OwnerOf(scratch.Get()));
}

void WriteUtf8(HANDLE file, const std::wstring& text)
{
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

LogFileOwner OwnerKind(PSID owner)
{
    if (!owner)
        return LogFileOwner::Unknown;
    if (IsAccount(owner, WellKnownAccount::Administrators))
        return LogFileOwner::Administrators;
    if (IsAccount(owner, WellKnownAccount::LocalSystem))
        return LogFileOwner::LocalSystem;
    return ProcessUserIs(owner) ? LogFileOwner::RunningAccount : LogFileOwner::Someone;
}

LogFileOwner OwnerOf(HANDLE handle)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return LogFileOwner::Unknown;
    const UniqueLocal held(descriptor);
    return OwnerKind(owner);
}

bool OpenLogFile(const std::wstring& path, const LogFileJudge& judge, UniqueFile& log, bool& heldByAnother,
                 std::wstring& problem)
{
    log.Reset();
    heldByAnother = false;
    problem.clear();
    const auto refuse = [&problem, &path](const std::wstring& why) {
        problem = RefusedLogText(path, why);
        return false;
    };
    // Windows' own full form of the path drops trailing dots and spaces and
    // makes a device path of a reserved name: the rules see what it opens.
    const std::wstring full = FullPathName(path);
    if (full.size() < 3 || full[1] != L':' || full[2] != L'\\')
        return refuse(L"it is not a full path on a drive" + SystemError(GetLastError()));
    std::wstring why = DevicePathProblem(full);
    if (!why.empty())
        return refuse(why);
    const std::wstring root = full.substr(0, 3);
    if (GetDriveTypeW(root.c_str()) == DRIVE_REMOTE)
        return refuse(kNetworkLogProblem);

    // The folders on the way are held open without delete sharing until the
    // file is open, so none of them can be renamed or deleted and replaced
    // by a junction in between; each is looked at once held, and once more
    // after the file is open (an empty folder can become a junction where
    // it stands).
    const std::vector<std::wstring> folders = FoldersOnTheWay(full);
    std::vector<UniqueFile> held;
    for (const std::wstring& folder : folders) {
        held.emplace_back(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
        if (!held.back().IsValid()) {
            const DWORD code = GetLastError();
            return refuse(code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                              ? L"its folder " + Quoted(folder) + L" does not exist"
                              : L"its folder " + Quoted(folder) + L" cannot be held" + SystemError(code));
        }
    }
    const std::wstring reparseFolder = ReparseFolder(folders, held);
    if (!reparseFolder.empty())
        return refuse(L"its folder " + Quoted(reparseFolder) + L" is a junction or symbolic link");

    LogFileSecurity security;
    if (!security.Attributes())
        return refuse(L"the access rights of a new log cannot be prepared" + SystemError(GetLastError()));

    // A new log is created with the right to delete it, so that a file this
    // call made and then refuses goes again: by that handle, never by name,
    // since the name may lead elsewhere by then (a folder on the way turned
    // into a junction is one reason to refuse). Once accepted it is written
    // through a second handle without that right, so that others can read
    // it as they read any log; the creating handle shares writing for that
    // moment, when the new file's rights let only the administrators and
    // the system write it. A log that was there before is opened without the
    // right to delete it, and a refused one stays as it was.
    UniqueFile created;
    UniqueFile file;
    DWORD code = ERROR_SUCCESS;
    bool foundThere = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        created.Reset(CreateFileW(full.c_str(), DELETE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, security.Attributes(), CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (created.IsValid())
            break;
        code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            break;
        foundThere = true;
        // Appending only: every write lands at the end, so later runs add
        // to the log without overwriting the lines of earlier ones. Others
        // may read it while the run writes, but not write it or hold it for
        // writing.
        file.Reset(CreateFileW(full.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (file.IsValid())
            break;
        code = GetLastError();
        // Gone again between the two calls: created anew on the next round.
        if (code != ERROR_FILE_NOT_FOUND)
            break;
    }
    if (!created.IsValid() && !file.IsValid()) {
        heldByAnother = code == ERROR_SHARING_VIOLATION;
        if (foundThere && code == ERROR_FILE_NOT_FOUND)
            return refuse(L"it was gone again each time it was to be opened" + SystemError(code));
        return refuse(OpenFailure(code));
    }
    // From here every refusal of a new log deletes it again.
    const auto refuseNew = [&](const std::wstring& reason) {
        file.Reset();
        if (!created.IsValid())
            return refuse(reason);
        const std::wstring notDeleted = MarkForDeletion(created.Get());
        created.Reset();
        return refuse(notDeleted.empty() ? reason + L"; the new file was deleted again"
                                         : reason + L"; the new file could not be deleted again (" + notDeleted + L")");
    };

    const HANDLE judged = created.IsValid() ? created.Get() : file.Get();
    LogFileFacts facts;
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(judged, &information))
        return refuseNew(L"what it is cannot be read" + SystemError(GetLastError()));
    facts.reparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.links = information.nNumberOfLinks;
    facts.diskFile = GetFileType(judged) == FILE_TYPE_DISK;
    DWORD volumeFlags = 0;
    facts.ownersKept = !GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &volumeFlags, nullptr, 0) ||
                       (volumeFlags & FILE_PERSISTENT_ACLS) != 0;
    facts.owner = OwnerOf(judged);
    facts.elevatedRun = ProcessTokenIsElevated();
    // A volume may say it keeps owners and still not keep the one a new
    // file is given (Wine names the running account every file's owner).
    // Such a volume keeps no owners to go by. A new log shows it itself: it
    // was given the administrators group. For an old log it is asked only
    // where the answer decides, of a scratch file made and deleted beside it.
    if (facts.ownersKept && created.IsValid())
        facts.ownersKept = !Misreported(facts.owner);
    else if (facts.ownersKept && facts.elevatedRun && facts.owner == LogFileOwner::RunningAccount)
        facts.ownersKept = KeepsGivenOwners(full.substr(0, full.find_last_of(L'\\')), security);
    why = judge(facts);
    if (!why.empty())
        return refuseNew(why);
    const std::wstring becameReparse = ReparseFolder(folders, held);
    if (!becameReparse.empty())
        return refuseNew(L"its folder " + Quoted(becameReparse) + L" became a junction or symbolic link");

    if (created.IsValid()) {
        // The writer of the new log, which must let the creating handle keep
        // its right to delete until it is closed (and so shares deletion,
        // which the new log's rights allow only the administrators and the
        // system). The folders are held and the new file cannot be renamed
        // meanwhile, so the name leads to it; that it does is checked all
        // the same.
        file.Reset(CreateFileW(full.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL,
                               FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.IsValid()) {
            code = GetLastError();
            heldByAnother = code == ERROR_SHARING_VIOLATION;
            return refuseNew(OpenFailure(code));
        }
        BY_HANDLE_FILE_INFORMATION opened = {};
        if (!GetFileInformationByHandle(file.Get(), &opened) ||
            opened.dwVolumeSerialNumber != information.dwVolumeSerialNumber ||
            opened.nFileIndexHigh != information.nFileIndexHigh || opened.nFileIndexLow != information.nFileIndexLow)
            return refuseNew(L"its name led to another file than the one just created");
        created.Reset();
    }
    log = std::move(file);
    return true;
}

bool CInstallLog::Open(const std::wstring& path, std::wstring& problem)
{
    return OpenLogFile(path, LogFileProblem, m_file, m_heldByAnother, problem);
}

void CInstallLog::Line(const std::wstring& text)
{
    if (!m_file.IsValid())
        return;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t stamp[32] = {0};
    std::swprintf(stamp, sizeof(stamp) / sizeof(stamp[0]), L"%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    std::wstring line = stamp + text;
    // One line stays one line, whatever a file name or a system text holds.
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    WriteUtf8(m_file.Get(), line + L"\r\n");
}

void WriteStandardError(const std::wstring& text)
{
    // A window program has no console of its own. A deployment tool that
    // collects the program's output hands it standard handles when it starts
    // it; a program started from a command prompt can write to the prompt's
    // console once attached to it (Windows XP and later). Windows 2000
    // without handles has nowhere to show it: the exit code tells.
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    UniqueFile console;
    if (error == nullptr || error == INVALID_HANDLE_VALUE) {
        using AttachConsoleFunction = BOOL(WINAPI*)(DWORD);
        const DWORD parentProcess = static_cast<DWORD>(-1);  // ATTACH_PARENT_PROCESS
        const auto attach =
            LookUpFunction<AttachConsoleFunction>(GetModuleHandleW(L"kernel32.dll"), "AttachConsole");
        if (!attach || !attach(parentProcess))
            return;
        console.Reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
        if (!console.IsValid())
            return;
        error = console.Get();
    }
    const std::wstring line = text + L"\r\n";
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(error, &mode))
        WriteConsoleW(error, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
    else
        WriteUtf8(error, line);
}
