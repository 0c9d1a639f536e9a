// The import check: reading a program's imports from its bytes (on a small
// program image made here, whole and damaged), and judging them against a
// reviewed list.
#include <gtest/gtest.h>

#include "tools/importcheck/ImportReview.h"
#include "tools/importcheck/PeImports.h"

namespace {

// A minimal 32-bit program image: headers, and one section at RVA 0x1000
// (file offset 0x200) that holds an import directory for KERNEL32.dll
// (CloseHandle by name, ordinal 7) and a delay-load descriptor for
// winspool.drv (AddPrinterW), the way MinGW-w64 lays them out.
class TestImage {
public:
    TestImage() : bytes(0x600, 0)
    {
        Set16(0, 0x5a4d);
        Set32(0x3c, 0x40);
        Set32(0x40, 0x00004550);
        Set16(0x44, 0x14c);            // i386
        Set16(0x46, 1);                // one section
        Set16(0x54, 0xe0);             // optional header size
        Set16(kOptional, 0x10b);       // PE32
        SetVersions(4, 0, 4, 0);
        Set16(kOptional + 68, 2);      // window program
        Set32(kOptional + 92, 16);     // data directories
        SetDirectory(1, 0x1000, 40);   // imports
        const std::size_t section = kOptional + 0xe0;
        for (int i = 0; i < 5; ++i)
            bytes[section + i] = static_cast<std::uint8_t>(".data"[i]);
        Set32(section + 8, 0x400);
        Set32(section + 12, 0x1000);
        Set32(section + 16, 0x400);
        Set32(section + 20, 0x200);

        Set32(At(0x1000), 0x1100);     // original thunks
        Set32(At(0x100c), 0x1080);     // name
        Set32(At(0x1010), 0x1100);     // first thunk
        SetText(At(0x1080), "KERNEL32.dll");
        Set32(At(0x1100), 0x1140);
        Set32(At(0x1104), 0x80000007);
        SetText(At(0x1142), "CloseHandle");

        Set32(kOptional + 28, 0x400000);  // image base
        Set32(At(0x1200), 1);          // relative addresses
        Set32(At(0x1204), 0x1280);
        Set32(At(0x1208), 0x12f0);
        Set32(At(0x120c), 0x12c0);
        Set32(At(0x1210), 0x12a0);
        SetText(At(0x1280), "winspool.drv");
        Set32(At(0x12a0), 0x1300);
        SetText(At(0x1302), "AddPrinterW");
        Set32(At(0x12c0), 0x401380);   // the import slot: its loading stub
    }

