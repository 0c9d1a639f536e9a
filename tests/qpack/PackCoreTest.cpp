// qpack sign on file bytes: every encoding, replace and add, and nothing but
// the value may change.
#include "tools/qpack/PackCore.h"

#include "catalog/CatalogueCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes ReadSample(const std::string& name)
{
    std::ifstream in(std::string(QV_SAMPLE_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsUtf16(const Bytes& b) { return b.size() >= 2 && (b[0] == 0xFF || b[0] == 0xFE) && (b[1] == 0xFF || b[1] == 0xFE); }

// ASCII in the file's own encoding.
Bytes Encode(const Bytes& file, const std::string& ascii)
{
    Bytes out;
    for (char c : ascii) {
        if (IsUtf16(file) && file[0] == 0xFE)
            out.push_back(0);
        out.push_back(static_cast<unsigned char>(c));
        if (IsUtf16(file) && file[0] == 0xFF)
            out.push_back(0);
    }
    return out;
}

std::size_t Find(const Bytes& file, const Bytes& what, std::size_t from = 0)
{
    auto it = std::search(file.begin() + from, file.end(), what.begin(), what.end());
    return it == file.end() ? std::string::npos : static_cast<std::size_t>(it - file.begin());
}

// Replaces the SecurityID value (up to the CR) with `value`; with `dropLine`
// the whole line goes.
Bytes WithSecurityValue(const Bytes& file, const std::string& value, bool dropLine = false)
{
    std::size_t at = Find(file, Encode(file, "SecurityID="));
    std::size_t cr = Find(file, Encode(file, "\r"), at);
    EXPECT_NE(std::string::npos, at);
    EXPECT_NE(std::string::npos, cr);
    Bytes out(file.begin(), file.begin() + at);
    if (!dropLine) {
        Bytes line = Encode(file, "SecurityID=" + value);
        out.insert(out.end(), line.begin(), line.end());
        out.insert(out.end(), file.begin() + cr, file.end());
    } else {
        out.insert(out.end(), file.begin() + cr + Encode(file, "\r\n").size(), file.end());
    }
    return out;
}

Bytes ToBigEndian(Bytes file)
{
    for (std::size_t i = 0; i + 1 < file.size(); i += 2)
        std::swap(file[i], file[i + 1]);
    return file;
}

Bytes WithoutCarriageReturns(const Bytes& file)
{
    Bytes out;
    for (unsigned char c : file)
        if (c != '\r')
            out.push_back(c);
    return out;
}

struct Sample {
    const char* file;
    const wchar_t* name;
};
const Sample kSamples[] = {{"QX1000.INF", L"QX1000.INF"}, {"QX2000.INF", L"QX2000.INF"}, {"VKT300.INF", L"VKT300.INF"}};

}  // namespace

TEST(QpackSign, ReplacingAValueRestoresTheSignedFileByteForByte)
{
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.file);
        Bytes signedFile = ReadSample(s.file);
        ASSERT_FALSE(signedFile.empty());
        ASSERT_TRUE(AssessInf(s.name, DecodeForTool(signedFile)).accepted) << "sample not signed";

        for (const std::string& stale : {std::string(), std::string("00 11 22 ; old"), std::string(32, 'f')}) {
            Bytes bytes = WithSecurityValue(signedFile, stale);
            ASSERT_NE(signedFile, bytes);
            SignResult r = SignInfBytes(s.name, bytes);
            EXPECT_EQ(SignOutcome::Replaced, r.outcome) << r.error;
            EXPECT_EQ(signedFile, bytes);
        }
        Bytes again = signedFile;
        EXPECT_EQ(SignOutcome::Unchanged, SignInfBytes(s.name, again).outcome);
        EXPECT_EQ(signedFile, again);
    }
}

