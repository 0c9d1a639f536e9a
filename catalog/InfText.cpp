// INF text decoding; see InfText.h for the rules.
#include "catalog/InfText.h"

namespace {

// The well-formed UTF-8 sequences (table 3-7 of the Unicode standard): the
// lead byte gives the number of continuation bytes and the range of the
// first one; every later one is 80..BF. The narrowed first ranges are what
// excludes overlong forms (E0, F0), surrogates (ED) and code points above
// U+10FFFF (F4). Returns false for a byte that cannot lead a sequence.
bool Utf8Lead(unsigned char lead, std::size_t& continuations, unsigned char& low, unsigned char& high,
              unsigned long& bits)
{
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
        bits = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        bits = lead & 0x0Fu;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        bits = lead & 0x07u;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return false;  // a continuation byte, C0, C1 or F5..FF
    }
    return true;
}

}  // namespace

InfEncoding DetectInfEncoding(const unsigned char* data, std::size_t size,
                              std::size_t& markLength)
{
    markLength = 0;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        markLength = 2;
        return InfEncoding::Utf16LE;
    }
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        markLength = 2;
        return InfEncoding::Utf16BE;
    }
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        markLength = 3;
        return InfEncoding::Utf8;
    }
    return InfEncoding::Ansi;
}

bool DecodeInfText(const unsigned char* data, std::size_t size, const AnsiConverter& ansi,
                   std::wstring& text)
{
    text.clear();
    std::size_t mark = 0;
    InfEncoding encoding = DetectInfEncoding(data, size, mark);
    const unsigned char* body = data + mark;
    std::size_t length = size - mark;
    switch (encoding) {
    case InfEncoding::Utf16LE: text = DecodeUtf16(body, length, false); return true;
    case InfEncoding::Utf16BE: text = DecodeUtf16(body, length, true); return true;
    case InfEncoding::Utf8:    return DecodeUtf8(body, length, text);
    case InfEncoding::Ansi:    break;
    }
    if (length != 0)
        text = ansi ? ansi(body, length) : DecodeLatin1(body, length);
    return true;
}

bool DecodeUtf8(const unsigned char* data, std::size_t size, std::wstring& text, std::size_t* errorOffset)
{
    text.clear();
    text.reserve(size);
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            text.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        std::size_t continuations = 0;
        unsigned char low = 0, high = 0;
        unsigned long cp = 0;
        bool wellFormed = Utf8Lead(lead, continuations, low, high, cp) && size - i - 1 >= continuations;
        for (std::size_t k = 1; wellFormed && k <= continuations; ++k) {
            const unsigned char c = data[i + k];
            wellFormed = k == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (!wellFormed) {
            if (errorOffset != nullptr)
                *errorOffset = i;
            text.clear();
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(cp));
        }
        i += continuations + 1;
    }
    return true;
}

std::wstring DecodeUtf16(const unsigned char* data, std::size_t size, bool bigEndian)
{
    std::wstring text;
    std::size_t units = size / 2;
    text.resize(units);
    for (std::size_t u = 0; u < units; ++u) {
        unsigned int first = data[2 * u], second = data[2 * u + 1];
        text[u] = static_cast<wchar_t>(bigEndian ? (first << 8) | second
                                                 : (second << 8) | first);
    }
    return text;
}

std::wstring DecodeLatin1(const unsigned char* data, std::size_t size)
{
    return std::wstring(data, data + size);
}

std::wstring DecodeWindows1252(const unsigned char* data, std::size_t size)
{
    // 0x80..0x9F; the five unassigned bytes keep their Latin-1 value.
    static const unsigned short kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::wstring text;
    text.resize(size);
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char b = data[i];
        text[i] = static_cast<wchar_t>((b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b);
    }
    return text;
}

std::string EncodeUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned long cp = static_cast<unsigned long>(text[i]) & 0xFFFFu;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}
