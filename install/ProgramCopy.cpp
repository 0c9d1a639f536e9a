#include "install/ProgramCopy.h"

#include <winternl.h>

#include <cstdio>

#include "context/InstallRecord.h"
#include "context/ProductInfo.h"
#include "install/DriverFileStager.h"
#include "install/FilePlan.h"
#include "install/InstallRecordStore.h"
#include "install/ProgramImage.h"
#include "install/RunLock.h"
#include "support/ErrorText.h"
#include "support/PlainFile.h"
#include "support/Security.h"
#include "support/SystemLibrary.h"

namespace {

// The largest installer this code reads into memory to copy it.
const DWORD kMaxProgramBytes = 256u * 1024u * 1024u;

bool ReadAllFrom(HANDLE file, std::vector<char>& bytes)
{
    bytes.clear();
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || size > kMaxProgramBytes)
        return false;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return false;
    bytes.resize(size);
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, size - done, &got, nullptr) || got == 0) {
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

// The size of the image this process runs, as its mapped headers say.
std::size_t RunningImageSize(const unsigned char* base)
{
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.SizeOfImage;
}

std::wstring Widened(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// ---- the clean-up copy's folder

// Sixteen hexadecimal digits from the system's random numbers, or from the
// clock where it has none: the name of a folder is only guessed by someone
// who wants to make it first, which fail-if-exists turns into another try.
std::wstring RandomName()
{
    unsigned char bytes[8] = {};
    using AcquireContext = BOOL(WINAPI*)(ULONG_PTR*, LPCWSTR, LPCWSTR, DWORD, DWORD);
    using GenRandom = BOOL(WINAPI*)(ULONG_PTR, DWORD, BYTE*);
    using ReleaseContext = BOOL(WINAPI*)(ULONG_PTR, DWORD);
    const HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    const auto acquire = LookUpFunction<AcquireContext>(advapi, "CryptAcquireContextW");
    const auto generate = LookUpFunction<GenRandom>(advapi, "CryptGenRandom");
    const auto release = LookUpFunction<ReleaseContext>(advapi, "CryptReleaseContext");
    ULONG_PTR provider = 0;
    const DWORD kProvRsaFull = 1, kVerifyContext = 0xF0000000;
    bool random = false;
    if (acquire && generate && release && acquire(&provider, nullptr, nullptr, kProvRsaFull, kVerifyContext)) {
        random = generate(provider, sizeof(bytes), bytes) != FALSE;
        release(provider, 0);
    }
    if (!random) {
        LARGE_INTEGER counter = {};
        QueryPerformanceCounter(&counter);
        const unsigned long long mix = static_cast<unsigned long long>(counter.QuadPart) ^
                                       (static_cast<unsigned long long>(GetTickCount()) << 32) ^
                                       GetCurrentProcessId();
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<unsigned char>(mix >> (8 * i));
    }
    wchar_t text[17] = {};
    for (int i = 0; i < 8; ++i)
        std::swprintf(text + 2 * i, 3, L"%02x", bytes[i]);
    return text;
}

// The folder for temporary files of this account: the system's own, only
// administrators and the system may use, for the local system account
// where the system has GetTempPath2 (Windows 11, Server 2022).
std::wstring TemporaryFolder()
{
    using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPWSTR);
    const auto getTempPath2 =
        LookUpFunction<GetTempPath2Function>(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W");
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = getTempPath2 ? getTempPath2(MAX_PATH + 1, folder) : GetTempPathW(MAX_PATH + 1, folder);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// Creates the folder `path` (a full path) where nothing of that name is,
// with `security`, and holds it open: nobody can rename or delete it, or
// put anything else at its name, until `held` is closed. Made and opened in
// one call, so that no other folder can take its place in between. It is
// deleted when the last handle of it is closed, if it is empty by then.
// False with `collision` when something of that name was there already.
bool CreateHeldFolder(const std::wstring& path, SECURITY_ATTRIBUTES* security, UniqueFile& held, bool& collision)
{
    collision = false;
    using NtCreateFileFunction = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                              PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
    const auto ntCreateFile = LookUpFunction<NtCreateFileFunction>(GetModuleHandleW(L"ntdll.dll"), "NtCreateFile");
    if (!ntCreateFile || !security)
        return false;
    std::wstring ntPath = L"\\??\\" + path;
    UNICODE_STRING name;
    name.Buffer = &ntPath[0];
    name.Length = static_cast<USHORT>(ntPath.size() * sizeof(wchar_t));
    name.MaximumLength = name.Length;
    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof(attributes);
    attributes.ObjectName = &name;
    attributes.Attributes = 0x40;  // OBJ_CASE_INSENSITIVE
    attributes.SecurityDescriptor = security->lpSecurityDescriptor;
    IO_STATUS_BLOCK status = {};
    HANDLE handle = INVALID_HANDLE_VALUE;
    const ULONG kCreate = 2;                                  // FILE_CREATE: fail if it exists
    const ULONG kDirectory = 0x1, kSynchronous = 0x20;        // FILE_DIRECTORY_FILE, FILE_SYNCHRONOUS_IO_NONALERT
    const ULONG kOpenReparsePoint = 0x00200000;               // FILE_OPEN_REPARSE_POINT
    const ULONG kDeleteOnClose = 0x00001000;                  // FILE_DELETE_ON_CLOSE
    const LONG result =
        ntCreateFile(&handle, FILE_LIST_DIRECTORY | FILE_TRAVERSE | DELETE | SYNCHRONIZE, &attributes, &status,
                     nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, kCreate,
                     kDirectory | kSynchronous | kOpenReparsePoint | kDeleteOnClose, nullptr, 0);
    const LONG kNameCollision = static_cast<LONG>(0xC0000035);  // STATUS_OBJECT_NAME_COLLISION
    if (result < 0) {
        collision = result == kNameCollision;
        return false;
    }
    held.Reset(handle);
    return true;
}

std::wstring CommandLineOf(const std::wstring& program, unsigned long processId)
{
    return L"\"" + program + L"\" /cleanup " + std::to_wstring(processId);
}

// Writes the clean-up copy from `bytes` and starts it. True when it runs.
bool StartCleanupCopy(const std::vector<char>& bytes)
{
    const std::wstring temporary = TemporaryFolder();
    if (temporary.empty())
        return false;
    AdminOnlySecurity security;
    UniqueFile folderHold;
    std::wstring folder;
    for (int attempt = 0; attempt < 16 && !folderHold.IsValid(); ++attempt) {
        folder = JoinPath(temporary, product::kCleanupFolderPrefix + RandomName());
        bool collision = false;
        if (!CreateHeldFolder(folder, security.Attributes(), folderHold, collision) && !collision)
            return false;
    }
    if (!folderHold.IsValid())
        return false;
    const std::wstring program = JoinPath(folder, product::kInstallerFileName);
    bool started = false;
    if (CreateFileWithData(program, bytes.data(), static_cast<DWORD>(bytes.size()), security.Attributes())) {
        // Held from here until the copy runs: others may read and run it,
        // but neither change, rename nor delete it. Delete-on-close, like
        // the folder, and both are handed to the copy itself, the file
        // first: the system closes them as the copy ends, so that the file
        // goes, and then its folder, empty by then (not inherited: the copy
        // must not keep a deployment tool's output pipes open).
        UniqueFile hold(CreateFileW(program.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        std::vector<char> written;
        if (hold.IsValid() && ReadAllFrom(hold.Get(), written) && written == bytes) {
            std::wstring commandLine = CommandLineOf(program, GetCurrentProcessId());
            STARTUPINFOW startup = {};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION info = {};
            wchar_t system[MAX_PATH] = {0};
            GetSystemFolder(system);
            if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                               CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, system, &startup, &info)) {
                const UniqueKernelHandle thread(info.hThread);
                const UniqueKernelHandle process(info.hProcess);
                HANDLE handedFile = nullptr, handedFolder = nullptr;
                started = DuplicateHandle(GetCurrentProcess(), hold.Get(), process.Get(), &handedFile, 0, FALSE,
                                          DUPLICATE_SAME_ACCESS) &&
                          DuplicateHandle(GetCurrentProcess(), folderHold.Get(), process.Get(), &handedFolder, 0,
                                          FALSE, DUPLICATE_SAME_ACCESS) &&
                          ResumeThread(thread.Get()) != static_cast<DWORD>(-1);
                if (!started)
                    TerminateProcess(process.Get(), 1);
            }
        } else if (!hold.IsValid()) {
            DeleteFileW(program.c_str());
        }
    }
    // Not started: the file went with its handle, the folder goes with ours.
    return started;
}

// Removes the clean-up copies' folders in `temporary` that are empty: what
// a clean-up copy that has ended leaves where the system still held its
// file when its folder's handle was closed. A folder that holds anything
// (a clean-up copy still running) stays, and so does anything else.
void RemoveEmptyCleanupFolders(const std::wstring& temporary)
{
    if (temporary.empty())
        return;
    WIN32_FIND_DATAW data;
    const UniqueFind find(
        FindFirstFileW(JoinPath(temporary, std::wstring(product::kCleanupFolderPrefix) + L"*").c_str(), &data));
    if (!find.IsValid())
        return;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveDirectoryW(JoinPath(temporary, data.cFileName).c_str());
    } while (FindNextFileW(find.Get(), &data));
}

// Deletes the installer copy and its folder when Windows restarts.
void ParkUntilRestart()
{
    MoveFileExW(ProgramCopyPath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(ProductFolder().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool RunningProgramFile::Hold()
{
    m_file.Reset();
    m_problem.clear();
    m_path = RunningProgramPath();
    if (m_path.empty()) {
        m_problem = L"the running program's path is not known" + SystemErrorText(GetLastError());
        return false;
    }
    // Read sharing only: from here on nobody can write, rename or delete it.
    m_file.Reset(CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsValid()) {
        m_problem = L"the program's file " + m_path + L" cannot be held" + SystemErrorText(GetLastError());
        return false;
    }
    // It was swapped before it was held, if it is not the program that runs.
    std::vector<char> bytes;
    if (!ReadAllFrom(m_file.Get(), bytes)) {
        m_problem = L"the program's file " + m_path + L" cannot be read" + SystemErrorText(GetLastError());
        return false;
    }
    const unsigned char* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
    std::string where;
    const ImageComparison comparison =
        CompareFileWithImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), base,
                             RunningImageSize(base), reinterpret_cast<std::uintptr_t>(base), where);
    if (comparison != ImageComparison::Same) {
        m_problem = L"the file " + m_path + L" is not the program that runs (its " + Widened(where) + L" differ)";
        return false;
    }
    return true;
}

bool RunningProgramFile::ReadAll(std::vector<char>& bytes) const
{
    bytes.clear();
    return Held() && ReadAllFrom(m_file.Get(), bytes);
}

std::wstring ProgramCopyPath()
{
    const std::wstring folder = ProductFolder();
    return folder.empty() ? std::wstring() : JoinPath(folder, product::kInstallerFileName);
}

bool WriteProgramCopy(const RunningProgramFile& program, const std::wstring& target)
{
    if (!program.Held() || target.empty())
        return false;
    if (SameName(program.Path(), target))
        return true;  // removal's own copy installing again: it is in place
    std::vector<char> bytes;
    return program.ReadAll(bytes) &&
           WriteFileThroughScratch(target, bytes.data(), static_cast<DWORD>(bytes.size()), true);
}

bool RunningFromProgramCopy(const RunningProgramFile& program)
{
    return !program.Path().empty() && SameName(program.Path(), ProgramCopyPath());
}

bool StartProgramCopyCleanup(const RunningProgramFile& program)
{
    // The copy stays with the entry (a removal of one model of several).
    if (!RunningFromProgramCopy(program) || UninstallEntryExists() ||
        GetFileAttributesW(ProgramCopyPath().c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    std::vector<char> bytes;
    const bool started = program.ReadAll(bytes) && StartCleanupCopy(bytes);
    if (!started)
        ParkUntilRestart();
    return started;
}

void FinishProgramCopyDeletion(unsigned long processId)
{
    {
        const UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        if (process.IsValid())
            WaitForSingleObject(process.Get(), INFINITE);
    }
    // No run may install meanwhile: an installation made after the removal
    // has its own copy in that folder.
    RunLock lock;
    while (lock.Acquire() == LockOutcome::HeldByAnotherRun)
        Sleep(500);
    // Only after a whole removal (the entry is gone).
    if (!UninstallEntryExists()) {
        bool deleted = false;
        for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
            deleted = DeleteFileW(ProgramCopyPath().c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
                      GetLastError() == ERROR_PATH_NOT_FOUND;
            if (!deleted)
                Sleep(100);
        }
        if (deleted)
            RemoveDirectoryW(ProductFolder().c_str());
        else
            ParkUntilRestart();
    }
    // This copy's own file goes when it ends, with the delete-on-close
    // handle its starter handed it, and its folder with the other where the
    // system has let go of the file by then. Where it has not, the empty
    // folder stays until the next clean-up copy, which takes away the empty
    // ones of those before it, as here. Nothing is left to a deletion at the
    // next restart by name: one waiting tells deployment tools that the
    // computer needs a restart.
    RemoveEmptyCleanupFolders(ModuleFolderOf(ModuleFolderOf(RunningProgramPath())));
}
