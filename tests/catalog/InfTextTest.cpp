// Decoding INF bytes to text: byte order marks, the ANSI fallback, strict
// UTF-8 that refuses every ill-formed sequence, and odd data at the ends.
#include "catalog/InfText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// The text of a file the decoder reads; a refused file fails the test.
std::wstring Decode(const Bytes& b, const AnsiConverter& ansi = DecodeLatin1)
{
    std::wstring text = L"stale";
    EXPECT_TRUE(DecodeInfText(b.data(), b.size(), ansi, text)) << "refused";
    return text;
}

std::wstring Units(std::initializer_list<unsigned> units)
{
    std::wstring s;
    for (unsigned u : units)
        s.push_back(static_cast<wchar_t>(u));
    return s;
}

// "[Version]\r\nCaf\u00e9=1\n" in each encoding.
const std::wstring kText = L"[Version]\r\nCaf" + Units({0xE9}) + L"=1\n";

Bytes Utf16(const std::wstring& text, bool bigEndian, bool mark)
{
    Bytes b;
    if (mark) {
        b.push_back(bigEndian ? 0xFE : 0xFF);
        b.push_back(bigEndian ? 0xFF : 0xFE);
    }
    for (wchar_t c : text) {
        unsigned u = static_cast<unsigned>(c);
        b.push_back(static_cast<unsigned char>(bigEndian ? u >> 8 : u & 0xFF));
        b.push_back(static_cast<unsigned char>(bigEndian ? u & 0xFF : u >> 8));
    }
    return b;
}

Bytes WithUtf8Mark(const std::string& utf8)
{
    Bytes b = {0xEF, 0xBB, 0xBF};
    b.insert(b.end(), utf8.begin(), utf8.end());
    return b;
}

}  // namespace

TEST(InfText, SameContentInFourEncodingsGivesSameText)
{
    Bytes ansi;
    for (wchar_t c : kText)
        ansi.push_back(static_cast<unsigned char>(c));
    EXPECT_EQ(kText, Decode(Utf16(kText, false, true)));
    EXPECT_EQ(kText, Decode(Utf16(kText, true, true)));
    EXPECT_EQ(kText, Decode(WithUtf8Mark(EncodeUtf8(kText))));
    EXPECT_EQ(kText, Decode(ansi));
}

TEST(InfText, DetectsMarksAndReportsTheirLength)
{
    std::size_t mark = 99;
    Bytes le = {0xFF, 0xFE, 'A', 0}, be = {0xFE, 0xFF, 0, 'A'}, u8 = {0xEF, 0xBB, 0xBF, 'A'};
    EXPECT_EQ(InfEncoding::Utf16LE, DetectInfEncoding(le.data(), le.size(), mark));
    EXPECT_EQ(2u, mark);
    EXPECT_EQ(InfEncoding::Utf16BE, DetectInfEncoding(be.data(), be.size(), mark));
    EXPECT_EQ(InfEncoding::Utf8, DetectInfEncoding(u8.data(), u8.size(), mark));
    EXPECT_EQ(3u, mark);
    // A lone FF, or a UTF-8 mark cut short, is no mark at all.
    Bytes ff = {0xFF}, shortMark = {0xEF, 0xBB};
    EXPECT_EQ(InfEncoding::Ansi, DetectInfEncoding(ff.data(), ff.size(), mark));
    EXPECT_EQ(0u, mark);
    EXPECT_EQ(InfEncoding::Ansi, DetectInfEncoding(shortMark.data(), shortMark.size(), mark));
    EXPECT_EQ(InfEncoding::Ansi, DetectInfEncoding(nullptr, 0, mark));
}

TEST(InfText, AnsiConverterSeesOnlyUnmarkedFilesWithoutTheirMark)
{
    int calls = 0;
    AnsiConverter spy = [&calls](const unsigned char* data, std::size_t size) {
        ++calls;
        return L"<" + DecodeLatin1(data, size) + L">";
    };
    EXPECT_EQ(L"<ab>", Decode(Bytes{'a', 'b'}, spy));
    EXPECT_EQ(L"ab", Decode(WithUtf8Mark("ab"), spy));
    EXPECT_EQ(L"", Decode(Bytes{0xFF, 0xFE}, spy));  // the mark alone
    EXPECT_EQ(1, calls);
    EXPECT_EQ(Units({0x20AC, 0x41, 0x81, 0xFF}), Decode(Bytes{0x80, 'A', 0x81, 0xFF}, DecodeWindows1252));
}

TEST(InfText, FourByteUtf8GivesSurrogatePair)
{
    // U+1F600 and U+10FFFF, and two- and three-byte forms.
    EXPECT_EQ(Units({'a', 0xD83D, 0xDE00, 'b'}), Decode(WithUtf8Mark("a\xF0\x9F\x98\x80" "b")));
    EXPECT_EQ(Units({0xDBFF, 0xDFFF}), Decode(WithUtf8Mark("\xF4\x8F\xBF\xBF")));
    EXPECT_EQ(Units({0xE9, 0x20AC, 'z'}), Decode(WithUtf8Mark("\xC3\xA9\xE2\x82\xAC" "z")));
}