    static std::size_t At(std::uint32_t rva) { return rva - 0x1000 + 0x200; }
    void Set16(std::size_t at, std::uint16_t v)
    {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void Set32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void SetText(std::size_t at, const char* text)
    {
        for (std::size_t i = 0; text[i]; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(text[i]);
    }
    void SetVersions(std::uint16_t osMajor, std::uint16_t osMinor, std::uint16_t subMajor, std::uint16_t subMinor)
    {
        Set16(kOptional + 40, osMajor);
        Set16(kOptional + 42, osMinor);
        Set16(kOptional + 48, subMajor);
        Set16(kOptional + 50, subMinor);
    }
    void SetDirectory(int index, std::uint32_t rva, std::uint32_t size)
    {
        Set32(kOptional + 96 + 8 * index, rva);
        Set32(kOptional + 100 + 8 * index, size);
    }

    static const std::size_t kOptional = 0x58;
    std::vector<std::uint8_t> bytes;
};

std::string Describe(const PeImports& pe)
{
    std::string text;
    for (const ImportedDll& dll : pe.dlls) {
        text += dll.name + (dll.kind == ImportKind::Delay ? "(delay):" : ":");
        for (const std::string& f : dll.functions)
            text += " " + f;
        text += ";";
    }
    return text;
}

TEST(PeImports, ReadsHeaderStaticImportsAndDelayDescriptorsFoundByShapeOrDirectory)
{
    TestImage image;
    PeImports pe;
    std::string error;
    ASSERT_TRUE(ReadPeImports(image.bytes, pe, error)) << error;
    EXPECT_EQ(0x14c, pe.machine);
    EXPECT_EQ(4, pe.subsystemVersionMajor);
    EXPECT_EQ(2, pe.subsystem);
    // No delay directory in the header (as MinGW-w64 links): found by shape.
    EXPECT_EQ("KERNEL32.dll: CloseHandle #7;winspool.drv(delay): AddPrinterW;", Describe(pe));

    image.SetDirectory(13, 0x1200, 64);  // as MSVC links: the directory says where
    ASSERT_TRUE(ReadPeImports(image.bytes, pe, error)) << error;
    EXPECT_EQ("KERNEL32.dll: CloseHandle #7;winspool.drv(delay): AddPrinterW;", Describe(pe));
}

TEST(PeImports, RefusesWhatIsNotA32BitProgramAndDamagedTables)
{
    PeImports pe;
    std::string error;
    EXPECT_FALSE(ReadPeImports(std::vector<std::uint8_t>(), pe, error));
    EXPECT_FALSE(ReadPeImports(std::vector<std::uint8_t>{'M', 'Z'}, pe, error));

    TestImage x64;
    x64.Set16(TestImage::kOptional, 0x20b);
    EXPECT_FALSE(ReadPeImports(x64.bytes, pe, error));
    EXPECT_NE(std::string::npos, error.find("32-bit"));

    TestImage outside;
    outside.Set32(TestImage::At(0x100c), 0x9000);  // DLL name beyond every section
    EXPECT_FALSE(ReadPeImports(outside.bytes, pe, error));

    TestImage badDelay;
    badDelay.SetDirectory(13, 0x1200, 64);
    badDelay.Set32(TestImage::At(0x1210), 0x9000);  // name table outside
    EXPECT_FALSE(ReadPeImports(badDelay.bytes, pe, error));

    // Cut at every length: never a read past the end (the sanitizers would
    // say), and never a half-read table taken for whole.
    TestImage whole;
    for (std::size_t length = 0; length < whole.bytes.size(); ++length) {
        std::vector<std::uint8_t> cut(whole.bytes.begin(), whole.bytes.begin() + length);
        if (ReadPeImports(cut, pe, error)) {
            for (const ImportedDll& dll : pe.dlls)
                EXPECT_FALSE(dll.functions.empty()) << "length " << length;
        }
    }
}

TEST(PeImports, AnImportTableWithoutEndIsNotFollowedForever)
{
    TestImage image;
    // A thunk chain that fills the section with entries pointing at the
    // same name runs off the section's end instead of looping.
    for (std::uint32_t rva = 0x1100; rva < 0x1400; rva += 4)
        image.Set32(TestImage::At(rva), 0x1140);
    PeImports pe;
    std::string error;
    EXPECT_FALSE(ReadPeImports(image.bytes, pe, error));
}

const char* const kList =
    "# dll kind function since source\n"
    "KERNEL32.dll static CloseHandle 2000 https://learn.microsoft.com/closehandle\n"
    "KERNEL32.dll static #7 nt4 ordinal, reviewed\n"
    "winspool.drv delay AddPrinterW 2000 https://learn.microsoft.com/addprinter  # delay: not a known DLL\n";

std::vector<ProgramImports> Programs(const TestImage& image)
{
    ProgramImports program;
    program.name = "Setup.exe";
    std::string error;
    EXPECT_TRUE(ReadPeImports(image.bytes, program.imports, error)) << error;
    return {program};
}

TEST(ImportReview, ReadsTheListAndNamesEveryLineItCannotRead)
{
    std::vector<ReviewedImport> list;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseReviewedList(kList, list, errors));
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ(ImportKind::Delay, list[2].kind);
    EXPECT_EQ("https://learn.microsoft.com/addprinter", list[2].source);
    EXPECT_EQ(4, list[2].line);

    EXPECT_FALSE(ParseReviewedList("A.dll static F 2000\n"                 // no source
                                   "A.dll loaded F 2000 doc\n"             // kind
                                   "A.dll static G 2001 doc\n"             // version
                                   "a.DLL static H xp doc\n"
                                   "A.dll delay H xp doc again\n",         // twice
                                   list, errors));
    ASSERT_EQ(4u, errors.size());
    EXPECT_EQ(0u, errors[0].find("line 1:"));
    EXPECT_EQ(0u, errors[3].find("line 5:"));
    EXPECT_NE(std::string::npos, errors[3].find("line 4"));
}

TEST(ImportReview, PassesOnlyWhatIsReviewedImportedTheReviewedWayAndOldEnough)
{
    std::vector<ReviewedImport> list;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseReviewedList(kList, list, errors));
    TestImage image;
    EXPECT_TRUE(CheckImports(Programs(image), list, "2000").empty());

