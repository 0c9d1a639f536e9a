// Driver file staging against the real file system and spooler of a prefix.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "install/DriverFileStager.h"
#include "tests/install/wine/TestPackage.h"
#include "tests/install/wine/WineTestSupport.h"

namespace {

std::string Bytes(const std::wstring& path)
{
    std::string bytes;
    wt::ReadFileBytes(path, bytes);
    return bytes;
}

class Staging : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pkg::Write());
        m_dir = GetDriverDirectory(m_context.environment);
        ASSERT_FALSE(m_dir.empty());
        pkg::RemoveStagedFiles(m_dir);
    }
    void TearDown() override
    {
        pkg::RemoveStagedFiles(m_dir);
        pkg::Remove();
    }

    // Stages the driver files and returns the outcomes in order.
    std::vector<StageOutcome> Stage(bool expected = true)
    {
        DriverFileStager stager(m_context, nullptr, pkg::kFolder);
        std::vector<DriverFileStager::Record> log;
        stager.SetOutcomeLog(&log);
        EXPECT_EQ(expected, stager.StageDriverFiles(L"AB1234"));
        std::vector<StageOutcome> outcomes;
        for (const auto& r : log)
            outcomes.push_back(r.outcome);
        return outcomes;
    }

    InstallContext m_context = pkg::DetectedContext();
    std::wstring m_dir;
};

TEST_F(Staging, LaysOutTheFilesForThisPlatformAndASecondRunWritesNothing)
{
    const std::vector<StageOutcome> first = Stage();
    EXPECT_EQ(std::vector<StageOutcome>(13, StageOutcome::Generated), first);

    const bool legacy = m_context.useLegacyInstall;
    const std::wstring pkgArch = m_context.Is64BitWindows() ? L"\\amd64" : L"\\i386";
    const std::wstring pluginDir = legacy ? m_dir : m_dir + pkgArch;
    const std::wstring gpdDir = legacy ? m_dir : m_dir + L"\\gpd";
    std::cout << "driver directory " << wt::Utf8(m_dir) << (legacy ? " (legacy layout)" : " (subfolder layout)") << std::endl;
    for (const wchar_t* dll : {L"QUNI1234.DLL", L"QUI1234.DLL", L"QRES1234.DLL"})
        EXPECT_EQ(Bytes(std::wstring(pkg::kFolder) + pkgArch + L"\\" + dll), Bytes(pluginDir + L"\\" + dll)) << wt::Utf8(dll);
    EXPECT_TRUE(wt::FileExists(m_dir + L"\\AB1234.INI"));
    for (const wchar_t* gpd : {L"AB1234.gpd", L"AB1234U.gpd", L"Common6.gpd", L"CommonU6.gpd", L"STDNAMES.GPD"})
        EXPECT_TRUE(wt::FileExists(gpdDir + L"\\" + gpd)) << wt::Utf8(gpd);
    if (legacy) {
        EXPECT_FALSE(wt::DirectoryExists(m_dir + L"\\gpd"));
        EXPECT_FALSE(wt::DirectoryExists(m_dir + L"\\i386"));
    } else {
        EXPECT_FALSE(wt::FileExists(m_dir + L"\\AB1234.gpd"));
        EXPECT_FALSE(wt::DirectoryExists(m_dir + (m_context.Is64BitWindows() ? L"\\i386" : L"\\amd64")));
    }
    const unsigned ids[] = {134, 133, 135, 136};
    const wchar_t* names[] = {L"unidrv.hlp", L"unidrv.dll", L"unidrvui.dll", L"unires.dll"};
    for (int i = 0; i < 4; ++i) {
        const std::string expected = pkg::ResourceBytes(L"WIN2KFILE", ids[i]);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(expected, Bytes(m_dir + L"\\" + names[i])) << wt::Utf8(names[i]);
    }

    // Age every target, then stage again: nothing may be written.
    const FILETIME old = {0x10000000u, 0x01C00000u};
    DriverFileStager stager(m_context, nullptr, pkg::kFolder);
    std::vector<DriverFileStager::Record> log;
    stager.SetOutcomeLog(&log);
    ASSERT_TRUE(stager.StageDriverFiles(L"AB1234"));
    for (const auto& r : log)
        wt::SetLastWriteTime(r.target, old);
    log.clear();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(stager.StageDriverFiles(L"AB1234"));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::cout << "second staging run (13 files, all unchanged): " << ms << " ms" << std::endl;
    RecordProperty("second_run_ms", static_cast<int>(ms + 0.5));
    ASSERT_EQ(13u, log.size());
    for (const auto& r : log) {
        EXPECT_EQ(StageOutcome::Unchanged, r.outcome) << wt::Utf8(r.target);
        const FILETIME t = wt::LastWriteTime(r.target);
        EXPECT_TRUE(t.dwLowDateTime == old.dwLowDateTime && t.dwHighDateTime == old.dwHighDateTime) << wt::Utf8(r.target);
    }

    EXPECT_TRUE(stager.StageInfAndCatalog(L"AB1234"));
    EXPECT_EQ(Bytes(std::wstring(pkg::kFolder) + L"\\AB1234.inf"), Bytes(m_dir + L"\\AB1234.inf"));
    EXPECT_TRUE(wt::FileExists(m_dir + L"\\AB1234.cat"));
}

