#include "context/ProductVersion.h"

namespace {

std::uint32_t Read16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Read32(const unsigned char* p)
{
    return Read16(p) | (Read16(p + 2) << 16);
}

const std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;
const std::size_t kFixedFileInfoSize = 52;

}  // namespace

bool ReadProductVersion(const unsigned char* data, std::size_t size, ProductVersion& version)
{
    // wLength, wValueLength, wType, then the key "VS_VERSION_INFO" (UTF-16,
    // with its NUL: 16 code units), padded to four bytes: the fixed file
    // information follows at offset 40.
    const char key[] = "VS_VERSION_INFO";
    const std::size_t fixed = 40;
    if (!data || size < fixed + kFixedFileInfoSize || Read16(data + 2) < kFixedFileInfoSize)
        return false;
    for (std::size_t i = 0; i < sizeof(key); ++i)
        if (Read16(data + 6 + 2 * i) != static_cast<unsigned char>(key[i]))
            return false;
    const unsigned char* info = data + fixed;
    if (Read32(info) != kFixedFileInfoSignature)
        return false;
    const std::uint32_t high = Read32(info + 16), low = Read32(info + 20);  // dwProductVersionMS, LS
    version.part[0] = static_cast<std::uint16_t>(high >> 16);
    version.part[1] = static_cast<std::uint16_t>(high);
    version.part[2] = static_cast<std::uint16_t>(low >> 16);
    version.part[3] = static_cast<std::uint16_t>(low);
    return true;
}

std::wstring VersionText(const ProductVersion& version)
{
    std::wstring text;
    for (int i = 0; i < 4; ++i)
        text += (i ? L"." : L"") + std::to_wstring(version.part[i]);
    return text;
}

bool ParseVersionText(const std::wstring& text, ProductVersion& version)
{
    ProductVersion parsed;
    int index = 0;
    std::uint32_t value = 0;
    std::size_t digits = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == L'.') {
            if (digits == 0 || index >= 4)
                return false;
            parsed.part[index++] = static_cast<std::uint16_t>(value);
            value = 0;
            digits = 0;
            continue;
        }
        if (text[i] < L'0' || text[i] > L'9' || ++digits > 5)
            return false;
        value = value * 10 + static_cast<std::uint32_t>(text[i] - L'0');
        if (value > 0xFFFF)
            return false;
    }
    version = parsed;
    return true;
}

int CompareVersions(const ProductVersion& a, const ProductVersion& b)
{
    for (int i = 0; i < 4; ++i)
        if (a.part[i] != b.part[i])
            return a.part[i] < b.part[i] ? -1 : 1;
    return 0;
}