TEST(QpackSign, MissingLineIsAddedAtTheEndOfVersion)
{
    // In the samples the SecurityID line is the last line of [Version].
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.file);
        Bytes signedFile = ReadSample(s.file);
        Bytes bytes = WithSecurityValue(signedFile, "", true);
        SignResult r = SignInfBytes(s.name, bytes);
        EXPECT_EQ(SignOutcome::Added, r.outcome) << r.error;
        EXPECT_EQ(signedFile, bytes);
    }
}

TEST(QpackSign, KeepsBigEndianAndBareLineFeeds)
{
    Bytes be = ToBigEndian(ReadSample("QX1000.INF"));
    Bytes bytes = WithSecurityValue(be, "12");
    EXPECT_EQ(SignOutcome::Replaced, SignInfBytes(L"QX1000.INF", bytes).outcome);
    EXPECT_EQ(be, bytes);

    Bytes lf = WithoutCarriageReturns(ReadSample("VKT300.INF"));
    std::string text(lf.begin(), lf.end());
    std::size_t at = text.find("SecurityID=");
    text.erase(at, text.find('\n', at) + 1 - at);
    bytes.assign(text.begin(), text.end());
    SignResult r = SignInfBytes(L"vkt300.inf", bytes);  // the name's case does not matter
    EXPECT_EQ(SignOutcome::Added, r.outcome) << r.error;
    EXPECT_EQ(lf, bytes);
}

