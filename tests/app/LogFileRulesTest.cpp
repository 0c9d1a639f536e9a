// The rules for the unattended installation's log: which names are devices
// rather than files, and which files an elevated run may append to.
#include <gtest/gtest.h>

#include "app/LogFileRules.h"

namespace {

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

}  // namespace

TEST(LogFileRules, DevicesAndStreamsAreNoLogFiles)
{
    const struct {
        const wchar_t* path;
        const char* reason;  // empty: a file
    } cases[] = {
        {L"\\\\.\\C:", "it names a device"},
        {L"\\\\.\\pipe\\qv", "it names a device"},
        {L"//./PhysicalDrive0", "it names a device"},
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\setup.log", "it names a device"},
        {L"\\\\?\\C:\\logs\\setup.log", "it names a device"},
        {L"\\??\\C:\\logs\\setup.log", "it names a device"},
        {L"\\\\.", "it names a device"},
        // Reserved names, in every folder, with or without an extension.
        {L"NUL", "\"NUL\" names a device in every folder"},
        {L"C:\\logs\\nul.log", "\"nul.log\" names a device"},
        {L"C:\\logs\\Com1.log", "\"Com1.log\" names a device"},
        {L"C:\\LPT9\\setup.log", "\"LPT9\" names a device"},
        {L"C:\\logs\\con .log", "\"con .log\" names a device"},
        {L"C:\\logs\\aux.tar.gz", "\"aux.tar.gz\" names a device"},
        {L"C:\\logs\\CONOUT$", "\"CONOUT$\" names a device"},
        {L"C:\\logs\\com\u00B2", "names a device"},
        {L"C:\\logs\\lpt0.txt", "names a device"},
        // Streams of a file or folder, and device names with a colon.
        {L"C:\\logs\\setup.log:hidden", "a colon belongs only after the drive letter"},
        {L"C:\\logs::$INDEX_ALLOCATION\\setup.log", "a colon belongs only after the drive letter"},
        {L"nul:", "a colon belongs only after the drive letter"},
        // Names that only look like devices.
        {L"C:\\logs\\console.log", ""},
        {L"C:\\logs\\com10.log", ""},
        {L"C:\\logs\\lpt.log", ""},
        {L"C:\\nullable\\null.log", ""},
        {L"C:\\logs\\.nul", ""},
        {L"\\\\server\\share\\setup.log", ""},
        {L"C:\\logs\\setup.log", ""},
    };
    for (const auto& c : cases) {
        const std::string problem = Narrow(DevicePathProblem(c.path));
        if (*c.reason == 0)
            EXPECT_EQ("", problem) << Narrow(c.path);
        else
            EXPECT_NE(std::string::npos, problem.find(c.reason)) << Narrow(c.path) << ": " << problem;
        // The command line's path is refused for the same reason, also when
        // only its full form holds the device name.
        std::wstring refused;
        const std::wstring full = ResolveLogPath(L"C:\\deploy", c.path, refused);
        if (*c.reason != 0) {
            EXPECT_EQ(L"", full) << Narrow(c.path);
            EXPECT_NE(std::string::npos, Narrow(refused).find(c.reason)) << Narrow(refused);
        }
    }
    std::wstring problem;
    EXPECT_EQ(L"", ResolveLogPath(L"C:\\NUL\\x", L"..\\setup.log", problem));
    EXPECT_NE(std::string::npos, Narrow(problem).find("\"NUL\" names a device")) << Narrow(problem);
}

TEST(LogFileRules, OnlyAPlainFileOfAnAdministratorTheSystemOrThisAccount)
{
    const auto facts = [](LogFileOwner owner, bool elevated = false) {
        LogFileFacts f;
        f.owner = owner;
        f.elevatedRun = elevated;
        return f;
    };
    LogFileFacts link = facts(LogFileOwner::Administrators);
    link.reparsePoint = true;
    LogFileFacts folder = facts(LogFileOwner::Administrators);
    folder.directory = true;
    LogFileFacts hardLink = facts(LogFileOwner::LocalSystem);
    hardLink.links = 2;
    LogFileFacts pipe = facts(LogFileOwner::Administrators);
    pipe.diskFile = false;
    LogFileFacts fat = facts(LogFileOwner::Someone);
    fat.ownersKept = false;
    LogFileFacts fatElevated = facts(LogFileOwner::RunningAccount, true);
    fatElevated.ownersKept = false;
    LogFileFacts fatLink = fat;
    fatLink.links = 3;
    const struct {
        const char* what;
        LogFileFacts facts;
        const char* reason;  // empty: accepted
    } cases[] = {
        {"created by an earlier run", facts(LogFileOwner::Administrators), ""},
        {"created by the system", facts(LogFileOwner::LocalSystem), ""},
        {"created by this account without an owner given", facts(LogFileOwner::RunningAccount), ""},
        // Elevated (Vista and later): the account's unelevated programs
        // could have made the file, so only an administrators' or the
        // system's file is taken.
        {"this account's, elevated", facts(LogFileOwner::RunningAccount, true),
         "this run is elevated: that account's programs without administrator rights could have created it"},
        {"the administrators', elevated", facts(LogFileOwner::Administrators, true), ""},
        {"the system's, elevated", facts(LogFileOwner::LocalSystem, true), ""},
        {"an ordinary user's, elevated", facts(LogFileOwner::Someone, true), "belongs to neither"},
        {"created first by an ordinary user", facts(LogFileOwner::Someone), "belongs to neither"},
        {"owner unreadable", facts(LogFileOwner::Unknown), "its owner cannot be read"},
        {"symbolic link or junction", link, "reparse point"},
        {"folder", folder, "it is a folder"},
        {"hard link", hardLink, "it has 2 names (hard links)"},
        {"pipe or console", pipe, "not a file on a disk"},
        {"on a volume without owners", fat, ""},
        {"on a volume without owners, elevated", fatElevated, ""},
        {"links counted even there", fatLink, "it has 3 names"},
    };
    for (const auto& c : cases) {
        const std::string problem = Narrow(LogFileProblem(c.facts));
        if (*c.reason == 0)
            EXPECT_EQ("", problem) << c.what;
        else
            EXPECT_NE(std::string::npos, problem.find(c.reason)) << c.what << ": " << problem;
    }
}
