// INF text decoding; see InfText.h for the rules.
#include "catalog/InfText.h"

namespace {

const wchar_t kReplacement = 0xFFFD;

void AppendCodePoint(std::wstring& text, unsigned long cp)
{
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        text.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        text.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        text.push_back(kReplacement);
    }
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

std::wstring DecodeInfText(const unsigned char* data, std::size_t size,
                           const AnsiConverter& ansi)
{
    std::size_t mark = 0;
    InfEncoding encoding = DetectInfEncoding(data, size, mark);
    const unsigned char* body = data + mark;
    std::size_t length = size - mark;
    switch (encoding) {
    case InfEncoding::Utf16LE: return DecodeUtf16(body, length, false);
    case InfEncoding::Utf16BE: return DecodeUtf16(body, length, true);
    case InfEncoding::Utf8:    return DecodeUtf8(body, length);
    case InfEncoding::Ansi:    break;
    }
    if (length == 0)
        return std::wstring();
    return ansi ? ansi(body, length) : DecodeLatin1(body, length);
}

std::wstring DecodeUtf8(const unsigned char* data, std::size_t size)
{
    std::wstring text;
    text.reserve(size);
    std::size_t i = 0;
    while (i < size) {
        unsigned char lead = data[i];
        if (lead < 0x80) {
            text.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        if (lead < 0xC0) {  // a continuation byte with no lead
            text.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t need = (lead < 0xE0) ? 1 : (lead >= 0xF0 && lead <= 0xF4) ? 3 : 2;
        if (size - i - 1 < need)
            break;  // cut off by the end of the data
        const unsigned char* c = data + i + 1;
        if (need == 1) {
            text.push_back(static_cast<wchar_t>(((lead & 0x1Fu) << 6) | (c[0] & 0x3Fu)));
        } else if (need == 2) {
            text.push_back(static_cast<wchar_t>(
                ((lead & 0x0Fu) << 12) | ((c[0] & 0x3Fu) << 6) | (c[1] & 0x3Fu)));
        } else {
            unsigned long cp = ((lead & 0x07ul) << 18) | ((c[0] & 0x3Ful) << 12) |
                               ((c[1] & 0x3Ful) << 6) | (c[2] & 0x3Ful);
            AppendCodePoint(text, cp);
        }
        i += need + 1;
    }
    return text;
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
