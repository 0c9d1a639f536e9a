#include "tools/importcheck/PeImports.h"

#include <set>

namespace {

// Bounds on every walk: a table that runs longer than this is taken for a
// damaged file, not followed.
const std::size_t kMaxDlls = 1024;
const std::size_t kMaxFunctions = 1 << 16;
const std::size_t kMaxName = 512;
const std::size_t kMaxSections = 96;

const std::uint16_t kPe32Magic = 0x10b;
const std::uint32_t kOrdinalFlag = 0x80000000u;
const std::size_t kImportDirectory = 1;
const std::size_t kDelayImportDirectory = 13;
const std::size_t kDelayDescriptorSize = 32;

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

class Image {
public:
    explicit Image(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    bool U16(std::size_t offset, std::uint16_t& value) const
    {
        if (offset > m_bytes.size() || m_bytes.size() - offset < 2)
            return false;
        value = static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
        return true;
    }

    bool U32(std::size_t offset, std::uint32_t& value) const
    {
        if (offset > m_bytes.size() || m_bytes.size() - offset < 4)
            return false;
        value = static_cast<std::uint32_t>(m_bytes[offset]) |
                (static_cast<std::uint32_t>(m_bytes[offset + 1]) << 8) |
                (static_cast<std::uint32_t>(m_bytes[offset + 2]) << 16) |
                (static_cast<std::uint32_t>(m_bytes[offset + 3]) << 24);
        return true;
    }

    // The file offset of RVA, which must lie in a section's file data.
    bool Offset(std::uint32_t rva, std::size_t& offset) const
    {
        for (const Section& s : sections) {
            if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
                offset = static_cast<std::size_t>(s.rawOffset) + (rva - s.virtualAddress);
                return offset < m_bytes.size();
            }
        }
        return false;
    }

    bool U32AtRva(std::uint32_t rva, std::uint32_t& value) const
    {
        std::size_t offset = 0;
        return Offset(rva, offset) && U32(offset, value);
    }

    // A zero-terminated name of printable ASCII at RVA.
    bool NameAtRva(std::uint32_t rva, std::string& name) const
    {
        std::size_t offset = 0;
        if (!Offset(rva, offset))
            return false;
        name.clear();
        for (std::size_t i = 0; i < kMaxName && offset + i < m_bytes.size(); ++i) {
            const std::uint8_t c = m_bytes[offset + i];
            if (c == 0)
                return !name.empty();
            if (c < 0x20 || c > 0x7e)
                return false;
            name.push_back(static_cast<char>(c));
        }
        return false;
    }

    // True when RVA lies inside a section as it is mapped (file data or not).
    bool Mapped(std::uint32_t rva) const
    {
        for (const Section& s : sections) {
            const std::uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
            if (rva >= s.virtualAddress && rva - s.virtualAddress < extent)
                return true;
        }
        return false;
    }

    std::size_t Size() const { return m_bytes.size(); }