TEST(InfText, Utf8AtTheEdgesOfEachRangeIsRead)
{
    const struct {
        const char* bytes;
        std::wstring text;
    } cases[] = {
        {"\xC2\x80", Units({0x80})},          // the first two-byte value
        {"\xE0\xA0\x80", Units({0x800})},    // the first three-byte value
        {"\xED\x9F\xBF", Units({0xD7FF})},   // just below the surrogates
        {"\xEE\x80\x80", Units({0xE000})},   // just above them
        {"\xF0\x90\x80\x80", Units({0xD800, 0xDC00})},  // U+10000
        {"\xF4\x8F\xBF\xBF", Units({0xDBFF, 0xDFFF})},  // U+10FFFF
    };
    for (const auto& c : cases) {
        const std::string bytes = std::string("<") + c.bytes + ">";
        EXPECT_EQ(L"<" + c.text + L">", Decode(WithUtf8Mark(bytes))) << EncodeUtf8(c.text);
        // What decodes strictly encodes back to the same bytes.
        EXPECT_EQ(bytes, EncodeUtf8(L"<" + c.text + L">"));
    }
}

TEST(InfText, IllFormedUtf8RefusesTheWholeFile)
{
    // Each between "AB" and "Z"; `at` is where the offending sequence starts.
    const struct {
        const char* what;
        std::string bytes;
        std::size_t at;
    } cases[] = {
        {"overlong quote", "\xC0\xA2", 2},
        {"overlong three-byte quote", "\xE0\x80\xA2", 2},
        {"overlong four-byte quote", "\xF0\x80\x80\xA2", 2},
        {"overlong U+FFFF", "\xF0\x8F\xBF\xBF", 2},
        {"lead that swallows a quote", "\xE0\x22\x41", 2},
        {"two-byte lead before ASCII", "\xC3\x41", 2},
        {"third continuation missing", "\xF0\x9F\x98\x41", 2},
        {"high surrogate", "\xED\xA0\x80", 2},
        {"surrogate pair, each encoded", "\xED\xA0\xBD\xED\xB8\x80", 2},
        {"above U+10FFFF", "\xF4\x90\x80\x80", 2},
        {"lead F5", "\xF5\x80\x80\x80", 2},
        {"five-byte form", "\xF8\x88\x80\x80\x80", 2},
        {"FF", "\xFF", 2},
        {"stray continuation", "\x80", 2},
        {"continuation after a whole sequence", "\xC3\xA9\xBF", 4},
        {"valid text, then an overlong form", "\xE2\x82\xAC\xC0\xAF", 5},
    };
    for (const auto& c : cases) {
        const std::string bytes = "AB" + c.bytes + "Z";
        std::wstring text = L"stale";
        std::size_t at = 99;
        EXPECT_FALSE(DecodeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), text, &at))
            << c.what;
        EXPECT_EQ(c.at, at) << c.what;
        EXPECT_EQ(L"", text) << c.what;
        const Bytes file = WithUtf8Mark(bytes);
        text = L"stale";
        EXPECT_FALSE(DecodeInfText(file.data(), file.size(), DecodeLatin1, text)) << c.what;
        EXPECT_EQ(L"", text) << c.what;
    }
    // Cut off by the end of the file.
    for (const char* end : {"\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xF0"}) {
        const Bytes file = WithUtf8Mark(std::string("AB") + end);
        std::wstring text;
        EXPECT_FALSE(DecodeInfText(file.data(), file.size(), DecodeLatin1, text)) << "cut off after " << file.size() - 4;
    }
    // Without the UTF-8 mark the same bytes are 8-bit text, read as before.
    EXPECT_EQ(Units({'A', 0xC0, 0xA2}), Decode(Bytes{'A', 0xC0, 0xA2}));
}

TEST(InfText, OddUtf16BytesAreDropped)
{
    EXPECT_EQ(L"A", Decode(Bytes{0xFF, 0xFE, 'A', 0, 'B'}));
    EXPECT_EQ(L"A", Decode(Bytes{0xFE, 0xFF, 0, 'A', 0}));
    EXPECT_EQ(L"", Decode(Bytes{0xFE, 0xFF, 0}));
}

TEST(InfText, Utf8EncodingRoundTripsSurrogatesAndReplacesLoneOnes)
{
    std::wstring text = Units({'x', 0xE9, 0x4E2D, 0xD83D, 0xDE00});
    std::string utf8 = EncodeUtf8(text);
    EXPECT_EQ("x\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", utf8);
    std::wstring decoded;
    EXPECT_TRUE(DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), decoded));
    EXPECT_EQ(text, decoded);
    EXPECT_EQ("\xEF\xBF\xBD" "a", EncodeUtf8(Units({0xDC00, 'a'})));
}
