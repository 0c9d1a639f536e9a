// Catalogue entries from file names and texts: order, fields, skipping.
#include "catalog/CatalogueCore.h"

#include "catalog/InfText.h"
#include "tests/catalog/InfSamples.h"

#include <gtest/gtest.h>

#include <map>

TEST(SortInfNames, UpperCasesAndSortsDescending)
{
    std::vector<std::wstring> names = {L"a1.inf", L"B2.INF", L"ab.Inf", L"z9.inf", L"A1.INF"};
    SortInfNames(names);
    std::vector<std::wstring> expected = {L"Z9.INF", L"B2.INF", L"AB.INF", L"A1.INF", L"A1.INF"};
    EXPECT_EQ(expected, names);
}

TEST(SplitInfName, PrefixUpToFirstDigit)
{
    std::wstring base, prefix, number;
    SplitInfName(L"QX1000.INF", base, prefix, number);
    EXPECT_EQ(L"QX1000", base);
    EXPECT_EQ(L"QX", prefix);
    EXPECT_EQ(L"1000", number);
    SplitInfName(L"ABC.INF", base, prefix, number);
    EXPECT_EQ(L"ABC", prefix);
    EXPECT_EQ(L"", number);
    SplitInfName(L"7X2.INF", base, prefix, number);
    EXPECT_EQ(L"", prefix);
    EXPECT_EQ(L"7X2", number);
    SplitInfName(L"INF", base, prefix, number);  // shorter than an extension
    EXPECT_EQ(L"", base);
}

TEST(AssessInf, AcceptedFileFillsEveryField)
{
    std::wstring text = SampleInf(L"USBPRINT\\QuorvexQX10007A2B", L"LPTENUM\\QuorvexQX1000C3D4",
                                  SecurityIdFor(L"1000", L"7A2B"));
    InfAssessment a = AssessInf(L"QX1000.INF", text);
    ASSERT_TRUE(a.accepted);
    const PrinterModel& m = a.model;
    EXPECT_EQ(L"Quorvex", m.manufacturer);
    EXPECT_EQ(L"QX", m.namePrefix);
    EXPECT_EQ(L"1000", m.nameNumber);
    EXPECT_EQ(L"QX1000", m.infBaseName);
    EXPECT_EQ(L"Quorvex QX1000", m.displayName);
    EXPECT_EQ(m.displayName, m.deviceDescription);
    EXPECT_EQ(m.displayName, m.driverName);
    EXPECT_EQ(L"", m.connectionType);
    EXPECT_EQ(L"C3D4", m.lptIdSuffix);
    EXPECT_EQ(L"7A2B", m.usbIdSuffix);
}

TEST(AssessInf, NamesThatCannotBePrinterNamesOrCommandValuesAreLeftOut)
{
    // Authentic files (the SecurityID covers the number and the USB suffix,
    // not the maker's text) whose maker texts would end a quoted command
    // value, split the default-printer entry or break a printer name.
    const wchar_t* const refused[] = {L"Acme\" /q \"", L"Acme, Inc.", L"Acme\\Sub", L"Ac\tme"};
    ModelCatalogue listed;
    std::vector<std::wstring> names;
    for (const wchar_t* maker : refused) {
        const std::wstring usb = std::wstring(L"USBPRINT\\") + maker + L"QX10007A2B";
        InfAssessment a = AssessInf(L"QX1000.INF", SampleInf(usb, L"", SecurityIdFor(L"1000", L"7A2B")));
        EXPECT_TRUE(a.check.accepted) << "the file is authentic";
        EXPECT_FALSE(a.nameUsable);
        EXPECT_FALSE(a.accepted) << std::string(a.model.displayName.begin(), a.model.displayName.end());
    }
    // A plain file beside them is still listed.
    const std::vector<std::wstring> files = {L"QX1000.INF", L"QX1001.INF", L"QX1002.INF"};
    const ModelCatalogue catalogue = CollectModels(files, [](const std::wstring& name, std::wstring& text) {
        const std::wstring maker = name == L"QX1000.INF"   ? L"Acme\" /q \""
                                   : name == L"QX1001.INF" ? L"Quorvex"
                                                           : L"Acme, Inc.";
        const std::wstring number = name.substr(2, 4);
        text = SampleInf(L"USBPRINT\\" + maker + L"QX" + number + L"7A2B", L"LPTENUM\\" + maker + L"QX" + number + L"C3D4",
                         SecurityIdFor(number, L"7A2B"));
        return true;
    });
    ASSERT_EQ(1u, catalogue.size());
    EXPECT_EQ(L"Quorvex QX1001", catalogue[0].displayName);

    EXPECT_TRUE(IsUsablePrinterName(L"Quorvex QX1000 (Copy 2)"));
    EXPECT_FALSE(IsUsablePrinterName(L""));
    EXPECT_FALSE(IsUsablePrinterName(std::wstring(L"A\x7f")));
}