    std::vector<Section> sections;
    std::uint32_t imageBase = 0;

private:
    const std::vector<std::uint8_t>& m_bytes;
};

// The function names of a thunk array (import name table) at RVA.
bool ReadThunks(const Image& image, std::uint32_t rva, std::vector<std::string>& functions)
{
    functions.clear();
    for (std::size_t i = 0; i < kMaxFunctions; ++i) {
        std::uint32_t thunk = 0;
        if (!image.U32AtRva(rva + static_cast<std::uint32_t>(4 * i), thunk))
            return false;
        if (thunk == 0)
            return true;
        if (thunk & kOrdinalFlag) {
            functions.push_back("#" + std::to_string(thunk & 0xffffu));
            continue;
        }
        std::string name;
        if (!image.NameAtRva(thunk + 2, name))  // after the two-byte hint
            return false;
        functions.push_back(name);
    }
    return false;
}

bool ReadStaticImports(const Image& image, std::uint32_t rva, std::vector<ImportedDll>& dlls,
                       std::string& error)
{
    for (std::size_t i = 0; i < kMaxDlls; ++i) {
        const std::uint32_t at = rva + static_cast<std::uint32_t>(20 * i);
        std::uint32_t originalThunks = 0, nameRva = 0, firstThunk = 0;
        if (!image.U32AtRva(at, originalThunks) || !image.U32AtRva(at + 12, nameRva) ||
            !image.U32AtRva(at + 16, firstThunk)) {
            error = "the import directory runs outside the file";
            return false;
        }
        if (originalThunks == 0 && nameRva == 0 && firstThunk == 0)
            return true;
        ImportedDll dll;
        dll.kind = ImportKind::Static;
        if (!image.NameAtRva(nameRva, dll.name) ||
            !ReadThunks(image, originalThunks ? originalThunks : firstThunk, dll.functions)) {
            error = "an import descriptor points outside the file";
            return false;
        }
        dlls.push_back(dll);
    }
    error = "the import directory has no end";
    return false;
}

// One delay-load descriptor at file offset OFFSET, if it is one: the
// attribute that says "relative addresses", a DLL name, and an import name
// table whose entries all resolve.
bool ReadDelayDescriptor(const Image& image, std::size_t offset, ImportedDll& dll)
{
    std::uint32_t attributes = 0, nameRva = 0, moduleRva = 0, iatRva = 0, intRva = 0;
    if (!image.U32(offset, attributes) || attributes != 1 || !image.U32(offset + 4, nameRva) ||
        !image.U32(offset + 8, moduleRva) || !image.U32(offset + 12, iatRva) ||
        !image.U32(offset + 16, intRva))
        return false;
    std::size_t ignored = 0;
    if (!image.Mapped(moduleRva) || !image.Offset(iatRva, ignored) || !image.Offset(intRva, ignored))
        return false;
    dll = ImportedDll();
    dll.kind = ImportKind::Delay;
    if (!image.NameAtRva(nameRva, dll.name) || dll.name.find('.') == std::string::npos)
        return false;
    if (!ReadThunks(image, intRva, dll.functions) || dll.functions.empty())
        return false;
    // Each import slot starts out holding the address of its loading stub.
    for (std::size_t i = 0; i < dll.functions.size(); ++i) {
        std::uint32_t slot = 0;
        if (!image.U32AtRva(iatRva + static_cast<std::uint32_t>(4 * i), slot) || slot < image.imageBase ||
            slot == image.imageBase || !image.Mapped(slot - image.imageBase))
            dll.unboundFunctions.push_back(dll.functions[i]);
    }
    return true;
}

bool ReadDelayDirectory(const Image& image, std::uint32_t rva, std::vector<ImportedDll>& dlls,
                        std::string& error)
{
    for (std::size_t i = 0; i < kMaxDlls; ++i) {
        std::size_t offset = 0;
        std::uint32_t attributes = 0, nameRva = 0;
        const std::uint32_t at = rva + static_cast<std::uint32_t>(kDelayDescriptorSize * i);
        if (!image.Offset(at, offset) || !image.U32(offset, attributes) || !image.U32(offset + 4, nameRva)) {
            error = "the delay import directory runs outside the file";
            return false;
        }
        if (attributes == 0 && nameRva == 0)
            return true;
        ImportedDll dll;
        if (!ReadDelayDescriptor(image, offset, dll)) {
            error = "a delay import descriptor cannot be read";
            return false;
        }
        dlls.push_back(dll);
    }
    error = "the delay import directory has no end";
    return false;
}

// MinGW-w64's linker leaves the delay import directory of the header empty;
// its descriptors (made by dlltool) sit in the code section. They are found
// by their shape, every candidate checked down to its function names.
void ScanDelayDescriptors(const Image& image, std::vector<ImportedDll>& dlls)
{
    std::set<std::string> seen;
    for (const Section& s : image.sections) {
        for (std::uint32_t at = 0; at + kDelayDescriptorSize <= s.rawSize; at += 4) {
            const std::size_t offset = static_cast<std::size_t>(s.rawOffset) + at;
            if (offset + kDelayDescriptorSize > image.Size())
                break;
            ImportedDll dll;
            if (ReadDelayDescriptor(image, offset, dll) && seen.insert(dll.name).second)
                dlls.push_back(dll);
        }
    }
}

}  // namespace

