#include "install/ProgramImage.h"

#include <cstring>
#include <vector>

namespace {

const std::uint32_t kSectionWritable = 0x80000000u;  // IMAGE_SCN_MEM_WRITE
const std::uint16_t kPe32 = 0x10b, kPe32Plus = 0x20b;
const unsigned kResourceDirectory = 2, kRelocationDirectory = 5;
const unsigned kRelocAbsolute = 0, kRelocHighLow = 3, kRelocDir64 = 10;

std::uint32_t Read16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Read32(const unsigned char* p)
{
    return Read16(p) | (Read16(p + 2) << 16);
}

std::uint64_t Read64(const unsigned char* p)
{
    return static_cast<std::uint64_t>(Read32(p)) | (static_cast<std::uint64_t>(Read32(p + 4)) << 32);
}

void Write32(unsigned char* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

void Write64(unsigned char* p, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

struct Section {
    std::string name;
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t characteristics = 0;
    // The bytes the file gives the section in memory.
    std::uint32_t Loaded() const { return rawSize < virtualSize || virtualSize == 0 ? rawSize : virtualSize; }
};

// The parts of a PE file's headers the comparison needs.
struct Layout {
    std::size_t headersSize = 0;
    std::size_t imageBaseOffset = 0;  // where the image base is in the file
    std::size_t imageBaseWidth = 0;   // 4 or 8 bytes
    std::uint64_t imageBase = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t relocationRva = 0, relocationSize = 0;
    std::uint32_t resourceRva = 0;
    std::vector<Section> sections;
};

bool Within(std::size_t offset, std::size_t length, std::size_t size)
{
    return offset <= size && length <= size - offset;
}

bool ReadLayout(const unsigned char* file, std::size_t size, Layout& layout)
{
    if (size < 0x40 || file[0] != 'M' || file[1] != 'Z')
        return false;
    const std::size_t pe = Read32(file + 0x3c);
    if (!Within(pe, 24, size) || std::memcmp(file + pe, "PE\0\0", 4) != 0)
        return false;
    const std::size_t sectionCount = Read16(file + pe + 6);
    const std::size_t optionalSize = Read16(file + pe + 20);
    const std::size_t optional = pe + 24;
    if (!Within(optional, optionalSize, size) || optionalSize < 2)
        return false;
    const std::uint32_t magic = Read16(file + optional);
    std::size_t directories = 0, directoryCountAt = 0;
    if (magic == kPe32 && optionalSize >= 96) {
        layout.imageBaseOffset = optional + 28;
        layout.imageBaseWidth = 4;
        layout.imageBase = Read32(file + layout.imageBaseOffset);
        directoryCountAt = optional + 92;
        directories = optional + 96;
    } else if (magic == kPe32Plus && optionalSize >= 112) {
        layout.imageBaseOffset = optional + 24;
        layout.imageBaseWidth = 8;
        layout.imageBase = Read64(file + layout.imageBaseOffset);
        directoryCountAt = optional + 108;
        directories = optional + 112;
    } else {
        return false;
    }
    layout.imageSize = Read32(file + optional + 56);
    layout.headersSize = Read32(file + optional + 60);
    const std::size_t directoryCount = Read32(file + directoryCountAt);
    if (directoryCount > kResourceDirectory &&
        Within(directories, (kResourceDirectory + 1) * 8, optional + optionalSize))
        layout.resourceRva = Read32(file + directories + kResourceDirectory * 8);
    if (directoryCount > kRelocationDirectory &&
        Within(directories, (kRelocationDirectory + 1) * 8, optional + optionalSize)) {
        layout.relocationRva = Read32(file + directories + kRelocationDirectory * 8);
        layout.relocationSize = Read32(file + directories + kRelocationDirectory * 8 + 4);
    }
    const std::size_t table = optional + optionalSize;
    if (!Within(table, sectionCount * 40, size) || layout.headersSize > size ||
        layout.headersSize < table + sectionCount * 40)
        return false;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const unsigned char* entry = file + table + i * 40;
        Section section;
        std::size_t length = 0;
        while (length < 8 && entry[length] != 0)
            ++length;
        section.name.assign(reinterpret_cast<const char*>(entry), length);
        section.virtualSize = Read32(entry + 8);
        section.virtualAddress = Read32(entry + 12);
        section.rawSize = Read32(entry + 16);
        section.rawOffset = Read32(entry + 20);
        section.characteristics = Read32(entry + 36);
        if (section.rawSize != 0 && !Within(section.rawOffset, section.rawSize, size))
            return false;
        layout.sections.push_back(section);
    }
    return true;
}

// The file offset of `rva` and how many bytes of the file follow it in its
// section; false when no section's file bytes hold it.
bool FileOffsetOf(const Layout& layout, std::uint32_t rva, std::size_t& offset, std::size_t& available)
{
    for (const Section& s : layout.sections) {
        const std::uint32_t loaded = s.Loaded();
        if (rva >= s.virtualAddress && rva - s.virtualAddress < loaded) {
            offset = s.rawOffset + (rva - s.virtualAddress);
            available = loaded - (rva - s.virtualAddress);
            return true;
        }
    }
    return false;
}

// The loaded bytes of every section as the file gives them, moved by the
// file's base relocations by `delta`; false for a relocation this code does
// not know or one that points outside the file.
bool RelocatedImage(const unsigned char* file, const Layout& layout, std::uint64_t delta,
                    std::vector<unsigned char>& image)
{
    image.assign(layout.imageSize, 0);
    for (const Section& s : layout.sections) {
        const std::uint32_t loaded = s.Loaded();
        if (loaded != 0 && Within(s.virtualAddress, loaded, image.size()))
            std::memcpy(image.data() + s.virtualAddress, file + s.rawOffset, loaded);
    }
    if (delta == 0 || layout.relocationSize == 0)
        return true;
    std::size_t offset = 0, available = 0;
    if (!FileOffsetOf(layout, layout.relocationRva, offset, available) || available < layout.relocationSize)
        return false;
    const unsigned char* block = file + offset;
    const unsigned char* end = block + layout.relocationSize;
    while (end - block >= 8) {
        const std::uint32_t page = Read32(block);
        const std::uint32_t blockSize = Read32(block + 4);
        if (blockSize < 8 || blockSize > static_cast<std::size_t>(end - block))
            return false;
        for (std::uint32_t at = 8; at + 2 <= blockSize; at += 2) {
            const std::uint32_t entry = Read16(block + at);
            const unsigned type = entry >> 12;
            const std::uint64_t target = static_cast<std::uint64_t>(page) + (entry & 0xfff);
            if (type == kRelocAbsolute)
                continue;
            const std::size_t width = type == kRelocHighLow ? 4 : type == kRelocDir64 ? 8 : 0;
            if (width == 0 || target > image.size() || width > image.size() - target)
                return false;
            unsigned char* p = image.data() + target;
            if (width == 4)
                Write32(p, static_cast<std::uint32_t>(Read32(p) + delta));
            else
                Write64(p, Read64(p) + delta);
        }
        block += blockSize;
    }
    return true;
}

}  // namespace

ImageComparison CompareFileWithImage(const unsigned char* file, std::size_t fileSize, const unsigned char* image,
                                     std::size_t imageSize, std::uint64_t loadedBase, std::string& where)
{
    where.clear();
    Layout layout;
    if (!file || !image || !ReadLayout(file, fileSize, layout) || layout.imageSize > imageSize ||
        layout.headersSize > imageSize) {
        where = "headers";
        return ImageComparison::NotAProgram;
    }
    // The headers, but for the image base.
    std::vector<unsigned char> fileHeaders(file, file + layout.headersSize);
    std::vector<unsigned char> imageHeaders(image, image + layout.headersSize);
    std::memset(fileHeaders.data() + layout.imageBaseOffset, 0, layout.imageBaseWidth);
    std::memset(imageHeaders.data() + layout.imageBaseOffset, 0, layout.imageBaseWidth);
    if (fileHeaders != imageHeaders) {
        where = "headers";
        return ImageComparison::Headers;
    }
    std::vector<unsigned char> expected;
    if (!RelocatedImage(file, layout, loadedBase - layout.imageBase, expected)) {
        where = "base relocations";
        return ImageComparison::NotAProgram;
    }
    for (const Section& s : layout.sections) {
        // The resources are the program's too (the files it carries, its
        // texts), and nothing writes them, though linkers may mark their
        // section writable.
        const bool resources = layout.resourceRva != 0 && layout.resourceRva >= s.virtualAddress &&
                               layout.resourceRva - s.virtualAddress < s.Loaded();
        if ((s.characteristics & kSectionWritable) != 0 && !resources)
            continue;
        const std::uint32_t loaded = s.Loaded();
        if (loaded == 0)
            continue;
        if (!Within(s.virtualAddress, loaded, layout.imageSize) ||
            std::memcmp(expected.data() + s.virtualAddress, image + s.virtualAddress, loaded) != 0) {
            where = s.name;
            return ImageComparison::Section;
        }
    }
    return ImageComparison::Same;
}