TEST_F(Staging, ChangedTargetsAreRewritten)
{
    Stage();
    // Same length, one byte different: found only by the byte comparison.
    std::string core = Bytes(m_dir + L"\\unidrvui.dll");
    ASSERT_FALSE(core.empty());
    core[core.size() / 2] ^= 0x01;
    ASSERT_TRUE(wt::WriteFileBytes(m_dir + L"\\unidrvui.dll", core));
    std::string ini = Bytes(m_dir + L"\\AB1234.INI");
    ini[0] ^= 0x20;
    ASSERT_TRUE(wt::WriteFileBytes(m_dir + L"\\AB1234.INI", ini));
    // Another length.
    const bool legacy = m_context.useLegacyInstall;
    const std::wstring gpd = (legacy ? m_dir : m_dir + L"\\gpd") + L"\\Common6.gpd";
    ASSERT_TRUE(wt::WriteFileBytes(gpd, "short"));

    const std::vector<StageOutcome> again = Stage();
    ASSERT_EQ(13u, again.size());
    EXPECT_EQ(StageOutcome::Overwritten, again[3]);  // INI
    EXPECT_EQ(StageOutcome::Overwritten, again[6]);  // Common6.gpd
    EXPECT_EQ(StageOutcome::Overwritten, again[11]); // unidrvui.dll
    EXPECT_EQ(StageOutcome::Unchanged, again[10]);
    EXPECT_EQ(pkg::ResourceBytes(L"WIN2KFILE", 135), Bytes(m_dir + L"\\unidrvui.dll"));
    EXPECT_EQ(Bytes(std::wstring(pkg::kFolder) + L"\\AB1234.INI"), Bytes(m_dir + L"\\AB1234.INI"));
    EXPECT_EQ(Bytes(std::wstring(pkg::kFolder) + L"\\gpd\\Common6.gpd"), Bytes(gpd));
    EXPECT_FALSE(wt::FileExists(m_dir + L"\\unidrvui.dll.qvnew"));
}

TEST_F(Staging, ATargetThatCannotBeReplacedKeepsItsBytesAndFailsTheStaging)
{
    Stage();
    const std::wstring ini = m_dir + L"\\AB1234.INI";
    ASSERT_TRUE(wt::WriteFileBytes(ini, "old settings"));
    // Held open with no sharing, as a running spooler may hold a file.
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    DriverFileStager stager(m_context, nullptr, pkg::kFolder);
    std::vector<DriverFileStager::Record> log;
    stager.SetOutcomeLog(&log);
    // Bytes nobody checked would stay in the driver folder: no success.
    EXPECT_FALSE(stager.StageDriverFiles(L"AB1234"));
    CloseHandle(held);
    std::vector<StageOutcome> iniOutcomes;
    for (const auto& r : log)
        if (r.target == ini)
            iniOutcomes.push_back(r.outcome);
    ASSERT_FALSE(iniOutcomes.empty());
    EXPECT_EQ(StageOutcome::OverwriteFailed, iniOutcomes.back());
    EXPECT_EQ("old settings", Bytes(ini));
    EXPECT_FALSE(wt::FileExists(ini + L".qvnew"));
}

TEST_F(Staging, MissingModelFilesDoNotFail)
{
    DeleteFileW((std::wstring(pkg::kFolder) + L"\\i386\\QRES1234.DLL").c_str());
    DeleteFileW((std::wstring(pkg::kFolder) + L"\\amd64\\QRES1234.DLL").c_str());
    DeleteFileW((std::wstring(pkg::kFolder) + L"\\gpd\\CommonU6.gpd").c_str());
    const std::vector<StageOutcome> outcomes = Stage(true);
    ASSERT_EQ(13u, outcomes.size());
    EXPECT_EQ(StageOutcome::GenerationFailed, outcomes[2]);
    EXPECT_EQ(StageOutcome::GenerationFailed, outcomes[7]);
    EXPECT_EQ(StageOutcome::Generated, outcomes[8]);
    EXPECT_EQ(StageOutcome::Generated, outcomes[12]);
}

TEST_F(Staging, NoDriverDirectoryMeansNothingIsWritten)
{
    // The spooler knows no such environment, so it names no folder.
    m_context.environment = L"Windows No Such Environment";
    // Keep any stray write inside the prefix's drive C:.
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    DriverFileStager stager(m_context, nullptr, pkg::kFolder);
    EXPECT_EQ(L"", stager.DriverDirectory());
    EXPECT_FALSE(stager.StageDriverFiles(L"AB1234"));
    EXPECT_FALSE(stager.StageInfAndCatalog(L"AB1234"));
    // Paths from the root of the current drive, where they would have gone.
    for (const wchar_t* stray : {L"\\unidrv.dll", L"\\unidrv.hlp", L"\\AB1234.INI", L"\\AB1234.inf",
                                 L"\\QUNI1234.DLL", L"\\gpd"})
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(stray)) << wt::Utf8(stray);
}

