// The unattended installation's log against the prefix's file system: the
// rights a new log gets, who the owner rule takes for whom, that a log
// being written cannot be written by anyone else, and that a new log that
// is refused is deleted again while an old one is kept.
//
// Wine keeps no owner and no rights for files (it reports the running
// account as every file's owner), so what a new log's rights do on Windows
// is checked here on the security descriptor the program hands to
// CreateFileW, and the owner rule on the SIDs it compares.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <string>
#include <vector>

#include "app/InstallLog.h"
#include "tests/common/WineMachine.h"

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

struct Sid {
    explicit Sid(BYTE count, DWORD first, DWORD second = 0, BYTE authority = 5)
    {
        SID_IDENTIFIER_AUTHORITY id = {{0, 0, 0, 0, 0, authority}};
        AllocateAndInitializeSid(&id, count, first, second, 0, 0, 0, 0, 0, 0, &sid);
    }
    ~Sid() { FreeSid(sid); }
    Sid(const Sid&) = delete;
    Sid& operator=(const Sid&) = delete;
    PSID sid = nullptr;
};

}  // namespace

TEST(InstallLog, ANewLogIsWrittenByAdministratorsAndTheSystemOnly)
{
    LogFileSecurity security;
    ASSERT_NE(nullptr, security.Attributes());
    PSECURITY_DESCRIPTOR descriptor = security.Attributes()->lpSecurityDescriptor;
    ASSERT_TRUE(IsValidSecurityDescriptor(descriptor));

    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
    EXPECT_EQ(LogFileOwner::Administrators, OwnerKind(owner)) << "the owner is given, not the token's default";
    EXPECT_FALSE(defaulted);

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_NE(0, control & SE_DACL_PROTECTED) << "the folder's inheritable entries would be added";

    BOOL present = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(nullptr, dacl) << "a null list would let everyone write";
    const Sid administrators(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const Sid system(1, SECURITY_LOCAL_SYSTEM_RID);
    const Sid users(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS);
    const DWORD writing = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA | DELETE |
                          WRITE_DAC | WRITE_OWNER;
    bool administratorsWrite = false, systemWrites = false, usersRead = false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &entry));
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        ASSERT_EQ(ACCESS_ALLOWED_ACE_TYPE, header->AceType) << "entry " << i;
        EXPECT_EQ(0, header->AceFlags) << "entry " << i << " is inherited or inheritable";
        const ACCESS_ALLOWED_ACE* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID who = const_cast<DWORD*>(&ace->SidStart);
        if (EqualSid(who, administrators.sid))
            administratorsWrite = (ace->Mask & writing) == writing;
        else if (EqualSid(who, system.sid))
            systemWrites = (ace->Mask & writing) == writing;
        else if (EqualSid(who, users.sid))
            usersRead = (ace->Mask & FILE_READ_DATA) != 0 && (ace->Mask & writing) == 0;
        else
            ADD_FAILURE() << "entry " << i << " grants access to someone else";
    }
    EXPECT_TRUE(administratorsWrite);
    EXPECT_TRUE(systemWrites);
    EXPECT_TRUE(usersRead) << "users may read the log, never write it";
}

TEST(InstallLog, TheOwnerRuleKnowsAdministratorsTheSystemAndThisAccount)
{
    const Sid administrators(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const Sid system(1, SECURITY_LOCAL_SYSTEM_RID);
    const Sid users(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS);
    const Sid everyone(1, SECURITY_WORLD_RID, 0, 1);
    const Sid someUser(2, SECURITY_NT_NON_UNIQUE, 4242);
    EXPECT_EQ(LogFileOwner::Administrators, OwnerKind(administrators.sid));
    EXPECT_EQ(LogFileOwner::LocalSystem, OwnerKind(system.sid));
    EXPECT_EQ(LogFileOwner::Someone, OwnerKind(users.sid));
    EXPECT_EQ(LogFileOwner::Someone, OwnerKind(everyone.sid)) << "what a volume without owners would say";
    EXPECT_EQ(LogFileOwner::Someone, OwnerKind(someUser.sid));
    EXPECT_EQ(LogFileOwner::Unknown, OwnerKind(nullptr));

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    std::vector<DWORD> user(64);
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size() * 4), &size));
    CloseHandle(token);
    const LogFileOwner self = OwnerKind(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
    EXPECT_TRUE(self == LogFileOwner::RunningAccount || self == LogFileOwner::LocalSystem)
        << static_cast<int>(self);
}

