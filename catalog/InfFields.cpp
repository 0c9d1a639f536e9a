// Field extraction and the SecurityID check; see InfFields.h.
#include "catalog/InfFields.h"

#include "catalog/CatalogueKey.h"

#include <cstdint>
#include <cstring>

namespace {

const std::wstring kLptMarker = L"LPTENUM\\";
const std::wstring kUsbMarker = L"USBPRINT\\";
const std::wstring kSecurityMarker = L"SecurityID=";
const wchar_t kNoId[] = L"FFFF";
const std::uint32_t kDelta = 0x9E3779B9u;

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f';
}

// Line breaks become spaces, then blanks go from both ends.
std::wstring CleanPiece(const std::wstring& text, std::size_t from, std::size_t to)
{
    std::wstring piece = text.substr(from, to - from);
    for (wchar_t& c : piece) {
        if (c == L'\r' || c == L'\n')
            c = L' ';
    }
    std::size_t end = piece.size();
    while (end > 0 && IsBlank(piece[end - 1]))
        --end;
    std::size_t start = 0;
    while (start < end && IsBlank(piece[start]))
        ++start;
    return piece.substr(start, end - start);
}

std::wstring DropFront(const std::wstring& text, std::size_t count)
{
    return count >= text.size() ? std::wstring() : text.substr(count);
}

// One hardware id: marker, then the model key after it, then the line end.
// `maker` is the text between marker and key, `suffix` the rest of the line.
bool FindHardwareId(const std::wstring& text, const std::wstring& marker,
                    const std::wstring& modelKey, std::wstring& maker, std::wstring& suffix)
{
    std::size_t b = text.find(marker);
    if (b == std::wstring::npos)
        return false;
    std::size_t c = text.find(modelKey, b);
    if (c == std::wstring::npos)
        return false;
    // The last line of a file often has no line feed; it still ends there.
    std::size_t e = text.find(L'\n', c);
    if (e == std::wstring::npos)
        e = text.size();
    maker = DropFront(CleanPiece(text, b, c), marker.size());
    suffix = DropFront(CleanPiece(text, c, e), modelKey.size());
    return true;
}

