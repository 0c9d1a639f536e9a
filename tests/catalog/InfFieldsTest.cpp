// Field extraction from INF text, hex decoding, TEA and the SecurityID check.
#include "catalog/InfFields.h"

#include "catalog/CatalogueKey.h"
#include "catalog/InfText.h"
#include "tests/catalog/InfSamples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

TEST(ParseInfIds, ExampleModelLineGivesMakerAndSuffix)
{
    InfIds ids = ParseInfIds(L"[Acme]\r\n\"ACME MX20\" = MX20, LPTENUM\\ACMEMX20C3D4\r\n", L"MX20");
    EXPECT_EQ(L"ACME", ids.manufacturer);
    EXPECT_EQ(L"C3D4", ids.lptIdSuffix);
    EXPECT_EQ(L"FFFF", ids.usbIdSuffix);
    EXPECT_EQ(L"", ids.securityId);
}

TEST(ParseInfIds, ParallelMakerWinsAndUsbMakerFillsIn)
{
    std::wstring both = SampleInf(L"USBPRINT\\UsbMakerQX10007A2B", L"LPTENUM\\LptMakerQX1000C3D4", L"00");
    InfIds ids = ParseInfIds(both, L"QX1000");
    EXPECT_EQ(L"LptMaker", ids.manufacturer);
    EXPECT_EQ(L"C3D4", ids.lptIdSuffix);
    EXPECT_EQ(L"7A2B", ids.usbIdSuffix);

    // The line is trimmed before the key is cut off: a blank after the key stays.
    ids = ParseInfIds(SampleInf(L"USBPRINT\\UsbMakerQX2000 5E6F ", L"", L"00"), L"QX2000");
    EXPECT_EQ(L"UsbMaker", ids.manufacturer);
    EXPECT_EQ(L" 5E6F", ids.usbIdSuffix);
    EXPECT_EQ(L"FFFF", ids.lptIdSuffix);

    // An empty parallel maker is replaced by the USB one.
    ids = ParseInfIds(L"LPTENUM\\QX1C3D4\nUSBPRINT\\MakerQX17A2B\n", L"QX1");
    EXPECT_EQ(L"Maker", ids.manufacturer);
    EXPECT_EQ(L"C3D4", ids.lptIdSuffix);
}

TEST(ParseInfIds, KeyOnlyBeforeMarkerCountsAsMissing)
{
    InfIds ids = ParseInfIds(L"; QX1000 driver\r\nLPTENUM\\QuorvexOther1234\r\n", L"QX1000");
    EXPECT_EQ(L"FFFF", ids.lptIdSuffix);
    EXPECT_EQ(L"", ids.manufacturer);
}

TEST(ParseInfIds, SearchesAreCaseSensitive)
{
    InfIds ids = ParseInfIds(SampleInf(L"USBPRINT\\Quorvexqx10007A2B", L"LPTENUM\\Quorvexqx1000C3D4", L"00"),
                             L"QX1000");
    EXPECT_EQ(L"FFFF", ids.lptIdSuffix);
    EXPECT_EQ(L"FFFF", ids.usbIdSuffix);
    EXPECT_EQ(L"", ids.manufacturer);
    EXPECT_EQ(L"FFFF", ParseInfIds(L"lptenum\\MakerQX1C3D4\n", L"QX1").lptIdSuffix);
}

TEST(ParseInfIds, LastLineWithoutLineFeedStillCounts)
{
    InfIds ids = ParseInfIds(L"x\r\nUSBPRINT\\MakerQX17A2B", L"QX1");
    EXPECT_EQ(L"7A2B", ids.usbIdSuffix);
    EXPECT_EQ(L"Maker", ids.manufacturer);
    EXPECT_EQ(L"  AB CD", ParseInfIds(L"SecurityID=  AB CD\t", L"X").securityId);
}

TEST(ParseInfIds, SecurityIdIsTheFirstOneCleaned)
{
    InfIds ids = ParseInfIds(L"a\r\nSecurityID= 0011 \r\nSecurityID=FFFF\r\n", L"X");
    EXPECT_EQ(L" 0011", ids.securityId);
    EXPECT_EQ(L"", ParseInfIds(L"securityid=0011\r\n", L"X").securityId);
}