TEST(InstallLog, ANewLogPassesItsOwnRulesAndNobodyElseWritesItMeanwhile)
{
    const std::wstring folder = L"C:\\qv-install-log-test";
    wm::RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring path = folder + L"\\quorvex.log";
    std::wstring problem;
    {
        CInstallLog log;
        ASSERT_TRUE(log.Open(path, problem)) << Narrow(problem);
        log.Line(L"first run");
        // Windows makes the administrators its owner, Wine the running account.
        HANDLE check = CreateFileW(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, check);
        const LogFileOwner owner = OwnerOf(check);
        CloseHandle(check);
        EXPECT_TRUE(owner == LogFileOwner::Administrators || owner == LogFileOwner::RunningAccount)
            << static_cast<int>(owner);

        // While the run writes, others may read, but not write.
        SetLastError(0);
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
        EXPECT_NE(std::string::npos, wm::ReadText(path).find("first run"));
    }
    // Under Wine the earlier run's log is this account's, and the run is
    // elevated: accepted only because the volume shows it keeps no owners,
    // asked of a scratch file that is gone again.
    CInstallLog again;
    EXPECT_TRUE(again.Open(path, problem)) << "a log of an earlier run is refused: " << Narrow(problem);
    again.Line(L"second run");
    WIN32_FIND_DATAW found;
    HANDLE listing = FindFirstFileW((folder + L"\\*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, listing) << "left behind: " << Narrow(found.cFileName);
    if (listing != INVALID_HANDLE_VALUE)
        FindClose(listing);
    wm::RemoveTree(folder);
}

namespace {

const std::wstring kScratch = L"C:\\qv-install-log-refused";

template <typename Done>
bool WaitUntil(Done done, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(20);
    }
    return true;
}

bool TokenIsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD elevated = 0, size = 0;
    const bool known = GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(20), &elevated,
                                           sizeof(elevated), &size) != FALSE;
    CloseHandle(token);
    return known && elevated != 0;
}

