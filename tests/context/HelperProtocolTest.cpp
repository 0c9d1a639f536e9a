#include <gtest/gtest.h>

#include "context/HelperProtocol.h"

TEST(HelperProtocol, HelperFolderAndProgramWithOneBackslashBeforeServices)
{
    EXPECT_EQ(L"C:\\Program Files\\Common Files\\Services", HelperFolderOf(L"C:\\Program Files\\Common Files"));
    EXPECT_EQ(L"C:\\Common\\Services", HelperFolderOf(L"C:\\Common\\"));
    EXPECT_EQ(L"\\Services", HelperFolderOf(L""));
    EXPECT_EQ(L"C:\\Common\\Services\\QPHelper.exe", HelperProgramPathOf(L"C:\\Common"));
    EXPECT_EQ(L"C:\\Common\\Services\\QPHelper.exe", HelperProgramPathOf(L"C:\\Common\\"));
    EXPECT_EQ(L"\\Services\\QPHelper.exe", HelperProgramPathOf(L""));
    EXPECT_EQ(L"_ToPath", WidenAscii(helper_protocol::kToPath));
    EXPECT_EQ(L"C:\\Common\\Services\\QPHelper.log", HelperLogPathOf(L"C:\\Common\\Services\\QPHelper.exe"));
    EXPECT_EQ(L"", HelperLogPathOf(L"exe"));
}