TEST_F(Staging, HelperFolderIsMadeOnceWithOneBackslash)
{
    const std::wstring common = L"C:\\qv common files\\";
    wt::RemoveTree(L"C:\\qv common files");
    DriverFileStager stager(m_context, nullptr, pkg::kFolder, common);
    EXPECT_EQ(L"C:\\qv common files\\Services", stager.HelperFolder());
    std::vector<DriverFileStager::Record> log;
    stager.SetOutcomeLog(&log);
    ASSERT_TRUE(stager.ExtractHelperService(L"QPHelper.exe"));
    ASSERT_TRUE(stager.ExtractHelperService(L"QPHelper.exe"));
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(L"C:\\qv common files\\Services\\QPHelper.exe", log[0].target);
    EXPECT_EQ(StageOutcome::Generated, log[0].outcome);
    EXPECT_EQ(StageOutcome::Unchanged, log[1].outcome);
    EXPECT_EQ(pkg::ResourceBytes(L"WIN7", 232), Bytes(log[0].target));
    stager.ReleaseHelperService();
    wt::RemoveTree(L"C:\\qv common files");

    // The system's common files folder, whatever it ends in.
    wchar_t system[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, system, CSIDL_PROGRAM_FILES_COMMON, FALSE));
    DriverFileStager real(m_context);
    const std::wstring folder = real.HelperFolder();
    EXPECT_EQ(std::wstring::npos, folder.find(L"\\\\")) << wt::Utf8(folder);
    const bool existed = wt::DirectoryExists(folder);
    ASSERT_TRUE(real.ExtractHelperService(L"QPHelper.exe"));
    EXPECT_TRUE(wt::FileExists(std::wstring(system) + L"\\Services\\QPHelper.exe"));
    real.ReleaseHelperService();
    DeleteFileW((folder + L"\\QPHelper.exe").c_str());
    if (!existed)
        RemoveDirectoryW(folder.c_str());
}

// The file the service manager is to run as the local system: only ever
// our own, and nobody can change it between the check and the service run.
TEST_F(Staging, HelperFileIsOursAndHeldUntilReleased)
{
    const std::wstring common = L"C:\\qv common files";
    wt::RemoveTree(common);
    DriverFileStager stager(m_context, nullptr, pkg::kFolder, common);
    const std::wstring helper = stager.HelperFolder() + L"\\QPHelper.exe";
    ASSERT_TRUE(CreateDirectoryW(common.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(stager.HelperFolder().c_str(), nullptr));
    ASSERT_TRUE(wt::WriteFileBytes(helper, "someone else's program"));
    // A different file that its owner holds open cannot be replaced: a failure.
    HANDLE foreign = CreateFileW(helper.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, foreign);
    EXPECT_FALSE(stager.ExtractHelperService(L"QPHelper.exe"));
    CloseHandle(foreign);
    EXPECT_EQ("someone else's program", Bytes(helper));

    // Once it can be, it is replaced, and held against writing, renaming and
    // deleting while others may still read and run it.
    ASSERT_TRUE(stager.ExtractHelperService(L"QPHelper.exe"));
    EXPECT_EQ(pkg::ResourceBytes(L"WIN7", 232), Bytes(helper));
    HANDLE writer = CreateFileW(helper.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    EXPECT_FALSE(MoveFileW(helper.c_str(), (helper + L".old").c_str()));
    EXPECT_FALSE(DeleteFileW(helper.c_str()));
    stager.ReleaseHelperService();
    EXPECT_TRUE(DeleteFileW(helper.c_str()));
    wt::RemoveTree(common);
}

// Runs in the test program built without resource 136 (unires.dll).
TEST_F(Staging, MissingCoreResourceFailsAndKeepsTheExistingFile)
{
    ASSERT_EQ(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(136), L"WIN2KFILE"))
        << "this test belongs to the program without resource 136";
    ASSERT_TRUE(wt::WriteFileBytes(m_dir + L"\\unires.dll", "the installed unires.dll"));
    std::vector<StageOutcome> outcomes = Stage(false);
    ASSERT_EQ(13u, outcomes.size());
    EXPECT_EQ(StageOutcome::GenerationFailed, outcomes[12]);
    EXPECT_EQ("the installed unires.dll", Bytes(m_dir + L"\\unires.dll"));
    EXPECT_TRUE(wt::FileExists(m_dir + L"\\unidrvui.dll"));

    DeleteFileW((m_dir + L"\\unires.dll").c_str());
    outcomes = Stage(false);
    EXPECT_FALSE(wt::FileExists(m_dir + L"\\unires.dll"));
}

} // namespace