TEST(ParseInfIds, DegenerateKeysAndTextsStayInBounds)
{
    // A key that overlaps the marker, an empty key, an empty text.
    InfIds ids = ParseInfIds(L"LPTENUM\\", L"LPT");
    EXPECT_EQ(L"", ids.manufacturer);
    EXPECT_EQ(L"ENUM\\", ids.lptIdSuffix);
    ids = ParseInfIds(L"USBPRINT\\abc\n", L"");
    EXPECT_EQ(L"USBPRINT\\abc", ids.usbIdSuffix);
    ids = ParseInfIds(L"", L"QX1");
    EXPECT_EQ(L"FFFF", ids.lptIdSuffix);
    EXPECT_EQ(L"FFFF", ids.usbIdSuffix);
}

TEST(ParseInfIds, DeclaredConnectionsAreWordsOfTheFirstLine)
{
    const struct {
        const wchar_t* text;
        bool network, serial;
        const wchar_t* unknown;  // the unknown words, joined by '|'
    } cases[] = {
        {L"[Version]\r\n", false, false, L""},
        {L"[QuorvexInstaller]\r\nQuorvexConnections=Network\r\n", true, false, L""},
        {L"QuorvexConnections= serial , NETWORK ; comment, Modem\r\nnext", true, true, L""},
        {L"QuorvexConnections=Serial", false, true, L""},  // the last line, without a line feed
        {L"QuorvexConnections=\r\n", false, false, L""},
        {L"QuorvexConnections=Network,Bluetooth,,Fax\n", true, false, L"Bluetooth|Fax"},
        // The first line counts; the key is case-sensitive like the others.
        {L"QuorvexConnections=Serial\r\nQuorvexConnections=Network\r\n", false, true, L""},
        {L"quorvexconnections=Network\r\n", false, false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + std::wcslen(c.text)).c_str());
        const InfIds ids = ParseInfIds(c.text, L"QX1000");
        EXPECT_EQ(c.network, ids.network);
        EXPECT_EQ(c.serial, ids.serial);
        std::wstring unknown;
        for (const std::wstring& word : ids.unknownConnections)
            unknown += (unknown.empty() ? L"" : L"|") + word;
        EXPECT_EQ(std::wstring(c.unknown), unknown);
    }
}

TEST(DecodeHexBlock, AcceptsLowerCaseAndSpaces)
{
    unsigned char a[16], b[16];
    ASSERT_TRUE(DecodeHexBlock(L"00112233445566778899AABBCCDDEEFF", a, 16));
    ASSERT_TRUE(DecodeHexBlock(L"00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff", b, 16));
    EXPECT_EQ(0, std::memcmp(a, b, 16));
    EXPECT_EQ(0x00, a[0]);
    EXPECT_EQ(0xAA, a[10]);
    EXPECT_EQ(0xFF, a[15]);
}

TEST(DecodeHexBlock, WrongLengthsAndDigitsLeaveZeroBlock)
{
    unsigned char block[16];
    const std::wstring thirtyTwo = L"0123456789ABCDEF0123456789ABCDEF";
    for (const std::wstring& bad : {thirtyTwo.substr(2), thirtyTwo + L"AB", thirtyTwo.substr(0, 31) + L"G",
                                    std::wstring(L"\t") + thirtyTwo, std::wstring()}) {
        std::memset(block, 0x5A, sizeof block);
        EXPECT_FALSE(DecodeHexBlock(bad, block, 16)) << EncodeUtf8(bad);
        for (unsigned char b : block)
            ASSERT_EQ(0, b);
    }
}

TEST(Tea, PublishedVectorBothWays)
{
    // Zero key, zero block: 41EA3A0A 94BAA940 (the TEA reference vector, also
    // in the Linux kernel's crypto self-tests as bytes 0a 3a ea 41 40 a9 ba 94).
    unsigned char key[16] = {0};
    unsigned char block[8] = {0};
    const unsigned char cipher[8] = {0x0A, 0x3A, 0xEA, 0x41, 0x40, 0xA9, 0xBA, 0x94};
    TeaEncipherBlock(block, key);
    EXPECT_EQ(0, std::memcmp(block, cipher, 8));
    TeaDecipherBlock(block, key);
    for (unsigned char b : block)
        EXPECT_EQ(0, b);
}

TEST(Tea, DecipherUndoesEncipherWithTheCatalogueKey)
{
    unsigned char key[16];
    AssembleCatalogueKey(key);
    unsigned char block[8] = {'Q', 'X', '1', '0', 0xFF, 0x80, 0x01, 0x7F};
    unsigned char original[8];
    std::memcpy(original, block, 8);
    TeaEncipherBlock(block, key);
    EXPECT_NE(0, std::memcmp(block, original, 8));
    TeaDecipherBlock(block, key);
    EXPECT_EQ(0, std::memcmp(block, original, 8));
}

