// The names the programs may load from the system folder, and the path put
// together for them.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "support/DllNames.h"

namespace {

TEST(DllNames, OnlyAPlainFileNameMayFollowTheSystemFolder)
{
    for (const wchar_t* name : {L"winspool.drv", L"comctl32.dll", L"UXTHEME.DLL", L"a", L"x.y.z", L"..a"})
        EXPECT_TRUE(IsBareDllName(name)) << std::string(name, name + std::wcslen(name));

    const std::wstring tooLong(kMaxDllPath, L'a');
    const wchar_t* const refused[] = {
        nullptr, L"", L".", L"..", L" . ", L"...",        // no name, or a folder
        L"..\\winspool.drv", L"sub\\a.dll", L"sub/a.dll",  // folders
        L"C:winspool.drv", L"a.dll:stream",                // drive, stream
        L"*.dll", L"a?.dll", L"a\"b", L"a<b", L"a>b", L"a|b",
        L"a\tb", L"a\nb", tooLong.c_str()};
    for (const wchar_t* name : refused)
        EXPECT_FALSE(IsBareDllName(name)) << (name ? std::string(name, name + std::wcslen(name)).substr(0, 40) : "null");
}

TEST(DllNames, AppendsOneSeparatorAndNeverOverruns)
{
    wchar_t buffer[32] = L"C:\\Windows\\system32";
    ASSERT_TRUE(AppendPathName(buffer, 32, L"a.dll"));
    EXPECT_STREQ(L"C:\\Windows\\system32\\a.dll", buffer);

    // 26 characters and a terminator fit in 27; one more does not, and the
    // folder is left as it was.
    wchar_t exact[27] = L"C:\\Windows\\system32";
    EXPECT_TRUE(AppendPathName(exact, 27, L"123456"));
    wchar_t tight[27] = L"C:\\Windows\\system32";
    EXPECT_FALSE(AppendPathName(tight, 27, L"1234567"));
    EXPECT_STREQ(L"C:\\Windows\\system32", tight);

    wchar_t empty[8] = L"";
    EXPECT_FALSE(AppendPathName(empty, 8, L"a.dll"));
    EXPECT_FALSE(AppendPathName(nullptr, 8, L"a.dll"));
}

}  // namespace
