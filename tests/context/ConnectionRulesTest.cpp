// Which cable choices a model's hardware-id suffixes allow.
#include <gtest/gtest.h>

#include "context/ConnectionRules.h"

TEST(ConnectionRules, SuffixesAreComparedOnTheirLastFourCharactersInAnyCase)
{
    EXPECT_TRUE(IsSuffixSupported(L"7A2B"));
    EXPECT_FALSE(IsSuffixSupported(L"FFFF"));
    EXPECT_FALSE(IsSuffixSupported(L"ffff"));
    EXPECT_FALSE(IsSuffixSupported(L"fFfF"));
    EXPECT_FALSE(IsSuffixSupported(L"12FFFF"));  // only the tail counts
    EXPECT_TRUE(IsSuffixSupported(L"FFFF12"));
    EXPECT_FALSE(IsSuffixSupported(L""));
}

TEST(ConnectionRules, ShortSuffixesAreComparedWhole)
{
    EXPECT_TRUE(IsSuffixSupported(L"FFF"));
    EXPECT_TRUE(IsSuffixSupported(L"F"));
    EXPECT_TRUE(IsSuffixSupported(L"A1"));
}
