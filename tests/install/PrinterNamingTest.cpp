#include <gtest/gtest.h>

#include "install/CommandLines.h"
#include "install/PrinterNaming.h"

namespace {
const std::wstring kCopy = L" (Copy %d)";
}

TEST(PrinterNaming, UniqueNameSkipsTakenNamesIgnoringAsciiCase)
{
    EXPECT_EQ(L"X", MakeUniquePrinterName(L"X", {}, kCopy));
    EXPECT_EQ(L"X (Copy 2)", MakeUniquePrinterName(L"X", {L"x", L"x (copy 1)"}, kCopy));
    // The walk restarts after each hit, so the order of the list is irrelevant.
    EXPECT_EQ(L"X (Copy 3)", MakeUniquePrinterName(L"X", {L"X (Copy 2)", L"X (Copy 1)", L"X"}, kCopy));
    EXPECT_EQ(L"X", MakeUniquePrinterName(L"X", {L"X (Copy 1)"}, kCopy));
    // Only ASCII letters fold: a non-ASCII name differing in case is free.
    EXPECT_EQ(L"\x00C4rger", MakeUniquePrinterName(L"\x00C4rger", {L"\x00E4rger"}, kCopy));
    EXPECT_EQ(L"\x6253\x5370 (\x526F\x672C 1)", MakeUniquePrinterName(L"\x6253\x5370", {L"\x6253\x5370"}, L" (\x526F\x672C %d)"));
}

TEST(PrinterNaming, SuffixWithoutNumberStillEnds)
{
    const std::wstring name = MakeUniquePrinterName(L"X", {L"X", L"X copy"}, L" copy");
    EXPECT_FALSE(name.empty());
}

TEST(PrinterNaming, FindNewPrinterTakesOnlyTheExactNewName)
{
    const std::vector<std::wstring> before = {L"Fax", L"ACME AB1234"};
    const std::vector<std::wstring> after = {L"Fax", L"ACME AB1234", L"ACME AB1234 (Copy 1)",
                                             L"ACME AB1234 Plus", L"ACME AB12345"};
    std::wstring found = L"untouched";
    EXPECT_TRUE(FindNewPrinter(before, after, L"ACME AB1234 (Copy 1)", found));
    EXPECT_EQ(L"ACME AB1234 (Copy 1)", found);
    // Names that merely hold the name (a look-alike model's printer, one
    // another program added meanwhile), an old name, no name: not ours.
    for (const wchar_t* name : {L"ACME AB1234", L"ACME AB123", L"ACME AB1234 (Copy 2)", L"acme ab1234 (copy 1)", L""}) {
        found = L"untouched";
        EXPECT_FALSE(FindNewPrinter(before, after, name, found)) << std::string(name, name + wcslen(name));
        EXPECT_EQ(L"untouched", found);
    }
    EXPECT_TRUE(FindNewPrinter({}, {L"ACME AB1234"}, L"ACME AB1234", found));
}

TEST(PrinterNaming, DefaultPrinterEntryByConnection)
{
    EXPECT_EQ(L"P,winspool,LPT1:", DefaultPrinterEntry(L"P", L"LPT", L"USB003"));
    EXPECT_EQ(L"P,winspool,USB001", DefaultPrinterEntry(L"P", L"USB", L"USB001"));
    EXPECT_EQ(L"P,winspool,IP_10.0.0.5", DefaultPrinterEntry(L"P", L"NET", L"IP_10.0.0.5"));
    EXPECT_EQ(L"P,winspool,COM3:", DefaultPrinterEntry(L"P", L"COM", L"COM3:"));
    EXPECT_EQ(L"", DefaultPrinterEntry(L"P", L"usb", L"USB001"));
    EXPECT_EQ(L"", DefaultPrinterEntry(L"Acme, Inc. P", L"LPT", L"USB003"));  // would split the entry
}

TEST(CommandLines, PrintUiParametersCharacterForCharacter)
{
    EXPECT_EQ(L" printui.dll,PrintUIEntry /z /if /b \"ACME AB1234\" /f \"C:\\my drivers\\AB1234.inf\" /r \"USB001\" /m \"ACME AB1234\"",
              PrintUiInstallParameters(L"ACME AB1234", L"C:\\my drivers\\AB1234.inf", L"USB001", L"ACME AB1234"));
    // An unattended run also silences the entry point's own messages.
    EXPECT_EQ(L" printui.dll,PrintUIEntry /z /if /b \"A B\" /f \"C:\\d\\B.inf\" /r \"LPT1:\" /m \"A B\" /q",
              PrintUiInstallParameters(L"A B", L"C:\\d\\B.inf", L"LPT1:", L"A B", true));
    EXPECT_EQ(L" printui.dll,PrintUIEntry /k /n \"ACME AB1234 (Copy 1)\"", PrintUiTestPageParameters(L"ACME AB1234 (Copy 1)"));
    EXPECT_EQ(L"rundll32.exe ", std::wstring(kPrintUiProgram));

    // A quote in any value would end it and add switches: no command at all.
    EXPECT_EQ(L"", PrintUiInstallParameters(L"Acme\" /q \" AB1", L"C:\\d\\AB1.inf", L"USB001", L"Acme AB1"));
    EXPECT_EQ(L"", PrintUiInstallParameters(L"Acme AB1", L"C:\\d\\AB1.inf", L"USB001", L"Acme\" AB1"));
    EXPECT_EQ(L"", PrintUiTestPageParameters(L"Acme\" /q \" AB1"));
}
