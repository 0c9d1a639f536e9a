#include <gtest/gtest.h>

#include "install/FilePlan.h"

namespace {
InstallContext Context(unsigned major, bool wow64, const wchar_t* archDir, bool process64 = false)
{
    InstallContext c;
    c.osMajorVersion = major;
    c.isWow64 = wow64;
    c.is64BitProcess = process64;
    c.architectureDir = archDir;
    c.environment = L"Windows NT x86";
    c.model.namePrefix = L"AB";
    c.model.nameNumber = L"1234";
    c.model.infBaseName = L"AB1234";
    return c;
}

const std::wstring kModule = L"C:\\pkg";
const std::wstring kDriverDir = L"C:\\windows\\system32\\spool\\drivers\\w32x86";
}

TEST(FilePlan, LegacyLayoutPutsEveryFileFlatInTheDriverDirectory)
{
    const DriverFilePlan plan = MakeDriverFilePlan(Context(5, false, L"x86"), L"AB1234", kModule, kDriverDir);
    EXPECT_EQ(StagingLayout::Legacy, plan.layout);
    const std::vector<std::wstring> names = {L"QUNI1234.DLL", L"QUI1234.DLL", L"QRES1234.DLL",
        L"AB1234.INI", L"AB1234.gpd", L"AB1234U.gpd", L"Common6.gpd", L"CommonU6.gpd", L"STDNAMES.GPD"};
    ASSERT_EQ(names.size(), plan.copies.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], plan.copies[i].fileName) << i;
        EXPECT_EQ(kDriverDir, plan.copies[i].targetFolder) << i;
    }
    // The plug-ins still come from the package's i386 folder.
    EXPECT_EQ(L"C:\\pkg\\i386", plan.copies[0].sourceFolder);
    EXPECT_EQ(L"C:\\pkg", plan.copies[3].sourceFolder);
    EXPECT_EQ(L"C:\\pkg\\gpd", plan.copies[8].sourceFolder);

    ASSERT_EQ(4u, plan.resources.size());
    const unsigned ids[] = {134, 133, 135, 136};
    const wchar_t* files[] = {L"unidrv.hlp", L"unidrv.dll", L"unidrvui.dll", L"unires.dll"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ids[i], plan.resources[i].id);
        EXPECT_EQ(files[i], plan.resources[i].fileName);
        EXPECT_EQ(kDriverDir, plan.resources[i].targetFolder);
    }
}

TEST(FilePlan, SubfolderLayoutUsesArchitectureAndGpdFolders)
{
    struct Case { unsigned major; bool wow64; const wchar_t* archDir; const wchar_t* sub; bool process64; } cases[] = {
        {6, true, L"AMD64", L"\\amd64", false}, {5, true, L"INTEL64", L"\\amd64", false},
        {6, true, L"IA64", L"\\ia64", false}, {6, false, L"x86", L"\\i386", false}, {6, true, L"x86", L"", false},
        // A 64-bit build is not under WOW64, yet stages the 64-bit set, on
        // XP x64 / 2003 x64 too.
        {5, false, L"AMD64", L"\\amd64", true}, {10, false, L"AMD64", L"\\amd64", true},
    };
    for (const Case& c : cases) {
        const DriverFilePlan plan = MakeDriverFilePlan(Context(c.major, c.wow64, c.archDir, c.process64), L"AB1234", kModule, kDriverDir);
        EXPECT_EQ(StagingLayout::Subfolder, plan.layout);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(kModule + c.sub, plan.copies[i].sourceFolder) << c.archDir;
            EXPECT_EQ(kDriverDir + c.sub, plan.copies[i].targetFolder) << c.archDir;
        }
        EXPECT_EQ(kDriverDir, plan.copies[3].targetFolder);
        for (int i = 4; i < 9; ++i)
            EXPECT_EQ(kDriverDir + L"\\gpd", plan.copies[i].targetFolder);
        EXPECT_EQ(kDriverDir, plan.resources[3].targetFolder);
    }
}

TEST(FilePlan, InfAndCatalogComeFromTheModuleFolder)
{
    const auto plan = MakeInfAndCatalogPlan(L"AB1234", kModule, kDriverDir);
    ASSERT_EQ(2u, plan.size());
    EXPECT_EQ(L"AB1234.inf", plan[0].fileName);
    EXPECT_EQ(L"AB1234.cat", plan[1].fileName);
    EXPECT_EQ(kModule, plan[1].sourceFolder);
    EXPECT_EQ(kDriverDir, plan[1].targetFolder);
}

TEST(FilePlan, FoldersAreJoinedWithOneBackslash)
{
    EXPECT_EQ(L"C:\\a\\b.txt", JoinPath(L"C:\\a", L"b.txt"));
    EXPECT_EQ(L"C:\\b.txt", JoinPath(L"C:\\", L"b.txt"));
    EXPECT_EQ(L"C:\\pkg", ModuleFolderOf(L"C:\\pkg\\QuorvexSetup.exe"));
    EXPECT_EQ(L"", ModuleFolderOf(L"QuorvexSetup.exe"));
}

TEST(FilePlan, DiagnosticTextsUseFullWidthPunctuation)
{
    EXPECT_EQ(L"No need to copy\xFF08name\xFF1A" L"a.gpd\xFF09", StageDiagnosticText(StageOutcome::Unchanged, L"a.gpd", false));
    EXPECT_EQ(L"", StageDiagnosticText(StageOutcome::Unchanged, L"unidrv.dll", true));
    EXPECT_EQ(L"Gen file failure\xFF08name\xFF1A" L"unires.dll\xFF09", StageDiagnosticText(StageOutcome::GenerationFailed, L"unires.dll", true));
    EXPECT_EQ(L"Open file failure\xFF08" L"C:\\pkg\\a.gpd\xFF09", StageDiagnosticText(StageOutcome::CompareOpenFailure, L"C:\\pkg\\a.gpd", false));
    EXPECT_EQ(L"Overwrite file failure\xFF08name\xFF1A" L"x\xFF09", StageDiagnosticText(StageOutcome::OverwriteFailed, L"x", false));
}
