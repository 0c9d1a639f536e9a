// The check that a program file is the program that runs, on made-up
// programs of both formats: laid out and moved as a loader does, then
// changed where a swapped file would differ and where the loader and the
// program's start-up change memory anyway.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "install/ProgramImage.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, std::size_t at, unsigned value)
{
    b[at] = static_cast<unsigned char>(value);
    b[at + 1] = static_cast<unsigned char>(value >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(value >> (8 * i));
}
void Put64(Bytes& b, std::size_t at, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        b[at + i] = static_cast<unsigned char>(value >> (8 * i));
}
std::uint64_t Get64(const Bytes& b, std::size_t at)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | b[at + i];
    return value;
}

const std::uint32_t kCode = 0x60000020u, kReadOnly = 0x40000040u, kWritable = 0xC0000040u;
const std::size_t kPe = 0x40, kOptional = kPe + 24;
const std::size_t kHeaders = 0x400;  // SizeOfHeaders; the sections' bytes follow, 0x200 each

std::size_t RawOf(unsigned section)
{
    return kHeaders + 0x200 * section;
}

struct Program {
    bool wide;  // PE32+ (x86-64) or PE32 (x86)
    Bytes file;
    std::uint64_t imageBase;
    std::size_t imageBaseAt;
    std::size_t relocationAt;  // where in the file the relocation block starts
    std::size_t pointerAt;     // where in .text the relocated pointer is (file offset)
};

// A program with .text (holding one absolute pointer into .data), .rdata,
// .data (writable), .reloc and .rsrc (marked writable, as linkers do, and
// named by the resource directory); sections 0x1000 apart, 0x200 bytes each.
Program MakeProgram(bool wide, unsigned relocationType = 0)
{
    Program p;
    p.wide = wide;
    p.imageBase = wide ? 0x140000000ull : 0x400000ull;
    const std::size_t optionalSize = wide ? 240 : 224;
    const std::size_t table = kOptional + optionalSize;
    const unsigned sections = 5;
    p.file.assign(RawOf(sections), 0);
    Bytes& f = p.file;
    f[0] = 'M';
    f[1] = 'Z';
    Put32(f, 0x3c, kPe);
    std::memcpy(&f[kPe], "PE\0\0", 4);
    Put16(f, kPe + 4, wide ? 0x8664 : 0x14c);
    Put16(f, kPe + 6, sections);
    Put32(f, kPe + 8, 0x12345678);  // a time stamp
    Put16(f, kPe + 20, static_cast<unsigned>(optionalSize));
    Put16(f, kOptional, wide ? 0x20b : 0x10b);
    p.imageBaseAt = kOptional + (wide ? 24 : 28);
    if (wide)
        Put64(f, p.imageBaseAt, p.imageBase);
    else
        Put32(f, p.imageBaseAt, static_cast<std::uint32_t>(p.imageBase));
    Put32(f, kOptional + 56, 0x6000);  // SizeOfImage
    Put32(f, kOptional + 60, static_cast<std::uint32_t>(kHeaders));
    const std::size_t directories = kOptional + (wide ? 112 : 96);
    Put32(f, kOptional + (wide ? 108 : 92), 16);
    Put32(f, directories + 2 * 8, 0x5000);  // resources at .rsrc
    Put32(f, directories + 2 * 8 + 4, 0x200);
    Put32(f, directories + 5 * 8, 0x4000);  // base relocations at .reloc
    Put32(f, directories + 5 * 8 + 4, 12);
    const struct {
        const char* name;
        std::uint32_t characteristics;
    } layout[] = {{".text", kCode}, {".rdata", kReadOnly}, {".data", kWritable}, {".reloc", kReadOnly},
                  {".rsrc", kWritable}};
    for (unsigned i = 0; i < sections; ++i) {
        const std::size_t entry = table + i * 40;
        std::memcpy(&f[entry], layout[i].name, std::strlen(layout[i].name));
        Put32(f, entry + 8, 0x200);                 // VirtualSize
        Put32(f, entry + 12, 0x1000 * (i + 1));     // VirtualAddress
        Put32(f, entry + 16, 0x200);                // SizeOfRawData
        Put32(f, entry + 20, static_cast<std::uint32_t>(RawOf(i)));  // PointerToRawData
        Put32(f, entry + 36, layout[i].characteristics);
        for (std::size_t b = 0; b < 0x200; ++b)
            f[RawOf(i) + b] = static_cast<unsigned char>(b * 7 + i);
    }
    // The pointer in .text at RVA 0x1010 names .data's start, as linked.
    p.pointerAt = RawOf(0) + 0x10;
    const std::uint64_t target = p.imageBase + 0x3000;
    if (wide)
        Put64(f, p.pointerAt, target);
    else
        Put32(f, p.pointerAt, static_cast<std::uint32_t>(target));
    // One relocation block: page 0x1000, one entry at 0x010, and padding.
    p.relocationAt = RawOf(3);
    std::memset(&f[p.relocationAt], 0, 0x200);
    Put32(f, p.relocationAt, 0x1000);
    Put32(f, p.relocationAt + 4, 12);
    const unsigned type = relocationType ? relocationType : (wide ? 10 : 3);
    Put16(f, p.relocationAt + 8, (type << 12) | 0x010);
    return p;
}