std::uint32_t LoadWord(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void StoreWord(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The declared connections' words; see InfIds.
void ParseConnections(const std::wstring& text, InfIds& ids)
{
    const std::wstring marker = std::wstring(kConnectionsKey) + L"=";
    const std::size_t at = text.find(marker);
    if (at == std::wstring::npos)
        return;
    std::size_t end = text.find(L'\n', at);
    if (end == std::wstring::npos)
        end = text.size();
    const std::size_t comment = text.find(L';', at);
    if (comment < end)
        end = comment;
    std::size_t from = at + marker.size();
    while (from <= end) {
        std::size_t comma = text.find(L',', from);
        if (comma == std::wstring::npos || comma > end)
            comma = end;
        const std::wstring word = CleanPiece(text, from, comma);
        const std::wstring upper = UpperCaseAscii(word);
        if (upper == L"NETWORK")
            ids.network = true;
        else if (upper == L"SERIAL")
            ids.serial = true;
        else if (!word.empty())
            ids.unknownConnections.push_back(word);
        from = comma + 1;
    }
}

}  // namespace

const wchar_t kConnectionsKey[] = L"QuorvexConnections";

std::wstring UpperCaseAscii(const std::wstring& text)
{
    std::wstring upper = text;
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return upper;
}

InfIds ParseInfIds(const std::wstring& text, const std::wstring& modelKey)
{
    InfIds ids;
    std::wstring maker, suffix;
    if (FindHardwareId(text, kLptMarker, modelKey, maker, suffix)) {
        ids.manufacturer = maker;
        ids.lptIdSuffix = suffix;
    } else {
        ids.lptIdSuffix = kNoId;
    }
    if (FindHardwareId(text, kUsbMarker, modelKey, maker, suffix)) {
        if (ids.manufacturer.empty())
            ids.manufacturer = maker;
        ids.usbIdSuffix = suffix;
    } else {
        ids.usbIdSuffix = kNoId;
    }
    std::size_t g = text.find(kSecurityMarker);
    if (g != std::wstring::npos) {
        std::size_t h = text.find(L'\n', g);
        if (h == std::wstring::npos)
            h = text.size();
        ids.securityId = DropFront(CleanPiece(text, g, h), kSecurityMarker.size());
    }
    ParseConnections(text, ids);
    return ids;
}

bool DecodeHexBlock(const std::wstring& text, unsigned char* bytes, std::size_t count)
{
    std::memset(bytes, 0, count);
    std::wstring digits;
    for (wchar_t c : UpperCaseAscii(text)) {
        if (c != L' ')
            digits.push_back(c);
    }
    if (digits.size() != 2 * count)
        return false;
    unsigned char value[2];
    for (std::size_t i = 0; i < count; ++i) {
        for (int half = 0; half < 2; ++half) {
            wchar_t c = digits[2 * i + half];
            if (c >= L'0' && c <= L'9')
                value[half] = static_cast<unsigned char>(c - L'0');
            else if (c >= L'A' && c <= L'F')
                value[half] = static_cast<unsigned char>(c - L'A' + 10);
            else {
                std::memset(bytes, 0, count);
                return false;
            }
        }
        bytes[i] = static_cast<unsigned char>((value[0] << 4) | value[1]);
    }
    return true;
}

void TeaDecipherBlock(unsigned char block[8], const unsigned char key[16])
{
    std::uint32_t y = LoadWord(block), z = LoadWord(block + 4);
    const std::uint32_t k0 = LoadWord(key), k1 = LoadWord(key + 4);
    const std::uint32_t k2 = LoadWord(key + 8), k3 = LoadWord(key + 12);
    std::uint32_t sum = 0xC6EF3720u;  // kDelta * 32
    for (int cycle = 0; cycle < 32; ++cycle) {
        z -= ((y << 4) + k2) ^ (y + sum) ^ ((y >> 5) + k3);
        y -= ((z << 4) + k0) ^ (z + sum) ^ ((z >> 5) + k1);
        sum -= kDelta;
    }
    StoreWord(block, y);
    StoreWord(block + 4, z);
}

void TeaEncipherBlock(unsigned char block[8], const unsigned char key[16])
{
    std::uint32_t y = LoadWord(block), z = LoadWord(block + 4);
    const std::uint32_t k0 = LoadWord(key), k1 = LoadWord(key + 4);
    const std::uint32_t k2 = LoadWord(key + 8), k3 = LoadWord(key + 12);
    std::uint32_t sum = 0;
    for (int cycle = 0; cycle < 32; ++cycle) {
        sum += kDelta;
        y += ((z << 4) + k0) ^ (z + sum) ^ ((z >> 5) + k1);
        z += ((y << 4) + k2) ^ (y + sum) ^ ((y >> 5) + k3);
    }
    StoreWord(block, y);
    StoreWord(block + 4, z);
}

std::wstring ExpectedSecurityName(const std::wstring& nameNumber, const std::wstring& usbIdSuffix)
{
    std::wstring tail = usbIdSuffix.size() > 4 ? usbIdSuffix.substr(usbIdSuffix.size() - 4)
                                               : usbIdSuffix;
    std::wstring name = nameNumber + tail;
    if (name.size() > 15)
        name.resize(15);
    return UpperCaseAscii(name);
}

SecurityCheck CheckSecurityId(const std::wstring& securityId, const std::wstring& nameNumber,
                              const std::wstring& usbIdSuffix)
{
    SecurityCheck check;
    check.expectedName = ExpectedSecurityName(nameNumber, usbIdSuffix);

    unsigned char block[16];
    check.wellFormed = DecodeHexBlock(securityId, block, sizeof block);
    unsigned char key[16];
    AssembleCatalogueKey(key);
    TeaDecipherBlock(block, key);
    TeaDecipherBlock(block + 8, key);
    std::memset(key, 0, sizeof key);

    std::size_t length = 0;
    while (length < sizeof block && block[length] != 0)
        ++length;
    check.terminated = length < sizeof block;
    if (check.terminated) {
        check.decodedName = UpperCaseAscii(std::wstring(block, block + length));
        check.accepted = check.decodedName == check.expectedName;
    }
    return check;
}

bool MakeSecurityId(const std::wstring& expectedName, std::wstring& securityId)
{
    securityId.clear();
    if (expectedName.size() > 15)
        return false;
    unsigned char block[16] = {0};
    for (std::size_t i = 0; i < expectedName.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(expectedName[i]);
        if (c == 0 || c > 0xFF)
            return false;
        block[i] = static_cast<unsigned char>(c);
    }
    unsigned char key[16];
    AssembleCatalogueKey(key);
    TeaEncipherBlock(block, key);
    TeaEncipherBlock(block + 8, key);
    std::memset(key, 0, sizeof key);

    static const wchar_t kHex[] = L"0123456789ABCDEF";
    for (unsigned char b : block) {
        securityId.push_back(kHex[b >> 4]);
        securityId.push_back(kHex[b & 0x0F]);
    }
    return true;
}
