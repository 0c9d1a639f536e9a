// The platform derivation for every kind of system the installer meets.
#include <gtest/gtest.h>

#include "context/PlatformSettings.h"

namespace {

PlatformFacts Nt(std::uint32_t major, std::uint32_t minor)
{
    PlatformFacts facts;
    facts.versionQueryOk = true;
    facts.platformId = 2;
    facts.majorVersion = major;
    facts.minorVersion = minor;
    return facts;
}

InstallContext Derive(const PlatformFacts& facts)
{
    InstallContext context;
    ApplyPlatformFacts(facts, context);
    DeriveInstallSettings(context);
    return context;
}

}  // namespace

TEST(PlatformSettings, WindowsXpUsesTheDirectSpoolerPath)
{
    InstallContext c = Derive(Nt(5, 1));
    EXPECT_EQ(5u, c.osMajorVersion);
    EXPECT_EQ(1u, c.osMinorVersion);
    EXPECT_FALSE(c.isWow64);
    EXPECT_EQ(L"", c.processorArchitecture);
    EXPECT_EQ(L"x86", c.architectureDir);
    EXPECT_EQ(L"Windows NT x86", c.environment);
    EXPECT_TRUE(c.useLegacyInstall);
}

TEST(PlatformSettings, Windows2000And2003AreLegacyToo)
{
    EXPECT_TRUE(Derive(Nt(5, 0)).useLegacyInstall);
    EXPECT_TRUE(Derive(Nt(5, 2)).useLegacyInstall);
}

TEST(PlatformSettings, ThirtyTwoBitWindows7UsesTheInstallationEntryPoint)
{
    InstallContext c = Derive(Nt(6, 1));
    EXPECT_FALSE(c.useLegacyInstall);
    EXPECT_EQ(L"x86", c.architectureDir);
    EXPECT_EQ(L"Windows NT x86", c.environment);
}

TEST(PlatformSettings, Wow64ArchitecturesChooseTheFileSet)
{
    struct Case {
        std::uint16_t code;
        const wchar_t* processor;
        const wchar_t* dir;
    } cases[] = {
        {0, L"INTEL64", L"AMD64"},   // what a 32-bit process sees on x64
        {9, L"AMD64", L"AMD64"},
        {6, L"IA64", L"IA64"},
        {5, L"AMD64", L"AMD64"},     // unexpected values count as x64
        {0xFFFF, L"AMD64", L"AMD64"},
    };
    for (const Case& k : cases) {
        PlatformFacts facts = Nt(6, 1);
        facts.isWow64 = true;
        facts.processorArchitecture = k.code;
        InstallContext c = Derive(facts);
        SCOPED_TRACE(k.code);
        EXPECT_TRUE(c.isWow64);
        EXPECT_EQ(k.processor, c.processorArchitecture);
        EXPECT_EQ(k.dir, c.architectureDir);
        EXPECT_EQ(L"Windows NT x86", c.environment);
        EXPECT_FALSE(c.useLegacyInstall);
    }
}

TEST(PlatformSettings, Wow64OnAnOldVersionNumberIsStillNotLegacy)
{
    PlatformFacts facts = Nt(5, 2);  // XP x64 / Server 2003 x64
    facts.isWow64 = true;
    EXPECT_FALSE(Derive(facts).useLegacyInstall);
}

TEST(PlatformSettings, SixtyFourBitBuildNamesItsOwnEnvironmentOnEveryVersion)
{
    // IsWow64Process answers FALSE for a 64-bit process: the build itself
    // says that Windows is 64-bit. XP x64 / 2003 x64 (5.2) included.
    for (std::uint32_t major : {5u, 6u, 10u}) {
        PlatformFacts facts = Nt(major, 2);
        facts.is64BitProcess = true;
        facts.processorArchitecture = 9;
        InstallContext c = Derive(facts);
        SCOPED_TRACE(major);
        EXPECT_FALSE(c.isWow64);
        EXPECT_TRUE(c.Is64BitWindows());
        EXPECT_EQ(L"AMD64", c.processorArchitecture);
        EXPECT_EQ(L"AMD64", c.architectureDir);
        EXPECT_EQ(L"Windows x64", c.environment);
        EXPECT_FALSE(c.useLegacyInstall);
    }
}

TEST(PlatformSettings, NineXFamilyAndFailedQueriesCountAsVersionZero)
{
    PlatformFacts win98;
    win98.versionQueryOk = true;
    win98.platformId = 1;
    win98.majorVersion = 4;
    win98.minorVersion = 10;
    InstallContext c = Derive(win98);
    EXPECT_EQ(0u, c.osMajorVersion);
    EXPECT_EQ(0u, c.osMinorVersion);
    EXPECT_TRUE(c.useLegacyInstall);
    EXPECT_EQ(L"x86", c.architectureDir);

    PlatformFacts failed = Nt(6, 1);
    failed.versionQueryOk = false;
    EXPECT_EQ(0u, Derive(failed).osMajorVersion);
}

TEST(PlatformSettings, ArchitectureTextIsClearedWhenNotUnderWow64)
{
    InstallContext c;
    c.processorArchitecture = L"AMD64";
    PlatformFacts facts = Nt(6, 1);
    facts.processorArchitecture = 9;
    ApplyPlatformFacts(facts, c);
    EXPECT_EQ(L"", c.processorArchitecture);
    EXPECT_FALSE(c.Is64BitWindows());
}

TEST(InstallContext, StartsEmpty)
{
    InstallContext c;
    EXPECT_EQ(L"", c.classKeyDefaultValue);
    EXPECT_EQ(L"", c.model.connectionType);
    EXPECT_EQ(L"", c.model.displayName);
}