size_t FilesIn(const std::wstring& folder)
{
    size_t count = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

bool Append(const UniqueFile& log, const std::string& text)
{
    DWORD written = 0;
    return WriteFile(log.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

// A log this call made and then refuses is deleted again; one that was there
// before is never touched, refused or not.
TEST(InstallLog, ARefusedNewLogIsDeletedAndAnOldOneIsKept)
{
    wm::RemoveTree(kScratch);
    ASSERT_TRUE(CreateDirectoryW(kScratch.c_str(), nullptr));
    const std::wstring path = kScratch + L"\\quorvex.log";
    int judged = 0;
    LogFileFacts seen;
    const LogFileJudge refuseAll = [&](const LogFileFacts& facts) {
        ++judged;
        seen = facts;
        return std::wstring(L"refused by the test");
    };
    UniqueFile log;
    bool held = true;
    std::wstring problem;

    EXPECT_FALSE(OpenLogFile(path, refuseAll, log, held, problem));
    EXPECT_EQ(1, judged);
    EXPECT_FALSE(log.IsValid());
    EXPECT_FALSE(held);
    EXPECT_NE(std::string::npos, Narrow(problem).find("refused by the test; the new file was deleted again"))
        << Narrow(problem);
    EXPECT_FALSE(wm::FileExists(path)) << "a refused new log was left behind";
    // What was judged was the new file itself, and the run's elevation as
    // its token tells it. A new log was given the administrators group as
    // its owner: a volume that reports another keeps no owners (Wine).
    EXPECT_EQ(1u, seen.links);
    EXPECT_FALSE(seen.reparsePoint);
    EXPECT_TRUE(seen.diskFile);
    EXPECT_EQ(TokenIsElevated(), seen.elevatedRun);
    EXPECT_EQ(seen.owner == LogFileOwner::Administrators, seen.ownersKept) << static_cast<int>(seen.owner);
    const bool volumeKeepsOwners = seen.ownersKept;

    ASSERT_TRUE(wm::WriteFileBytes(path, "an earlier run\r\n"));
    EXPECT_FALSE(OpenLogFile(path, refuseAll, log, held, problem));
    EXPECT_EQ(2, judged);
    EXPECT_EQ(std::string::npos, Narrow(problem).find("deleted")) << Narrow(problem);
    EXPECT_EQ("an earlier run\r\n", wm::ReadText(path)) << "a refused old log was changed";
    // An old log of this account in an elevated run (Wine's every file) is
    // judged on whether the volume keeps owners at all, as a new file
    // showed, asked of a scratch file that is gone again.
    if (seen.elevatedRun && seen.owner == LogFileOwner::RunningAccount) {
        EXPECT_EQ(volumeKeepsOwners, seen.ownersKept);
    }
    EXPECT_EQ(1u, FilesIn(kScratch)) << "the scratch file of the owner check stayed";

    // Accepted, the old log is appended to; a new one is there to write.
    const LogFileJudge acceptAll = [](const LogFileFacts&) { return std::wstring(); };
    ASSERT_TRUE(OpenLogFile(path, acceptAll, log, held, problem)) << Narrow(problem);
    EXPECT_TRUE(Append(log, "this run\r\n"));
    log.Reset();
    EXPECT_EQ("an earlier run\r\nthis run\r\n", wm::ReadText(path));
    const std::wstring fresh = kScratch + L"\\fresh.log";
    ASSERT_TRUE(OpenLogFile(fresh, acceptAll, log, held, problem)) << Narrow(problem);
    EXPECT_TRUE(Append(log, "first line\r\n"));
    // Others may read the new log while it is written (as they may any
    // log), but not write it.
    HANDLE reader = CreateFileW(fresh.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader) << "a reader is kept out, system error " << GetLastError();
    if (reader != INVALID_HANDLE_VALUE)
        CloseHandle(reader);
    SetLastError(0);
    HANDLE writer = CreateFileW(fresh.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    log.Reset();
    EXPECT_EQ("first line\r\n", wm::ReadText(fresh));
    wm::RemoveTree(kScratch);
}

// The folder of a new log becomes a junction between the check and the
// creation (here: while the new file is judged, the host moves the folder
// away and leaves a link to it in its place). The log is refused, and the
// file that was made goes again where it landed.
TEST(InstallLog, ANewLogBehindAFolderThatBecameAJunctionIsDeletedWhereItLanded)
{
    wm::RemoveTree(kScratch);
    const std::wstring folder = kScratch + L"\\logs", elsewhere = kScratch + L"\\elsewhere";
    ASSERT_TRUE(CreateDirectoryW(kScratch.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring landed = elsewhere + L"\\quorvex.log";
    bool swapped = false;
    const LogFileJudge swapFolder = [&](const LogFileFacts&) {
        swapped = wm::StartHostProgram(L"/bin/mv", L"-T", {folder, elsewhere}) &&
                  WaitUntil([&] { return wm::FileExists(landed); }, 5000) &&
                  wm::StartHostProgram(L"/bin/ln", L"-s", {elsewhere, folder}) &&
                  WaitUntil([&] { return wm::IsReparsePoint(folder); }, 5000);
        return std::wstring();
    };
    UniqueFile log;
    bool held = false;
    std::wstring problem;
    EXPECT_FALSE(OpenLogFile(folder + L"\\quorvex.log", swapFolder, log, held, problem));
    ASSERT_TRUE(swapped) << "the host could not move the folder and link it";
    EXPECT_NE(std::string::npos,
              Narrow(problem).find("logs\" became a junction or symbolic link; the new file was deleted again"))
        << Narrow(problem);
    EXPECT_TRUE(WaitUntil([&] { return !wm::FileExists(landed); }, 2000))
        << "the refused new log stayed where it landed";

    if (wm::StartHostProgram(L"/bin/rm", L"-f", {folder}))
        WaitUntil([&] { return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES; }, 5000);
    wm::RemoveTree(kScratch);
}
