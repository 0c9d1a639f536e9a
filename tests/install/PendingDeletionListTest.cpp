// The list of what Windows moves or deletes at its next restart, as an
// installation takes its own files off it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/PendingDeletionList.h"

namespace {

std::wstring Data(const std::vector<std::wstring>& strings)
{
    std::wstring units;
    for (const std::wstring& s : strings) {
        units += s;
        units += L'\0';
    }
    return units + L'\0';
}

}  // namespace

TEST(PendingDeletions, TheListIsReadByItsLengthNotUpToAnEmptyTarget)
{
    // A deletion's empty target looks like the list's end: only the length
    // tells that more follows.
    const std::vector<std::wstring> entries = {L"\\??\\C:\\a.dll", L"", L"\\??\\C:\\b.tmp", L"!\\??\\C:\\b.dll",
                                               L"\\??\\C:\\c.dll", L""};
    EXPECT_EQ(entries, SplitPendingOperations(Data(entries)));
    EXPECT_EQ(Data(entries), JoinPendingOperations(entries));
    // Written without any last NUL: nothing lost.
    EXPECT_EQ((std::vector<std::wstring>{L"\\??\\C:\\x"}), SplitPendingOperations(std::wstring(L"\\??\\C:\\x")));
    EXPECT_TRUE(SplitPendingOperations(std::wstring()).empty());
    EXPECT_TRUE(SplitPendingOperations(std::wstring(1, L'\0')).empty());
}

TEST(PendingDeletions, OnlyTheDeletionsOfOurPathsAreTakenAway)
{
    const std::vector<std::wstring> ours = {L"C:\\Windows\\spool\\drivers\\x64\\3\\QX1000U.gpd",
                                            L"C:\\Program Files\\Quorvex Printer Driver"};
    const std::vector<std::wstring> entries = {
        L"\\??\\C:\\WINDOWS\\spool\\drivers\\x64\\3\\qx1000u.GPD", L"",        // ours, other letter case
        L"\\??\\C:\\Windows\\spool\\drivers\\x64\\3\\QX1000U.gpd", L"C:\\x",  // a move: kept
        L"\\??\\C:\\Windows\\spool\\drivers\\x64\\3\\other.dll", L"",          // another file: kept
        L"\\??\\C:\\Program Files\\Quorvex Printer Driver", L"",              // ours, a folder
        L"C:\\Windows\\spool\\drivers\\x64\\3\\QX1000U.gpd.old", L"",         // another name: kept
        L"\\??\\C:\\dangling"};                                               // no partner: kept
    std::size_t removed = 0;
    const std::vector<std::wstring> kept = WithoutDeletionsOf(entries, ours, removed);
    EXPECT_EQ(2u, removed);
    EXPECT_EQ((std::vector<std::wstring>{L"\\??\\C:\\Windows\\spool\\drivers\\x64\\3\\QX1000U.gpd", L"C:\\x",
                                         L"\\??\\C:\\Windows\\spool\\drivers\\x64\\3\\other.dll", L"",
                                         L"C:\\Windows\\spool\\drivers\\x64\\3\\QX1000U.gpd.old", L"",
                                         L"\\??\\C:\\dangling"}),
              kept);
    // Nothing of ours on it: the list as it was.
    EXPECT_EQ(entries, WithoutDeletionsOf(entries, {L"C:\\nothing"}, removed));
    EXPECT_EQ(0u, removed);
}
