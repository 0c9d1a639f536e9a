// Driver registration and the printer operations against the prefix's
// real spooler, and the /if and /k commands through the stand-in printui.dll.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "install/DriverFileStager.h"
#include "install/DriverRegistration.h"
#include "install/Printers.h"
#include "tests/install/wine/TestPackage.h"
#include "tests/install/wine/WineTestSupport.h"

namespace {

const std::wstring kDriver = L"QRVX AB1234";

std::wstring BaseName(const std::wstring& path)
{
    const std::wstring::size_type slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Lower(std::wstring text)
{
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// The registered driver's data file and dependent files (base names).
bool QueryDriver(std::wstring& dataFile, std::vector<std::wstring>& dependent)
{
    DWORD needed = 0, count = 0;
    std::wstring environment = pkg::DetectedContext().environment;
    wchar_t* env = &environment[0];
    EnumPrinterDriversW(nullptr, env, 3, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 4);
    if (!EnumPrinterDriversW(nullptr, env, 3, buffer.data(), needed + 4, &needed, &count))
        return false;
    const DRIVER_INFO_3W* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (kDriver != info[i].pName)
            continue;
        dataFile = BaseName(info[i].pDataFile);
        dependent.clear();
        for (const wchar_t* p = info[i].pDependentFiles; p && *p; p += wcslen(p) + 1)
            dependent.push_back(Lower(BaseName(p)));
        return true;
    }
    return false;
}

void DeletePrinterNamed(const std::wstring& name)
{
    HANDLE printer = nullptr;
    std::wstring copy = name;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(&copy[0], &printer, &defaults)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
}

std::wstring DefaultPrinter()
{
    wchar_t name[512] = {};
    DWORD size = 512;
    return GetDefaultPrinterW(name, &size) ? name : L"";
}

class Printers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pkg::Write());
        m_dir = GetDriverDirectory(m_context.environment);
        wchar_t device[512] = {};
        GetProfileStringW(L"windows", L"device", L"", device, 512);
        m_savedDefault = device;
        EnumeratePrinterNames(m_before, nullptr);
        DriverFileStager stager(m_context, nullptr, pkg::kFolder);
        ASSERT_TRUE(stager.StageDriverFiles(L"AB1234"));
        ASSERT_TRUE(stager.StageInfAndCatalog(L"AB1234"));
    }
    void TearDown() override
    {
        std::vector<std::wstring> now;
        EnumeratePrinterNames(now, nullptr);
        for (const std::wstring& name : now)
            if (std::find(m_before.begin(), m_before.end(), name) == m_before.end())
                DeletePrinterNamed(name);
        DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(kDriver.c_str()));
        WriteProfileStringW(L"windows", L"device", m_savedDefault.empty() ? nullptr : m_savedDefault.c_str());
        pkg::RemoveStagedFiles(m_dir);
        pkg::Remove();
        wt::RemoveTree(L"C:\\qv drivers dir");
        DeleteFileW(L"C:\\printui-calls.log");
        DeleteFileW(L"C:\\printui-results.log");
    }

    InstallContext m_context = pkg::DetectedContext();
    std::wstring m_dir, m_savedDefault;
    std::vector<std::wstring> m_before;
};

TEST_F(Printers, RegistrationListsTheExampleFilesForBothConnections)
{
    std::wstring dataFile;
    std::vector<std::wstring> dependent;
    ASSERT_TRUE(RegisterPrinterDriver(m_context, L"AB1234", kDriver, L"LPT"));
    ASSERT_TRUE(QueryDriver(dataFile, dependent));
    EXPECT_EQ(L"ab1234.gpd", Lower(dataFile));
    const std::vector<std::wstring> lpt = {L"unires.dll", L"stdnames.gpd", L"ab1234.ini", L"qres1234.dll",
                                           L"quni1234.dll", L"qui1234.dll", L"common6.gpd"};
    EXPECT_EQ(lpt, dependent);
    // Registering again succeeds.
    EXPECT_TRUE(RegisterPrinterDriver(m_context, L"AB1234", kDriver, L"LPT"));

    ASSERT_TRUE(RegisterPrinterDriver(m_context, L"AB1234", kDriver, L"USB"));
    ASSERT_TRUE(QueryDriver(dataFile, dependent));
    EXPECT_EQ(L"ab1234u.gpd", Lower(dataFile));
    ASSERT_EQ(7u, dependent.size());
    EXPECT_EQ(L"commonu6.gpd", dependent.back());
}