TEST(CollectModels, IllFormedUtf8FileIsNotListed)
{
    // Authentic UTF-8 files whose maker text is given as raw bytes. A
    // lenient decoder read E0 22 41 as one harmless character, so the name
    // passed the check while Windows' own reader sees a quote in it.
    auto file = [](const std::string& makerBytes, const std::wstring& number) {
        const std::string text = EncodeUtf8(SampleInf(L"USBPRINT\\@QX" + number + L"7A2B",
                                                      L"LPTENUM\\@QX" + number + L"C3D4",
                                                      SecurityIdFor(number, L"7A2B")));
        std::string bytes = "\xEF\xBB\xBF";
        for (char c : text) {
            if (c == '@')
                bytes += makerBytes;
            else
                bytes += c;
        }
        return bytes;
    };
    const std::map<std::wstring, std::string> files = {
        {L"QX1000.INF", file("Acme\xE0\x22\x41/q\xE0\x22\x41", L"1000")},
        {L"QX1001.INF", file("Quorvex", L"1001")},
        {L"QX1004.INF", file("Qu\xC3\xB6rvex", L"1004")},
    };
    const ModelCatalogue catalogue = CollectModels(
        {L"QX1000.INF", L"QX1001.INF", L"QX1004.INF"},
        [&files](const std::wstring& name, std::wstring& text) {
            const std::string& bytes = files.at(name);
            return DecodeInfText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                 DecodeLatin1, text);
        });
    ASSERT_EQ(2u, catalogue.size());
    EXPECT_EQ(L"Qu\x00F6rvex QX1004", catalogue[0].displayName);
    EXPECT_EQ(L"Quorvex QX1001", catalogue[1].displayName);
}

TEST(AssessInf, ModelWithoutIdsNeedsFfffInItsValue)
{
    // Neither id line: the suffixes are FFFF and the name ends in FFFF.
    InfAssessment a = AssessInf(L"ABC.INF", SampleInf(L"", L"", SecurityIdFor(L"", L"FFFF")));
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(L" ABC", a.model.displayName);
    EXPECT_FALSE(AssessInf(L"ABC.INF", SampleInf(L"", L"", SecurityIdFor(L"", L"1234"))).accepted);
}

TEST(CollectModels, OrderAndSkippedFiles)
{
    std::map<std::wstring, std::wstring> files = {
        {L"A1.INF", SampleInf(L"USBPRINT\\MakerA11111", L"", SecurityIdFor(L"1", L"1111"))},
        {L"B2.INF", SampleInf(L"", L"LPTENUM\\MakerB22222", SecurityIdFor(L"2", L"FFFF"))},
        {L"C3.INF", SampleInf(L"USBPRINT\\MakerC33333", L"", SecurityIdFor(L"3", L"9999"))},  // wrong
        {L"D4.INF", SampleInf(L"USBPRINT\\MakerD44444", L"", SecurityIdFor(L"4", L"4444"))},
    };
    std::vector<std::wstring> asked;
    auto read = [&](const std::wstring& name, std::wstring& text) {
        asked.push_back(name);
        if (name == L"D4.INF")
            return false;  // vanished after the listing
        text = files.at(name);
        return true;
    };
    ModelCatalogue catalogue = CollectModels({L"a1.inf", L"B2.INF", L"c3.inf", L"d4.inf"}, read);
    ASSERT_EQ(2u, catalogue.size());
    EXPECT_EQ(L"Maker B2", catalogue[0].displayName);
    EXPECT_EQ(L"Maker A1", catalogue[1].displayName);
    EXPECT_EQ(L"FFFF", catalogue[0].usbIdSuffix);
    std::vector<std::wstring> order = {L"D4.INF", L"C3.INF", L"B2.INF", L"A1.INF"};
    EXPECT_EQ(order, asked);
}

// The digest list's check: asked only for authentic models, in list order;
// a model it refuses is left out and the others keep their order.
TEST(CollectModels, FilesCheckLeavesOutRefusedModels)
{
    std::map<std::wstring, std::wstring> files = {
        {L"A1.INF", SampleInf(L"USBPRINT\\MakerA11111", L"", SecurityIdFor(L"1", L"1111"))},
        {L"B2.INF", SampleInf(L"", L"LPTENUM\\MakerB22222", SecurityIdFor(L"2", L"FFFF"))},
        {L"C3.INF", SampleInf(L"USBPRINT\\MakerC33333", L"", SecurityIdFor(L"3", L"9999"))},  // wrong
        {L"E5.INF", SampleInf(L"USBPRINT\\MakerE55555", L"", SecurityIdFor(L"5", L"5555"))},
    };
    auto read = [&](const std::wstring& name, std::wstring& text) {
        text = files.at(name);
        return true;
    };
    std::vector<std::wstring> checked;
    auto check = [&](const PrinterModel& model) {
        checked.push_back(model.infBaseName);
        return model.infBaseName != L"B2";
    };
    const ModelCatalogue catalogue = CollectModels({L"a1.inf", L"B2.INF", L"c3.inf", L"e5.inf"}, read, check);
    ASSERT_EQ(2u, catalogue.size());
    EXPECT_EQ(L"Maker E5", catalogue[0].displayName);
    EXPECT_EQ(L"Maker A1", catalogue[1].displayName);
    EXPECT_EQ((std::vector<std::wstring>{L"E5", L"B2", L"A1"}), checked);
}
