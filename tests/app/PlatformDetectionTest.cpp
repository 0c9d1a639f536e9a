// The platform detection against what the Wine prefix pretends to be. The
// expected values come from the command line, one run per system.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/PlatformDetection.h"

namespace {

struct Expected {
    unsigned major = 0, minor = 0;
    bool wow64 = false;
    std::wstring processor, dir, environment;
    bool legacy = false;
} g_expected;

std::wstring Widen(const char* text)
{
    std::wstring out;
    for (; *text; ++text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return out;
}

bool Take(const char* arg, const char* name, const char** value)
{
    size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) != 0)
        return false;
    *value = arg + n;
    return true;
}

}  // namespace

TEST(PlatformDetection, MatchesTheRunningSystem)
{
    InstallContext context;
    context.model.connectionType = L"USB";
    InitialisePlatformContext(context);
    EXPECT_EQ(g_expected.major, context.osMajorVersion);
    EXPECT_EQ(g_expected.minor, context.osMinorVersion);
    EXPECT_EQ(g_expected.wow64, context.isWow64);
    EXPECT_EQ(g_expected.processor, context.processorArchitecture);
    EXPECT_EQ(g_expected.dir, context.architectureDir);
    EXPECT_EQ(g_expected.environment, context.environment);
    EXPECT_EQ(g_expected.legacy, context.useLegacyInstall);
    // Detection leaves the model alone.
    EXPECT_EQ(L"USB", context.model.connectionType);
    EXPECT_EQ(context.osMajorVersion, context.GetOsMajorVersion());
    EXPECT_EQ(context.isWow64, context.IsWow64());
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const char* v;
        if (Take(argv[i], "--major=", &v)) g_expected.major = static_cast<unsigned>(std::atoi(v));
        else if (Take(argv[i], "--minor=", &v)) g_expected.minor = static_cast<unsigned>(std::atoi(v));
        else if (Take(argv[i], "--wow64=", &v)) g_expected.wow64 = std::atoi(v) != 0;
        else if (Take(argv[i], "--processor=", &v)) g_expected.processor = Widen(v);
        else if (Take(argv[i], "--dir=", &v)) g_expected.dir = Widen(v);
        else if (Take(argv[i], "--legacy=", &v)) g_expected.legacy = std::atoi(v) != 0;
        else if (Take(argv[i], "--env=", &v)) g_expected.environment = Widen(v);
    }
    return RUN_ALL_TESTS();
}
