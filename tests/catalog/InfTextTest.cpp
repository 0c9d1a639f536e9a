// Decoding INF bytes to text: byte order marks, the ANSI fallback, and
// malformed data at the ends.
#include "catalog/InfText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

std::wstring Decode(const Bytes& b, const AnsiConverter& ansi = DecodeLatin1)
{
    return DecodeInfText(b.data(), b.size(), ansi);
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
    // U+1F600 and U+10FFFF; F4 90 is beyond Unicode and U+FFFD stands for it.
    EXPECT_EQ(Units({'a', 0xD83D, 0xDE00, 'b'}), Decode(WithUtf8Mark("a\xF0\x9F\x98\x80" "b")));
    EXPECT_EQ(Units({0xDBFF, 0xDFFF}), Decode(WithUtf8Mark("\xF4\x8F\xBF\xBF")));
    EXPECT_EQ(Units({0xFFFD, 'x'}), Decode(WithUtf8Mark("\xF4\x90\x80\x80x")));
    // Two- and three-byte forms, and a stray continuation byte.
    EXPECT_EQ(Units({0xE9, 0x20AC, 0xFFFD, 'z'}), Decode(WithUtf8Mark("\xC3\xA9\xE2\x82\xAC\x80z")));
}

TEST(InfText, CutOffSequencesAndOddBytesAreDropped)
{
    EXPECT_EQ(L"AB", Decode(WithUtf8Mark("AB\xE2\x82")));
    EXPECT_EQ(L"A", Decode(WithUtf8Mark("A\xC3")));
    EXPECT_EQ(L"A", Decode(WithUtf8Mark("A\xF0\x9F\x98")));
    EXPECT_EQ(L"A", Decode(Bytes{0xFF, 0xFE, 'A', 0, 'B'}));
    EXPECT_EQ(L"A", Decode(Bytes{0xFE, 0xFF, 0, 'A', 0}));
    EXPECT_EQ(L"", Decode(Bytes{0xFE, 0xFF, 0}));
}

TEST(InfText, Utf8EncodingRoundTripsSurrogatesAndReplacesLoneOnes)
{
    std::wstring text = Units({'x', 0xE9, 0x4E2D, 0xD83D, 0xDE00});
    std::string utf8 = EncodeUtf8(text);
    EXPECT_EQ("x\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", utf8);
    EXPECT_EQ(text, DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size()));
    EXPECT_EQ("\xEF\xBF\xBD" "a", EncodeUtf8(Units({0xDC00, 'a'})));
}