// The program as a loader lays it out at `base`: headers, sections at their
// addresses, the pointer moved, and the new base in the mapped headers.
Bytes Load(const Program& p, std::uint64_t base)
{
    Bytes image(0x6000, 0);
    std::memcpy(image.data(), p.file.data(), kHeaders);
    for (unsigned i = 0; i < 5; ++i)
        std::memcpy(&image[0x1000 * (i + 1)], &p.file[RawOf(i)], 0x200);
    const std::uint64_t delta = base - p.imageBase;
    const std::size_t pointer = 0x1010;
    if (p.wide) {
        Put64(image, pointer, Get64(image, pointer) + delta);
        Put64(image, p.imageBaseAt, base);
    } else {
        Put32(image, pointer, static_cast<std::uint32_t>(Get64(image, pointer) + delta));
        Put32(image, p.imageBaseAt, static_cast<std::uint32_t>(base));
    }
    return image;
}

ImageComparison Compare(const Bytes& file, const Bytes& image, std::uint64_t base, std::string& where)
{
    return CompareFileWithImage(file.data(), file.size(), image.data(), image.size(), base, where);
}

}  // namespace

TEST(ProgramImage, TheRunningProgramsFileMatchesWhereverTheLoaderPutIt)
{
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "PE32+" : "PE32");
        const Program p = MakeProgram(wide);
        for (const std::uint64_t base : {p.imageBase, p.imageBase + 0x230000, p.imageBase - 0x10000}) {
            SCOPED_TRACE(base);
            const Bytes image = Load(p, base);
            std::string where;
            EXPECT_EQ(ImageComparison::Same, Compare(p.file, image, base, where)) << where;
            // What the loader and the start-up write: the import table and
            // the program's data live in writable sections.
            Bytes started = image;
            started[0x3000] ^= 0xff;
            started[0x31ff] = 0;
            EXPECT_EQ(ImageComparison::Same, Compare(p.file, started, base, where)) << where;
        }
    }
}

TEST(ProgramImage, AnotherProgramAtTheNameIsTold)
{
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "PE32+" : "PE32");
        const Program p = MakeProgram(wide);
        const std::uint64_t base = p.imageBase + 0x10000;
        const Bytes image = Load(p, base);
        const struct {
            const char* what;
            std::size_t at;  // the file byte changed
            ImageComparison expected;
            const char* where;
        } cases[] = {
            {"code", RawOf(0) + 0x100, ImageComparison::Section, ".text"},
            {"the pointer the loader moves", RawOf(0) + 0x10, ImageComparison::Section, ".text"},
            {"read-only data", RawOf(1) + 0x1ff, ImageComparison::Section, ".rdata"},
            {"a resource (an embedded file, a text)", RawOf(4) + 0x40, ImageComparison::Section, ".rsrc"},
            {"the time stamp", kPe + 8, ImageComparison::Headers, "headers"},
            {"a section's characteristics", kOptional + (wide ? 240 : 224) + 36, ImageComparison::Headers, "headers"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what);
            Bytes swapped = p.file;
            swapped[c.at] ^= 0x01;
            std::string where;
            EXPECT_EQ(c.expected, Compare(swapped, image, base, where));
            EXPECT_EQ(c.where, where);
        }
        // The same bytes but a file that says another image base: its
        // pointer, moved by its own relocations, lands elsewhere.
        Bytes rebased = p.file;
        if (wide)
            Put64(rebased, p.imageBaseAt, p.imageBase + 0x1000);
        else
            Put32(rebased, p.imageBaseAt, static_cast<std::uint32_t>(p.imageBase + 0x1000));
        std::string where;
        EXPECT_EQ(ImageComparison::Section, Compare(rebased, image, base, where));
    }
}

TEST(ProgramImage, WhatIsNoProgramIsNeverTheSame)
{
    const Program p = MakeProgram(true);
    const std::uint64_t base = p.imageBase + 0x10000;
    const Bytes image = Load(p, base);
    std::string where;
    EXPECT_EQ(ImageComparison::NotAProgram, Compare(Bytes(), image, base, where));
    EXPECT_EQ(ImageComparison::NotAProgram, Compare(Bytes(p.file.begin(), p.file.begin() + 0x100), image, base, where))
        << "cut off in its headers";
    Bytes notMz = p.file;
    notMz[0] = 'X';
    EXPECT_EQ(ImageComparison::NotAProgram, Compare(notMz, image, base, where));
    Bytes farHeader = p.file;
    Put32(farHeader, 0x3c, 0x7ffffff0u);
    EXPECT_EQ(ImageComparison::NotAProgram, Compare(farHeader, image, base, where));
    Bytes sectionBeyond = p.file;
    Put32(sectionBeyond, kOptional + 240 + 20, 0x100000);  // .text's bytes past the end of the file
    EXPECT_EQ(ImageComparison::NotAProgram, Compare(sectionBeyond, image, base, where));
    // An image smaller than the file says it is.
    EXPECT_EQ(ImageComparison::NotAProgram,
              Compare(p.file, Bytes(image.begin(), image.begin() + 0x2000), base, where));
    // A relocation of a kind programs for these processors do not have.
    const Program odd = MakeProgram(true, 7);
    EXPECT_EQ(ImageComparison::NotAProgram, Compare(odd.file, Load(p, base), base, where));
    EXPECT_EQ("base relocations", where);
    Bytes longBlock = p.file;
    Put32(longBlock, p.relocationAt + 4, 0x10000);  // a block longer than the directory
    EXPECT_EQ(ImageComparison::NotAProgram, Compare(longBlock, image, base, where));
}
