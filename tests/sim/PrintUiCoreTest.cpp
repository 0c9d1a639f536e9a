#include <gtest/gtest.h>

#include "sim/printui/PrintUiCore.h"

TEST(PrintUiCommand, ReadsQuotedAndBareValues)
{
    const PrintUiCommand c = ParsePrintUiCommand(
        L"/z /if /b \"ACME AB1234\" /f \"C:\\my drivers\\AB1234.inf\" /r \"USB003\" /m \"ACME AB1234\"");
    EXPECT_TRUE(c.Has(L"z"));
    EXPECT_TRUE(c.Has(L"if"));
    EXPECT_FALSE(c.Has(L"k"));
    EXPECT_EQ(L"ACME AB1234", c.Value(L"b"));
    EXPECT_EQ(L"C:\\my drivers\\AB1234.inf", c.Value(L"f"));
    EXPECT_EQ(L"USB003", c.Value(L"r"));
    EXPECT_EQ(L"ACME AB1234", c.Value(L"m"));

    // An unquoted path ends at the first blank, as it does for Windows.
    const PrintUiCommand bare = ParsePrintUiCommand(L"  /IF /f C:\\drivers\\A.inf /r LPT1: /k");
    EXPECT_TRUE(bare.Has(L"if"));
    EXPECT_TRUE(bare.Has(L"k"));
    EXPECT_EQ(L"C:\\drivers\\A.inf", bare.Value(L"f"));
    EXPECT_EQ(L"LPT1:", bare.Value(L"r"));
    EXPECT_EQ(L"C:\\my", ParsePrintUiCommand(L"/if /f C:\\my drivers\\A.inf").Value(L"f"));
    EXPECT_EQ(L"Printer", ParsePrintUiCommand(L"/k /n \"Printer").Value(L"n"));
}

TEST(PrintUiInf, DecodesTheThreeEncodings)
{
    const std::string ascii = "[Version]\r\nA=\xE9\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[Version]\r\nA=")) {
        utf16 += c;
        utf16 += '\0';
    }
    utf16 += "\xE9";
    utf16 += '\0';
    utf16 += std::string("\r\0\n\0", 4);
    const std::wstring expected = L"[Version]\r\nA=\x00E9\r\n";
    EXPECT_EQ(expected, DecodeInfText(ascii));
    EXPECT_EQ(expected, DecodeInfText(utf16));
    EXPECT_EQ(expected, DecodeInfText("\xEF\xBB\xBF[Version]\r\nA=\xC3\xA9\r\n"));
    // Four-byte sequences become surrogate pairs; a cut-off one is dropped.
    EXPECT_EQ(std::wstring(L"\xD83D\xDE00"), DecodeInfText("\xEF\xBB\xBF\xF0\x9F\x98\x80\xE2\x82"));
    EXPECT_EQ(L"x", DecodeInfText("raw", [](const std::string&) { return std::wstring(L"x"); }));
}

namespace {
const wchar_t* const kInf =
    L"[Version]\r\n"
    L"Signature=\"$Windows NT$\" ; comment\r\n"
    L"[Manufacturer]\r\n"
    L"%QRVX%=QRVX,NTx86\r\n"
    L"[QRVX.NTx86]\r\n"
    L"\"%Model%\" = AB1234_USB, USBPRINT\\QRVXAB1234C3D4, LPTENUM\\QRVXAB1234A1B2\r\n"
    L"\"QRVX XY99\" = XY99_SECTION\r\n"
    L"\"QRVX Missing\" = NO_SUCH_SECTION\r\n"
    L"[AB1234_USB]\r\n"
    L"CopyFiles=AB1234_FILES,@AB1234.INI\r\n"
    L"DataSection=AB1234_DATA\r\n"
    L"Include=NTPRINT.INF\r\n"
    L"[AB1234_DATA]\r\n"
    L"DataFile=AB1234U.gpd\r\n"
    L"HelpFile=UNIDRV.HLP\r\n"
    L"[AB1234_FILES]\r\n"
    L"AB1234U.gpd\r\n"
    L"QUNI1234.DLL ; the plug-in\r\n"
    L"qres1234.dll,,,0x20\r\n"
    L"QRES1234.DLL\r\n"
    L"[XY99_SECTION]\r\n"
    L"CopyFiles=@XY99.gpd\r\n"
    L"[Strings]\r\n"
    L"QRVX=\"Quorvex\"\r\n"
    L"Model=\"QRVX AB1234\"\r\n";
}

TEST(PrintUiInf, FindsTheModelAndItsFiles)
{
    InfDriver d;
    ASSERT_TRUE(FindInfModel(kInf, L"qrvx ab1234", d));
    EXPECT_EQ(L"AB1234_USB", d.installSection);
    EXPECT_EQ(L"AB1234U.gpd", d.dataFile);
    EXPECT_EQ(L"UNIDRV.DLL", d.driverFile);
    EXPECT_EQ(L"UNIDRVUI.DLL", d.configFile);
    EXPECT_EQ(L"UNIDRV.HLP", d.helpFile);
    EXPECT_EQ((std::vector<std::wstring>{L"AB1234U.gpd", L"QUNI1234.DLL", L"qres1234.dll", L"AB1234.INI"}), d.files);

    // Without DataFile the section's name is the data file.
    ASSERT_TRUE(FindInfModel(kInf, L"QRVX XY99", d));
    EXPECT_EQ(L"XY99_SECTION", d.dataFile);
    EXPECT_EQ(std::vector<std::wstring>{L"XY99.gpd"}, d.files);

    d.installSection = L"untouched";
    EXPECT_FALSE(FindInfModel(kInf, L"QRVX Missing", d));
    EXPECT_FALSE(FindInfModel(kInf, L"QRVX ZZ00", d));
    EXPECT_FALSE(FindInfModel(L"", L"QRVX AB1234", d));
    EXPECT_EQ(L"untouched", d.installSection);
}

TEST(PrintUiNames, TakenNamesGetACopySuffix)
{
    EXPECT_EQ(L"P", UniquePrinterName(L"P", {}));
    EXPECT_EQ(L"P (Copy 2)", UniquePrinterName(L"P", {L"p", L"P (COPY 1)"}));
    EXPECT_EQ("a\xC3\xA9\xE6\x89\x93\xF0\x9F\x98\x80", ToUtf8(std::wstring(L"a\x00E9\x6253\xD83D\xDE00")));
}