TEST_F(Printers, CreatesNamesAndMakesTheDefault)
{
    ASSERT_TRUE(RegisterPrinterDriver(m_context, L"AB1234", kDriver, L"LPT"));
    std::vector<std::wstring> before;
    std::uint32_t error = 12345;
    ASSERT_TRUE(EnumeratePrinterNames(before, &error));
    EXPECT_EQ(12345u, error);

    ASSERT_TRUE(AddPrinterDirect(L"QRVX AB1234", L"LPT1:", m_context.model.driverName));
    ASSERT_TRUE(AddPrinterDirect(L"qrvx ab1234 (copy 1)", L"USB003", m_context.model.driverName));
    std::vector<std::wstring> after;
    ASSERT_TRUE(EnumeratePrinterNames(after, nullptr));
    EXPECT_EQ(before.size() + 2, after.size());
    EXPECT_EQ(L"QRVX AB1234 (Copy 2)", MakeUniquePrinterName(L"QRVX AB1234", after, L" (Copy %d)"));
    std::wstring found;
    ASSERT_TRUE(FindNewPrinter(before, after, L"QRVX AB1234", found));
    EXPECT_TRUE(found == L"QRVX AB1234") << wt::Utf8(found);
    // A printer for a driver the spooler does not know is refused.
    m_context.model.driverName = L"QRVX NO SUCH DRIVER";
    EXPECT_FALSE(AddPrinterDirect(L"QRVX ZZ", L"LPT1:", m_context.model.driverName));

    wchar_t entry[512] = {};
    SetDefaultPrinter(L"QRVX AB1234", L"LPT", L"USB003");
    GetProfileStringW(L"windows", L"device", L"", entry, 512);
    EXPECT_STREQ(L"QRVX AB1234,winspool,LPT1:", entry);
    EXPECT_EQ(L"QRVX AB1234", DefaultPrinter());

    SetDefaultPrinter(L"qrvx ab1234 (copy 1)", L"USB", L"USB003");
    GetProfileStringW(L"windows", L"device", L"", entry, 512);
    EXPECT_STREQ(L"qrvx ab1234 (copy 1),winspool,USB003", entry);
    EXPECT_EQ(L"qrvx ab1234 (copy 1)", DefaultPrinter());
}

TEST_F(Printers, InstallsThroughPrintUiAndPrintsTheTestPage)
{
    // A driver directory with a blank in its path, as a user's might have.
    const std::wstring dir = L"C:\\qv drivers dir";
    CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* name : {L"AB1234.inf", L"unidrv.dll", L"unidrvui.dll", L"unires.dll"})
        ASSERT_TRUE(CopyFileW((m_dir + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(), FALSE));
    CreateDirectoryW((dir + L"\\gpd").c_str(), nullptr);
    for (const wchar_t* name : {L"AB1234U.gpd", L"CommonU6.gpd", L"STDNAMES.GPD"})
        ASSERT_TRUE(CopyFileW((std::wstring(pkg::kFolder) + L"\\gpd\\" + name).c_str(), (dir + L"\\gpd\\" + name).c_str(), FALSE));

    std::vector<std::wstring> before, after;
    ASSERT_TRUE(EnumeratePrinterNames(before, nullptr));
    ASSERT_TRUE(InstallPrinterWithPrintUI(m_context, L"QRVX AB1234", L"USB003", dir));
    const std::vector<std::string> calls = wt::ReadLines(L"C:\\printui-calls.log");
    ASSERT_EQ(1u, calls.size()) << "the stand-in printui.dll was not reached";
    EXPECT_EQ("/z /if /b \"QRVX AB1234\" /f \"C:\\qv drivers dir\\AB1234.inf\" /r \"USB003\" /m \"QRVX AB1234\"", calls[0]);
    ASSERT_TRUE(EnumeratePrinterNames(after, nullptr));
    ASSERT_EQ(before.size() + 1, after.size());
    std::wstring found;
    ASSERT_TRUE(FindNewPrinter(before, after, L"QRVX AB1234", found));
    EXPECT_EQ(L"QRVX AB1234", found);

    // The staged INF in the spooler's own driver directory works the same
    // way. The name is taken now: the caller gives the next free one, and
    // the printer is found by exactly that name, not by one that holds it.
    const std::wstring copy = MakeUniquePrinterName(L"QRVX AB1234", after, L" (Copy %d)");
    ASSERT_TRUE(InstallPrinterWithPrintUI(m_context, copy, L"USB003"));
    before = after;
    ASSERT_TRUE(EnumeratePrinterNames(after, nullptr));
    EXPECT_FALSE(FindNewPrinter(before, after, L"QRVX AB1234", found)) << "not a new name";
    ASSERT_TRUE(FindNewPrinter(before, after, copy, found));
    EXPECT_EQ(L"QRVX AB1234 (Copy 1)", found);

    PrintTestPage(found);
    const std::vector<std::string> lines = wt::ReadLines(L"C:\\printui-calls.log");
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("/k /n \"QRVX AB1234 (Copy 1)\"", lines[2]);
    const std::vector<std::string> results = wt::ReadLines(L"C:\\printui-results.log");
    ASSERT_EQ(3u, results.size());
    EXPECT_EQ(0u, results[2].find("k ok job")) << results[2];
}

} // namespace
