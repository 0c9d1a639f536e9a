// The web link's texts, the command built from the ".htm" association, and
// which way a click opens the address.
#include "support/HyperLinkText.h"

#include <gtest/gtest.h>

namespace {

TEST(HyperLinkText, ResultTexts) {
    EXPECT_EQ(L"A sharing violation occurred. ", HyperLinkResultText(26));
    EXPECT_EQ(L"Unknown Error (4) occurred.", HyperLinkResultText(4));
    EXPECT_EQ(L"Unknown Error (-1) occurred.", HyperLinkResultText(-1));
    EXPECT_EQ(L"Unknown Error (33) occurred.", HyperLinkResultText(33));
    EXPECT_EQ(L"The operating system is out\nof memory or resources.", HyperLinkResultText(0));
    EXPECT_EQ(L"There is no application associated\nwith the given filename extension.",
              HyperLinkResultText(31));
    EXPECT_EQ(L"The DDE transaction could not\nbe completed because other DDE transactions\n"
              L"were being processed.",
              HyperLinkResultText(30));
    // Every code of the table has its own text.
    for (long code : {0L, 2L, 3L, 5L, 8L, 11L, 26L, 27L, 28L, 29L, 30L, 31L, 32L}) {
        EXPECT_EQ(std::wstring::npos, HyperLinkResultText(code).find(L"Unknown")) << code;
    }
    EXPECT_EQ(L"Unable to open hyperlink:\n\nUnknown Error (4) occurred.", HyperLinkErrorMessage(4));
    EXPECT_EQ(L"Unable to open hyperlink:\n\nA sharing violation occurred. ",
              HyperLinkErrorMessage(26));
}

TEST(HyperLinkText, AssociationCommandTakesTheAddressInPlaceOfPercentOne) {
    std::wstring command;
    const std::wstring address = L"https://www.quorvex.example/";
    // A quoted "%1": cut there, so the blank before it stays and one more follows.
    ASSERT_TRUE(BuildAssociationCommand(L"\"C:\\Br\\b.exe\" -nohome \"%1\" -tail", address, command));
    EXPECT_EQ(L"\"C:\\Br\\b.exe\" -nohome  https://www.quorvex.example/", command);
    // An unquoted %1; the first one counts.
    ASSERT_TRUE(BuildAssociationCommand(L"C:\\b.exe %1 %1", address, command));
    EXPECT_EQ(L"C:\\b.exe  https://www.quorvex.example/", command);
    // A quoted one wins over an earlier bare one.
    ASSERT_TRUE(BuildAssociationCommand(L"b.exe %1x \"%1\"", address, command));
    EXPECT_EQ(L"b.exe %1x  https://www.quorvex.example/", command);
    // No placeholder: the whole text, then the address.
    ASSERT_TRUE(BuildAssociationCommand(L"C:\\b.exe -url", address, command));
    EXPECT_EQ(L"C:\\b.exe -url https://www.quorvex.example/", command);
}

TEST(HyperLinkText, AddressesThatCouldChangeTheCommandAreRefused) {
    std::wstring command = L"left over";
    const std::wstring association = L"\"C:\\b.exe\" \"%1\"";
    for (const std::wstring& address :
         {std::wstring(L""), std::wstring(L"http://x/\" -evil"), std::wstring(L"http://x/ y"),
          std::wstring(L"http://x/\ty"), std::wstring(L"http://x/\ny"), std::wstring(L"--flag=1"),
          std::wstring(L"/switch"), std::wstring(L"http://x/\x7f")}) {
        EXPECT_FALSE(BuildAssociationCommand(association, address, command));
        EXPECT_EQ(L"", command);
    }
    // An association that names no program of its own.
    EXPECT_FALSE(BuildAssociationCommand(L"\"%1\"", L"http://x/", command));
    EXPECT_FALSE(BuildAssociationCommand(L"  %1 %*", L"http://x/", command));
    EXPECT_FALSE(BuildAssociationCommand(L"", L"http://x/", command));
    EXPECT_EQ(L"", command);
}

TEST(HyperLinkText, OnlyTheDesktopUsersOwnUnelevatedProcessOpensTheAddress) {
    typedef TokenElevationKind K;
    const LinkOpening here = LinkOpening::InThisProcess, shell = LinkOpening::ByDesktopShell,
                      show = LinkOpening::ShowAddress;
    // Facts: Windows major version, elevation type, elevation known,
    // elevated, desktop shell window, runs as the desktop's user.
    const struct {
        const char* what;
        LinkOpeningFacts facts;
        LinkOpening way;
    } cases[] = {
        // Windows 2000 and XP: one token for all the user's programs, but
        // only the desktop user's own process may start the browser.
        {"Windows 2000, the desktop user's program", {5, K::Unknown, false, false, true, true}, here},
        {"XP, the local system account on the user's desktop", {5, K::Unknown, false, false, true, false}, show},
        // A token that answers the elevation question is Vista's or later's,
        // told 5.1 by a compatibility mode for XP: its answers count.
        {"a compatibility mode for XP, elevated", {5, K::Full, true, true, true, true}, shell},
        {"a compatibility mode for XP, elevated, no explorer", {5, K::Full, true, true, false, true}, show},
        {"a compatibility mode for XP, not elevated", {5, K::Limited, true, false, true, false}, here},
        {"Windows 2000 without a shell", {5, K::Unknown, false, false, false, false}, show},
        // Vista and later with the consent prompt: the elevated token.
        {"elevated", {6, K::Full, true, true, true, false}, shell},
        {"elevated, as the desktop's user all the same", {6, K::Full, true, true, true, true}, shell},
        {"elevated, no explorer", {10, K::Full, true, true, false, false}, show},
        // The filtered token, or a standard user's: the user's own rights
        // (the desktop's user is not asked there).
        {"limited", {6, K::Limited, true, false, true, false}, here},
        {"limited, elevation unreadable", {6, K::Limited, false, false, false, false}, here},
        {"standard user, no split token", {10, K::Default, true, false, true, false}, here},
        // No split token but elevated: the consent prompt switched off, the
        // built-in Administrator, the local system account.
        {"elevated without a split token", {10, K::Default, true, true, true, false}, shell},
        {"local system, no explorer of its own", {10, K::Default, true, true, false, false}, show},
        // Nothing could be read: counted as elevated.
        {"nothing readable", {6, K::Unknown, false, false, true, false}, shell},
        {"default type, elevation unreadable", {6, K::Default, false, false, false, false}, show},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(c.way), static_cast<int>(ChooseLinkOpening(c.facts))) << c.what;
    }
}

}  // namespace