bool ReadPeImports(const std::vector<std::uint8_t>& bytes, PeImports& out, std::string& error)
{
    out = PeImports();
    Image image(bytes);
    std::uint16_t mz = 0;
    std::uint32_t peOffset = 0, signature = 0;
    if (!image.U16(0, mz) || mz != 0x5a4d || !image.U32(0x3c, peOffset) || !image.U32(peOffset, signature) ||
        signature != 0x00004550) {
        error = "not a PE file";
        return false;
    }
    const std::size_t coff = static_cast<std::size_t>(peOffset) + 4;
    std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!image.U16(coff, out.machine) || !image.U16(coff + 2, sectionCount) ||
        !image.U16(coff + 16, optionalSize)) {
        error = "the file header is cut off";
        return false;
    }
    const std::size_t optional = coff + 20;
    if (!image.U16(optional, magic) || magic != kPe32Magic) {
        error = "not a 32-bit program (PE32 optional header expected)";
        return false;
    }
    std::uint32_t directoryCount = 0;
    if (!image.U32(optional + 28, image.imageBase) || !image.U16(optional + 40, out.osVersionMajor) || !image.U16(optional + 42, out.osVersionMinor) ||
        !image.U16(optional + 48, out.subsystemVersionMajor) ||
        !image.U16(optional + 50, out.subsystemVersionMinor) || !image.U16(optional + 68, out.subsystem) ||
        !image.U32(optional + 92, directoryCount)) {
        error = "the optional header is cut off";
        return false;
    }
    if (sectionCount > kMaxSections) {
        error = "too many sections";
        return false;
    }
    const std::size_t sectionTable = optional + optionalSize;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        Section s;
        const std::size_t at = sectionTable + 40 * i;
        if (!image.U32(at + 8, s.virtualSize) || !image.U32(at + 12, s.virtualAddress) ||
            !image.U32(at + 16, s.rawSize) || !image.U32(at + 20, s.rawOffset)) {
            error = "the section table is cut off";
            return false;
        }
        // Only the part that is in the file can be read; a raw size beyond
        // the end of the file is cut to what is there.
        if (s.rawOffset >= bytes.size())
            s.rawSize = 0;
        else if (bytes.size() - s.rawOffset < s.rawSize)
            s.rawSize = static_cast<std::uint32_t>(bytes.size() - s.rawOffset);
        if (s.virtualSize != 0 && s.virtualSize < s.rawSize)
            s.rawSize = s.virtualSize;  // the rest is file alignment padding
        image.sections.push_back(s);
    }

    auto directory = [&](std::size_t index, std::uint32_t& rva, std::uint32_t& size) {
        rva = size = 0;
        if (index >= directoryCount || index >= 16)
            return true;
        const std::size_t at = optional + 96 + 8 * index;
        return image.U32(at, rva) && image.U32(at + 4, size);
    };
    std::uint32_t rva = 0, size = 0;
    if (!directory(kImportDirectory, rva, size)) {
        error = "the data directories are cut off";
        return false;
    }
    if (rva != 0 && !ReadStaticImports(image, rva, out.dlls, error))
        return false;
    if (!directory(kDelayImportDirectory, rva, size)) {
        error = "the data directories are cut off";
        return false;
    }
    if (rva != 0)
        return ReadDelayDirectory(image, rva, out.dlls, error);
    ScanDelayDescriptors(image, out.dlls);
    return true;
}