TEST(SecurityCheck, AcceptsTheValueMadeForTheModelInAnySpelling)
{
    std::wstring id = SecurityIdFor(L"1000", L"7A2B");
    ASSERT_EQ(32u, id.size());
    EXPECT_TRUE(CheckSecurityId(id, L"1000", L"7A2B").accepted);
    std::wstring spaced;
    for (std::size_t i = 0; i < id.size(); i += 2)
        spaced += L" " + id.substr(i, 2);
    std::wstring lower = id;
    for (wchar_t& c : lower)
        if (c >= L'A' && c <= L'F')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    EXPECT_TRUE(CheckSecurityId(spaced, L"1000", L"7A2B").accepted);
    EXPECT_TRUE(CheckSecurityId(lower, L"1000", L"7a2b").accepted);  // suffix case does not matter
    // Another model, another suffix, a missing or malformed value: rejected.
    EXPECT_FALSE(CheckSecurityId(id, L"2000", L"7A2B").accepted);
    EXPECT_FALSE(CheckSecurityId(id, L"1000", L"FFFF").accepted);
    SecurityCheck none = CheckSecurityId(L"", L"1000", L"7A2B");
    EXPECT_FALSE(none.accepted);
    EXPECT_FALSE(none.wellFormed);
    EXPECT_FALSE(CheckSecurityId(id.substr(2), L"1000", L"7A2B").accepted);
    EXPECT_FALSE(CheckSecurityId(id + L"00", L"1000", L"7A2B").accepted);
}

TEST(SecurityCheck, ExpectedNameUsesLastFourOfUsbSuffixAndAtMostFifteen)
{
    EXPECT_EQ(L"1000FFFF", ExpectedSecurityName(L"1000", L"FFFF"));
    EXPECT_EQ(L"12XYAB", ExpectedSecurityName(L"12", L"vwxyAB"));
    EXPECT_EQ(L"12AB", ExpectedSecurityName(L"12", L"ab"));   // shorter: all of it
    EXPECT_EQ(L"WXYZ", ExpectedSecurityName(L"", L"QRSWXYZ"));
    const std::wstring number = L"12345678901234";             // 14 digits
    EXPECT_EQ(L"123456789012347", ExpectedSecurityName(number, L"7A2B"));

    // A value for the first fifteen characters passes; one for fourteen does not.
    std::wstring fifteen, fourteen;
    ASSERT_TRUE(MakeSecurityId(L"123456789012347", fifteen));
    ASSERT_TRUE(MakeSecurityId(L"12345678901234", fourteen));
    EXPECT_TRUE(CheckSecurityId(fifteen, number, L"7A2B").accepted);
    EXPECT_FALSE(CheckSecurityId(fourteen, number, L"7A2B").accepted);
    std::wstring tooLong;
    EXPECT_FALSE(MakeSecurityId(L"1234567890123456", tooLong));
    EXPECT_TRUE(tooLong.empty());
}

TEST(SecurityCheck, BlockWithoutZeroByteNeverMatches)
{
    // Encipher sixteen non-zero bytes whose first fifteen are the expected name.
    unsigned char block[16];
    std::memcpy(block, "123456789012347X", 16);
    unsigned char key[16];
    AssembleCatalogueKey(key);
    TeaEncipherBlock(block, key);
    TeaEncipherBlock(block + 8, key);
    std::wstring hex;
    for (unsigned char b : block) {
        static const wchar_t digits[] = L"0123456789ABCDEF";
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    SecurityCheck check = CheckSecurityId(hex, L"12345678901234", L"7A2B");
    EXPECT_TRUE(check.wellFormed);
    EXPECT_FALSE(check.terminated);
    EXPECT_FALSE(check.accepted);
}

TEST(SecurityCheck, NamesOutsideLatin1CannotBeSigned)
{
    std::wstring id;
    EXPECT_FALSE(MakeSecurityId(std::wstring(1, static_cast<wchar_t>(0x4E2D)), id));
    EXPECT_TRUE(MakeSecurityId(std::wstring(1, static_cast<wchar_t>(0xC9)), id));
    EXPECT_TRUE(CheckSecurityId(id, std::wstring(1, static_cast<wchar_t>(0xC9)), L"").accepted);
}
