// Where the programs load DLLs from, against Wine's real loader: after the
// restriction at entry nothing is found by name in the program's folder,
// system DLLs come from the system folder by their full path, and the
// delay-loaded spooler DLL is the system's.
//
// The test program's own folder stands in for the package folder: a copy
// of the planted test DLL is put there under a name nothing else uses.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>

#include "support/SystemLibrary.h"

namespace {

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

std::wstring FolderOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

class SystemLibrary : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Once per process, as at the programs' entry.
        s_restriction = RestrictDllSearch();
    }
    static DllSearchRestriction s_restriction;
};
DllSearchRestriction SystemLibrary::s_restriction = DllSearchRestriction::CurrentFolderMoved;

TEST_F(SystemLibrary, RestrictionLeavesTheProgramFolderOutAndMovesTheCurrentFolder)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_TRUE(GetSystemFolder(system));
    EXPECT_NE(L'\\', system[lstrlenW(system) - 1]);
    // Wine has SetDefaultDllDirectories whatever Windows version it shows.
    EXPECT_EQ(DllSearchRestriction::SystemFolderOnly, s_restriction);
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(Lower(system), Lower(current));

    // A DLL beside the program, asked for by name, is not found any more.
    const std::wstring programFolder = FolderOf(ModulePath(nullptr));
    const std::wstring planted = programFolder + L"\\qvplanted.dll";
    const std::wstring source = programFolder + L"\\..\\e2e\\planted.dll";
    ASSERT_TRUE(CopyFileW(source.c_str(), planted.c_str(), FALSE)) << GetLastError();
    EXPECT_EQ(nullptr, LoadLibraryW(L"qvplanted.dll"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((planted + L".loaded").c_str()));
    // By its full path it still loads (the test DLL itself works).
    HMODULE direct = LoadLibraryW(planted.c_str());
    EXPECT_NE(nullptr, direct);
    if (direct)
        FreeLibrary(direct);
    DeleteFileW((planted + L".loaded").c_str());
    DeleteFileW(planted.c_str());
}

TEST_F(SystemLibrary, LoadsOnlyBareNamesAndOnlyFromTheSystemFolder)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_TRUE(GetSystemFolder(system));
    HMODULE version = LoadSystemLibrary(L"version.dll");
    ASSERT_NE(nullptr, version);
    EXPECT_EQ(Lower(std::wstring(system) + L"\\version.dll"), Lower(ModulePath(version)));
    FreeLibrary(version);

    EXPECT_EQ(nullptr, LoadSystemLibrary(L"..\\system32\\version.dll"));
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"C:\\windows\\system32\\version.dll"));
    EXPECT_EQ(nullptr, LoadSystemLibrary(L""));
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"qv-no-such-library.dll"));
    EXPECT_NE(nullptr, LoadCommonControlsLibrary());
}

TEST_F(SystemLibrary, TheDelayLoadedSpoolerIsTheSystemOne)
{
    EXPECT_EQ(nullptr, GetModuleHandleW(L"winspool.drv")) << "the spooler DLL was imported at start-up";
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    HMODULE spooler = GetModuleHandleW(L"winspool.drv");
    ASSERT_NE(nullptr, spooler);
    wchar_t system[MAX_PATH] = {};
    ASSERT_TRUE(GetSystemFolder(system));
    EXPECT_EQ(Lower(std::wstring(system) + L"\\winspool.drv"), Lower(ModulePath(spooler)));
}

}  // namespace
