#include <gtest/gtest.h>

#include "install/DriverRecord.h"

namespace {
const std::wstring kDir = L"C:\\windows\\system32\\spool\\drivers\\w32x86";
}

TEST(DriverRecord, ParallelModelOfTheExample)
{
    const DriverRecordTexts r = MakeDriverRecord(kDir, L"Windows NT x86", L"AB1234", L"ACME AB1234", L"LPT", L"AB", L"1234");
    EXPECT_EQ(L"ACME AB1234", r.name);
    EXPECT_EQ(L"Windows NT x86", r.environment);
    EXPECT_EQ(kDir + L"\\unidrv.DLL", r.driverPath);
    EXPECT_EQ(kDir + L"\\AB1234.gpd", r.dataFile);
    EXPECT_EQ(kDir + L"\\unidrvui.DLL", r.configFile);
    EXPECT_EQ(kDir + L"\\UNIDRV.HLP", r.helpFile);
    EXPECT_EQ(L"RAW", r.defaultDataType);
    const std::vector<std::wstring> expected = {L"UNIRES.DLL", L"Stdnames.gpd", L"AB1234.INI",
        L"QRES1234.DLL", L"QUNI1234.DLL", L"QUI1234.DLL", L"Common6.gpd"};
    EXPECT_EQ(expected, SplitMultiString(r.dependentFiles));
    // Terminated by a second NUL.
    ASSERT_GE(r.dependentFiles.size(), 2u);
    EXPECT_EQ(L'\0', r.dependentFiles[r.dependentFiles.size() - 1]);
    EXPECT_EQ(L'\0', r.dependentFiles[r.dependentFiles.size() - 2]);
}

TEST(DriverRecord, UsbModelAndUnknownConnection)
{
    const DriverRecordTexts usb = MakeDriverRecord(kDir, L"Windows NT x86", L"AB1234", L"ACME AB1234", L"USB", L"AB", L"1234");
    EXPECT_EQ(kDir + L"\\AB1234U.gpd", usb.dataFile);
    EXPECT_EQ(L"CommonU6.gpd", SplitMultiString(usb.dependentFiles).back());
    // A network printer takes the USB pair, a serial one the parallel pair.
    const DriverRecordTexts net = MakeDriverRecord(kDir, L"Windows NT x86", L"AB1234", L"ACME AB1234", L"NET", L"AB", L"1234");
    EXPECT_EQ(usb.dataFile, net.dataFile);
    EXPECT_EQ(usb.dependentFiles, net.dependentFiles);
    const DriverRecordTexts com = MakeDriverRecord(kDir, L"Windows NT x86", L"AB1234", L"ACME AB1234", L"COM", L"AB", L"1234");
    EXPECT_EQ(kDir + L"\\AB1234.gpd", com.dataFile);
    EXPECT_EQ(L"Common6.gpd", SplitMultiString(com.dependentFiles).back());

    const DriverRecordTexts other = MakeDriverRecord(kDir, L"Windows NT x86", L"AB1234", L"ACME AB1234", L"usb", L"AB", L"1234");
    EXPECT_EQ(kDir + L"\\", other.dataFile);
    EXPECT_EQ(6u, SplitMultiString(other.dependentFiles).size());
    EXPECT_EQ(std::wstring(L"QUI1234.DLL") + L'\0' + L'\0',
              other.dependentFiles.substr(other.dependentFiles.size() - 13));
}

TEST(DriverRecord, LongNamesAreKeptWhole)
{
    // Far beyond the 260 characters a fixed buffer would hold.
    const std::wstring longDir = L"C:\\" + std::wstring(300, L'd');
    const std::wstring number(150, L'7');
    const DriverRecordTexts r = MakeDriverRecord(longDir, L"Windows NT x86", L"AB" + number, L"N", L"USB", L"AB", number);
    EXPECT_EQ(longDir + L"\\AB" + number + L"U.gpd", r.dataFile);
    const auto files = SplitMultiString(r.dependentFiles);
    ASSERT_EQ(7u, files.size());
    EXPECT_EQ(L"QUNI" + number + L".DLL", files[4]);
    EXPECT_EQ(L"QUI" + number + L".DLL", files[5]);
}