    struct Case {
        const char* what;
        std::string list;
        void (*change)(TestImage&);
        const char* finding;
    };
    const std::string base = kList;
    const Case cases[] = {
        {"a function nobody reviewed", "KERNEL32.dll static #7 nt4 x\n"
                                       "winspool.drv delay AddPrinterW 2000 x\n",
         nullptr, "KERNEL32.dll!CloseHandle (static), which is not on the reviewed list"},
        {"a newer function", "KERNEL32.dll static #7 nt4 x\nwinspool.drv delay AddPrinterW 2000 x\n"
                             "KERNEL32.dll static GetTickCount64 vista https://doc\n",
         [](TestImage& i) { i.SetText(TestImage::At(0x1142), "GetTickCount64"); },
         "first in Windows vista (line 3: https://doc)"},
        {"a delay-only DLL imported at start-up",
         "KERNEL32.dll static #7 nt4 x\nKERNEL32.dll delay CloseHandle 2000 x\n"
         "winspool.drv delay AddPrinterW 2000 x\n",
         nullptr, "KERNEL32.dll!CloseHandle at start-up; the reviewed list (line 2) has it as a delay import"},
        {"a stale entry", base + "USER32.dll static MessageBoxW 2000 x\n", nullptr,
         "line 5: USER32.dll!MessageBoxW is imported by no program any more"},
        {"a subsystem version Windows 2000 refuses", base,
         [](TestImage& i) { i.SetVersions(4, 0, 6, 0); }, "subsystem version 6.0 in the header"},
        {"a delay-load slot without its stub", base, [](TestImage& i) { i.Set32(TestImage::At(0x12c0), 0); },
         "the delay-load slot of winspool.drv!AddPrinterW does not point to its loading stub"},
        {"a delay-load slot pointing outside the program", base,
         [](TestImage& i) { i.Set32(TestImage::At(0x12c0), 0x7ff00000); },
         "winspool.drv!AddPrinterW does not point to its loading stub"},
        {"an operating system version newer than 2000", base,
         [](TestImage& i) { i.SetVersions(5, 1, 4, 0); }, "operating system version 5.1"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ParseReviewedList(c.list, list, errors)) << c.what;
        TestImage changed;
        if (c.change)
            c.change(changed);
        const std::vector<std::string> findings = CheckImports(Programs(changed), list, "2000");
        ASSERT_EQ(1u, findings.size()) << c.what << ": " << (findings.empty() ? "" : findings[0]);
        EXPECT_NE(std::string::npos, findings[0].find(c.finding)) << c.what << ": " << findings[0];
    }

    // Versions compare by release, and the floor moves with the argument.
    ASSERT_TRUE(ParseReviewedList(base, list, errors));
    TestImage xp;
    xp.SetVersions(5, 1, 5, 1);
    EXPECT_TRUE(CheckImports(Programs(xp), list, "xp").empty());
    EXPECT_EQ(2u, CheckImports(Programs(xp), list, "2000").size());
    EXPECT_LT(WindowsVersionRank("2003"), WindowsVersionRank("vista"));
    EXPECT_EQ(-1, WindowsVersionRank("95"));
}

}  // namespace
