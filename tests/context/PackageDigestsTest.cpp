// The digest list: its text, reading it back, and which files it must cover.
#include "context/PackageDigests.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kA(64, 'a'), kB(64, 'b'), kC = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

TEST(PackageDigests, FormatSortsByLoweredPathAndWritesEachPathOnce)
{
    std::string text;
    ASSERT_TRUE(FormatDigestList({{kA, L"gpd\\STDNAMES.GPD"},
                                  {kB, L"QX1000.INF"},
                                  {kC, L"amd64\\QUI1000.DLL"},
                                  {kA, L"Common_.gpd"},
                                  {kB, L"qx1000.inf"}},  // the same file again
                                 text));
    // '_' (0x5F) sorts after the upper-case letters but before the lowered ones.
    EXPECT_EQ(kC + "  amd64\\QUI1000.DLL\n" + kA + "  Common_.gpd\n" + kA + "  gpd\\STDNAMES.GPD\n" + kB +
                  "  QX1000.INF\n",
              text);
    ASSERT_TRUE(FormatDigestList({}, text));
    EXPECT_EQ("", text);
}

TEST(PackageDigests, FormatRefusesWhatTheListCannotHold)
{
    std::string text = "x";
    const std::vector<std::vector<DigestLine>> refused = {
        {{std::string(64, 'A'), L"QX1000.INF"}},  // upper-case hex
        {{kA.substr(1), L"QX1000.INF"}},          // 63 digits
        {{kA, L""}},
        {{kA, L"gpd/QX1000.gpd"}},
        {{kA, L"\\QX1000.INF"}},
        {{kA, L"C:QX1000.INF"}},
        {{kA, L"QX1000\n.INF"}},
        {{kA, std::wstring(1, wchar_t(0xD800)) + L"x"}},
    };
    for (const std::vector<DigestLine>& lines : refused) {
        EXPECT_FALSE(FormatDigestList(lines, text));
        EXPECT_EQ("", text);
    }
}

TEST(PackageDigests, ParseReadsWhatFormatWroteAndMatchesWithoutCase)
{
    std::string text;
    const std::wstring nonAscii = L"gpd\\Q\x00C9" + std::wstring(1, wchar_t(0xD83D)) + wchar_t(0xDE00) + L".gpd";
    ASSERT_TRUE(FormatDigestList({{kA, L"i386\\QUNI1000.DLL"}, {kB, L"QX1000.INF"}, {kC, nonAscii}}, text));
    PackageDigestList list;
    ASSERT_TRUE(list.Parse(text));
    EXPECT_EQ(3u, list.Size());
    EXPECT_TRUE(list.Vouches(L"I386\\quni1000.dll", kA));
    EXPECT_TRUE(list.Vouches(L"qx1000.inf", kB));
    EXPECT_TRUE(list.Vouches(nonAscii, kC));
    EXPECT_FALSE(list.Vouches(L"gpd\\Q\x00E9" + nonAscii.substr(6), kC));  // only ASCII folds
    EXPECT_FALSE(list.Vouches(L"i386\\QUNI1000.DLL", kB));
    EXPECT_FALSE(list.Vouches(L"amd64\\QUNI1000.DLL", kA));
    EXPECT_FALSE(list.Vouches(L"i386/QUNI1000.DLL", kA));
    EXPECT_TRUE(list.Lists(L"QX1000.INF"));
    EXPECT_FALSE(list.Lists(L"QX2000.INF"));
    EXPECT_TRUE(list.Parse(""));
    EXPECT_EQ(0u, list.Size());
}

TEST(PackageDigests, ParseRefusesAnythingButTheExactFormat)
{
    const std::string good = kA + "  A.INF\n" + kB + "  b.inf\n";
    PackageDigestList list;
    ASSERT_TRUE(list.Parse(good));
    const std::vector<std::string> refused = {
        kA + "  A.INF\n" + kB + "  b.inf",           // no final line feed
        kA + "  A.INF\r\n",                          // CR is a control character
        kB + "  b.inf\n" + kA + "  A.INF\n",         // unsorted
        kA + "  A.INF\n" + kB + "  a.inf\n",         // the same path twice
        kA + " A.INF\n",                             // one space
        kA + "\tA.INF\n",
        kA + "  \n",                                 // no path
        std::string(64, 'A') + "  A.INF\n",          // upper-case hex
        kA.substr(1) + "g  A.INF\n",
        kA + "  gpd/A.gpd\n",
        kA + "  \\A.INF\n",
        kA + "  \xC3(.INF\n",                        // ill-formed UTF-8
        kA + "  \xED\xA0\x80.INF\n",                 // an encoded surrogate
        "\n",
    };
    for (const std::string& text : refused) {
        EXPECT_FALSE(list.Parse(text)) << text;
        EXPECT_EQ(0u, list.Size()) << "a refused list vouches for nothing";
        EXPECT_FALSE(list.Vouches(L"A.INF", kA));
    }
}

TEST(PackageDigests, ModelPathsCoverEveryArchitectureAndTheInfAndCatalogue)
{
    PrinterModel model;
    model.infBaseName = L"QX1000";
    model.namePrefix = L"QX";
    model.nameNumber = L"1000";
    const std::vector<std::wstring> paths = ModelPackagePaths(model);
    const std::vector<std::wstring> expected = {
        L"i386\\QUNI1000.DLL", L"i386\\QUI1000.DLL", L"i386\\QRES1000.DLL",
        L"amd64\\QUNI1000.DLL", L"amd64\\QUI1000.DLL", L"amd64\\QRES1000.DLL",
        L"ia64\\QUNI1000.DLL", L"ia64\\QUI1000.DLL", L"ia64\\QRES1000.DLL",
        L"QX1000.INI", L"gpd\\QX1000.gpd", L"gpd\\QX1000U.gpd", L"gpd\\Common6.gpd",
        L"gpd\\CommonU6.gpd", L"gpd\\STDNAMES.GPD", L"QX1000.inf", L"QX1000.cat",
    };
    EXPECT_EQ(expected, paths);
    EXPECT_EQ(L"QX1000.inf", InfListPath(L"QX1000"));
}

}  // namespace