TEST(QpackSign, AddsALineBreakWhenVersionEndsTheFileUnbroken)
{
    std::string text = "; x\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[Strings]\r\n\r\n";
    text = "[Models]\r\nx = y, USBPRINT\\MakerAB125E6F\r\n" + text + "[version]\r\nClass=Printer";
    Bytes bytes(text.begin(), text.end());
    SignResult r = SignInfBytes(L"AB12.INF", bytes);
    ASSERT_EQ(SignOutcome::Added, r.outcome) << r.error;
    // The first [Version] section gets it, after its last non-blank line.
    std::string expected = text;
    expected.insert(expected.find("\r\n\r\n[Strings]") + 2, "SecurityID=" + std::string(r.securityId.begin(), r.securityId.end()) + "\r\n");
    EXPECT_EQ(expected, std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(L"125E6F", r.expectedName);

    std::string unbroken = "[Version]\nClass=Printer";
    bytes.assign(unbroken.begin(), unbroken.end());
    r = SignInfBytes(L"ABC.INF", bytes);
    ASSERT_EQ(SignOutcome::Added, r.outcome) << r.error;
    EXPECT_EQ(unbroken + "\nSecurityID=" + std::string(r.securityId.begin(), r.securityId.end()),
              std::string(bytes.begin(), bytes.end()));
}

TEST(QpackSign, RefusesWhatItCannotSignAndLeavesTheBytes)
{
    std::string noVersion = "[Models]\r\nx = y, USBPRINT\\MakerAB125E6F\r\n";
    Bytes bytes(noVersion.begin(), noVersion.end());
    Bytes before = bytes;
    SignResult r = SignInfBytes(L"AB12.INF", bytes);
    EXPECT_EQ(SignOutcome::Failed, r.outcome);
    EXPECT_NE(std::string::npos, r.error.find("[Version]"));
    EXPECT_EQ(before, bytes);

    // A SecurityID= ahead of the hardware id on the same line would swallow it.
    std::string sameLine = "[Version]\r\nSecurityID=x USBPRINT\\MakerAB125E6F\r\n";
    bytes.assign(sameLine.begin(), sameLine.end());
    before = bytes;
    EXPECT_EQ(SignOutcome::Failed, SignInfBytes(L"AB12.INF", bytes).outcome);
    EXPECT_EQ(before, bytes);

    EXPECT_EQ(SignOutcome::Failed, SignInfBytes(L".INF", bytes).outcome);

    // UTF-8 the installer refuses to read: an overlong quote in the maker.
    std::string illFormed = "\xEF\xBB\xBF[Version]\r\n[Models]\r\nx = y, USBPRINT\\Maker\xC0\xA2" "AB125E6F\r\n";
    bytes.assign(illFormed.begin(), illFormed.end());
    before = bytes;
    r = SignInfBytes(L"AB12.INF", bytes);
    EXPECT_EQ(SignOutcome::Failed, r.outcome);
    EXPECT_NE(std::string::npos, r.error.find("ill-formed at byte 45")) << r.error;
    EXPECT_EQ(before, bytes);
}

// qpack connections: the value replaced or the section added in the file's
// own encoding and line endings, read back as the installer reads it, and
// the SecurityID still accepted.
TEST(QpackConnections, WritesTheDeclarationInEveryEncoding)
{
    for (const char* name : {"QX1000.INF", "QX2000.INF", "VKT300.INF"}) {
        SCOPED_TRACE(name);
        const Bytes original = ReadSample(name);
        ASSERT_FALSE(original.empty());
        const std::wstring upper(name, name + std::strlen(name));
        for (int round = 0; round < 4; ++round) {
            const bool network = (round & 1) != 0, serial = (round & 2) != 0;
            Bytes bytes = original;
            std::string error;
            ASSERT_TRUE(SetConnectionsInfBytes(bytes, network, serial, error)) << error;
            const InfAssessment a = AssessInf(upper, DecodeForTool(bytes));
            EXPECT_TRUE(a.accepted);
            EXPECT_EQ(network, a.model.networkConnection);
            EXPECT_EQ(serial, a.model.serialConnection);
            EXPECT_EQ(IsUtf16(original), IsUtf16(bytes));
            EXPECT_EQ(original[0], bytes[0]);
            // Everything before the declaration's value stays as it was.
            const std::size_t at = Find(bytes, Encode(bytes, "QuorvexConnections="));
            ASSERT_NE(std::string::npos, at);
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + static_cast<long>(std::min(at, original.size())),
                                   original.begin()));
            // Written again with the same words: the same bytes.
            Bytes again = bytes;
            ASSERT_TRUE(SetConnectionsInfBytes(again, network, serial, error));
            EXPECT_TRUE(again == bytes);
        }
    }
    // A file without a declaration and with bare line feeds gets the section
    // with bare line feeds, after a break of its own where the text ends unbroken.
    Bytes plain;
    const std::string text = "[Version]\nSignature=\"$Windows NT$\"";
    plain.assign(text.begin(), text.end());
    std::string error;
    ASSERT_TRUE(SetConnectionsInfBytes(plain, true, true, error)) << error;
    const std::string written(plain.begin(), plain.end());
    EXPECT_EQ(std::string::npos, written.find('\r'));
    EXPECT_NE(std::string::npos, written.find("$\"\n\n;"));
    EXPECT_NE(std::string::npos, written.find("\n[QuorvexInstaller]\nQuorvexConnections=Network,Serial\n"));
    // A UTF-8 file that the installer would not read is left alone.
    Bytes broken = {0xEF, 0xBB, 0xBF, 'a', 0xC0, 0x80};
    const Bytes before = broken;
    EXPECT_FALSE(SetConnectionsInfBytes(broken, true, false, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(broken == before);
}

TEST(QpackPackage, StagedFilesFollowTheModelNames)
{
    PrinterModel m;
    m.infBaseName = L"AB1234";
    m.namePrefix = L"AB";
    m.nameNumber = L"1234";
    std::vector<StagedFile> files = PackageFilesFor(m);
    ASSERT_EQ(17u, files.size());
    EXPECT_EQ(L"i386", files[0].folder);
    EXPECT_EQ(L"QUNI1234.DLL", files[0].name);
    EXPECT_EQ(L"ia64", files[8].folder);
    EXPECT_EQ(L"QRES1234.DLL", files[8].name);
    EXPECT_EQ(L"AB1234.INI", files[9].name);
    EXPECT_EQ(L"AB1234U.gpd", files[11].name);
    EXPECT_EQ(L"gpd", files[13].folder);
    EXPECT_EQ(L"AB1234.cat", files[16].name);
}
