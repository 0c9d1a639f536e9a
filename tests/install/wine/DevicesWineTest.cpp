// Device detection and the Plug-and-Play records against the prefix's
// registry, with virtual printers plugged in by qvdevice.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "install/DeviceDetection.h"
#include "install/DeviceRecords.h"
#include "tests/install/wine/TestPackage.h"
#include "tests/install/wine/WineTestSupport.h"

namespace {

const std::wstring kUsbPrintEnum = L"SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const std::wstring kEnum = L"SYSTEM\\CurrentControlSet\\Enum\\";
const std::wstring kClassKey = L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}";
const std::wstring kUsbId = L"QRVXAB1234C3D4";
const std::wstring kOtherUsbId = L"QRVXXY9900AA";

class Devices : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        wt::QvDevice(L"unplug-usb " + kUsbId + L" SN0001");
        wt::QvDevice(L"unplug-usb " + kOtherUsbId + L" SN0002");
        wt::QvDevice(L"unplug-lpt QRVXAB1234A1B2 LPT1.4");
        wt::QvDevice(L"unplug-lpt QRVXAB1234FFFF LPT1.5");
        wt::DeleteKeyTree(kUsbPrintEnum);
        wt::DeleteKeyTree(kEnum + L"USBPRINT");
        wt::DeleteKeyTree(kEnum + L"LPTENUM");
        wt::DeleteKeyTree(kClassKey);
    }

    // Runs detection with preset outputs; they must change only on status 0.
    int Detect(std::wstring& port, std::wstring& description)
    {
        port = L"preset port";
        description = L"preset description";
        return ResultValue(DetectUsbPrinterPort(kUsbId, description, port));
    }

    std::wstring UsbPath(DWORD index)
    {
        std::wstring path;
        wt::GetString(kUsbPrintEnum, std::to_wstring(index), path);
        return path;
    }
};

TEST_F(Devices, DetectionStatusesWithoutAUsablePrinter)
{
    std::wstring port, description;
    EXPECT_EQ(10, Detect(port, description));
    ASSERT_TRUE(wt::SetString(kUsbPrintEnum, L"0", L"USB\\VID_0001&PID_0002\\X"));
    EXPECT_EQ(1, Detect(port, description)) << "no Count";
    ASSERT_TRUE(wt::SetDword(kUsbPrintEnum, L"Count", 0));
    EXPECT_EQ(1, Detect(port, description)) << "Count 0";
    ASSERT_TRUE(wt::SetDword(kUsbPrintEnum, L"Count", 1));
    EXPECT_EQ(2, Detect(port, description)) << "no device key";
    EXPECT_EQ(L"preset port", port);
    EXPECT_EQ(L"preset description", description);
    wt::DeleteKeyTree(kUsbPrintEnum);

    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kUsbId + L" 3 SN0001 --no-device-params"));
    EXPECT_EQ(2, Detect(port, description)) << "no Device Parameters";
    ASSERT_EQ(0, wt::QvDevice(L"unplug-usb " + kUsbId + L" SN0001"));

    // A symbolic name without "{" is used whole, "\??\" and all.
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kUsbId + L" 3 SN0001"));
    std::wstring reference = UsbPath(0);
    std::replace(reference.begin(), reference.end(), L'\\', L'#');
    const std::wstring params = kEnum + UsbPath(0) + L"\\Device Parameters";
    ASSERT_TRUE(wt::SetString(params, L"SymbolicName", L"\\??\\" + reference + L"#"));
    EXPECT_EQ(2, Detect(port, description)) << "no {";
    // Only a lower-case "usb": the "\??\" stays in front.
    std::wstring lower = reference;
    CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
    ASSERT_TRUE(wt::SetString(params, L"SymbolicName", L"\\??\\" + lower + L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"));
    EXPECT_EQ(2, Detect(port, description)) << "lower-case usb";
    EXPECT_EQ(L"preset port", port);
}

TEST_F(Devices, DetectionFindsTheModelsOwnPrinter)
{
    std::wstring port, description;
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kUsbId + L" 7 SN0001"));
    EXPECT_EQ(0, Detect(port, description));
    EXPECT_EQ(L"USB007", port);
    EXPECT_EQ(L"Virtual printer port for USB", description);

    // An empty or missing symbolic name falls back to the instance path.
    const std::wstring params = kEnum + UsbPath(0) + L"\\Device Parameters";
    ASSERT_TRUE(wt::SetString(params, L"SymbolicName", L""));
    EXPECT_EQ(0, Detect(port, description));
    EXPECT_EQ(L"USB007", port);
    ASSERT_TRUE(wt::DeleteValue(params, L"SymbolicName"));
    EXPECT_EQ(0, Detect(port, description));

    // Another model enumerated first does not hide ours ...
    ASSERT_EQ(0, wt::QvDevice(L"unplug-usb " + kUsbId + L" SN0001"));
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kOtherUsbId + L" 12 SN0002 --no-port-number"));
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kUsbId + L" 7 SN0001"));
    EXPECT_EQ(0, Detect(port, description));
    EXPECT_EQ(L"USB007", port);
    // ... and alone it is not taken for ours: a mismatch, with its port
    // (1 without a "Port Number") for an installation the user forces.
    ASSERT_EQ(0, wt::QvDevice(L"unplug-usb " + kUsbId + L" SN0001"));
    port = L"preset port";
    EXPECT_EQ(2, ResultValue(DetectUsbPrinterPort(kUsbId, description, port)));
    EXPECT_EQ(L"USB001", port);
    // A key of ours whose instance sits on another port is not ours either;
    // one named after the port, as Windows names them, is.
    const std::wstring ours = kEnum + L"USBPRINT\\" + kUsbId;
    ASSERT_TRUE(wt::SetString(ours + L"\\SN0009", L"LocationInformation", L"USB002"));
    EXPECT_EQ(2, ResultValue(DetectUsbPrinterPort(kUsbId, description, port)));
    ASSERT_TRUE(wt::SetString(ours + L"\\7&1f2e3d&0&USB001", L"Mfg", L"Quorvex"));
    EXPECT_EQ(0, ResultValue(DetectUsbPrinterPort(kUsbId, description, port)));
    wt::DeleteKeyTree(ours);
}

TEST_F(Devices, FindDeviceKeyTakesOnlyTheModelsOwnKeyUpperCased)
{
    std::wstring key = L"untouched";
    EXPECT_FALSE(FindDeviceKey(L"USBPRINT", kUsbId, key));
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb qrvxab1234c3d4x 1 SN0003"));
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb qrvxab1234c3d4 1 SN0001"));
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kOtherUsbId + L" 2 SN0002"));
    ASSERT_TRUE(FindDeviceKey(L"USBPRINT", L"qrvxAB1234C3D4", key));
    EXPECT_EQ(L"QRVXAB1234C3D4", key);
    ASSERT_TRUE(FindDeviceKey(L"USBPRINT", kOtherUsbId, key));
    EXPECT_EQ(kOtherUsbId, key);
    key = L"untouched";
    for (const wchar_t* part : {L"", L"AB1234", L"QRVXAB1234C3D", L"ZZ00"})
        EXPECT_FALSE(FindDeviceKey(L"USBPRINT", part, key)) << wt::Utf8(part);
    EXPECT_FALSE(FindDeviceKey(L"LPTENUM", kUsbId, key));
    EXPECT_EQ(L"untouched", key);
    wt::QvDevice(L"unplug-usb qrvxab1234c3d4x SN0003");
}

// The hand-off values present, sorted: Wine's registry enumerates values by
// name, so the writing order is checked on the value lists natively.
std::vector<std::wstring> HandOffNames()
{
    std::vector<std::wstring> names;
    for (const std::wstring& n : wt::ValueNames(kClassKey))
        if (!n.empty() && n[0] == L'_')
            names.push_back(n);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(Devices, ParallelRecordsInAnEmptyClassKey)
{
    const InstallContext context = pkg::DetectedContext();
    ASSERT_EQ(0, wt::QvDevice(L"plug-lpt QRVXAB1234A1B2 LPT1.4"));
    WriteLptDeviceRecords(context, context.model.lptIdSuffix);

    std::wstring text;
    ASSERT_TRUE(wt::GetString(kClassKey, L"", text));
    EXPECT_EQ(L"", text);
    for (const auto& v : {std::make_pair(L"Class", L"Printer"), std::make_pair(L"Icon", L"-4"),
                          std::make_pair(L"Installer32", L"ntprint.dll,ClassInstall32"), std::make_pair(L"NoDisplayClass", L"1"),
                          std::make_pair(L"EnumPropPages32", L"printui.dll,PrinterPropPageProvider")}) {
        ASSERT_TRUE(wt::GetString(kClassKey, v.first, text)) << wt::Utf8(v.first);
        EXPECT_EQ(v.second, text);
    }
    EXPECT_EQ(std::vector<std::wstring>{L"0000"}, wt::SubKeys(kClassKey));
    ASSERT_TRUE(wt::GetString(kClassKey + L"\\0000", L"MatchingDeviceId", text));
    EXPECT_EQ(L"LPTENUM\\A1B2", text);
    ASSERT_TRUE(wt::GetString(kClassKey + L"\\0000", L"ProviderName", text));
    EXPECT_EQ(L"QRVX", text);

    EXPECT_EQ(Sorted({L"_DeviceDesc", L"_ConfigFlags", L"_ClassGUID", L"_Driver", L"_Class", L"_Mfg",
                      L"_UpdateMode", L"_BrandSeries", L"_ToPath"}), HandOffNames());
    ASSERT_TRUE(wt::GetString(kClassKey, L"_Driver", text));
    EXPECT_EQ(L"{4D36E979-E325-11CE-BFC1-08002BE10318}\\0000", text);
    ASSERT_TRUE(wt::GetString(kClassKey, L"_ToPath", text));
    EXPECT_EQ(L"SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\QRVXAB1234A1B2", text);
    DWORD mode = 9;
    ASSERT_TRUE(wt::GetDword(kClassKey, L"_UpdateMode", mode));
    EXPECT_EQ(2u, mode);
}

TEST_F(Devices, UsbRecordsCountInstancesByLeadingNumbers)
{
    const InstallContext context = pkg::DetectedContext();
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kUsbId + L" 1 SN0001"));
    for (const wchar_t* sub : {L"0000", L"0001", L"0002", L"0003", L"0004", L"Properties"})
        ASSERT_TRUE(wt::SetString(kClassKey + L"\\" + sub, L"Scratch", L"1"));
    WriteUsbDeviceRecords(context, context.model.usbIdSuffix);

    std::wstring text;
    ASSERT_TRUE(wt::GetString(kClassKey + L"\\0005", L"MatchingDeviceId", text));
    EXPECT_EQ(L"usbprint\\C3D4", text);
    EXPECT_FALSE(wt::GetString(kClassKey, L"Class", text)) << "class values only go into an empty class key";
    EXPECT_EQ(Sorted({L"_DeviceDesc", L"_ConfigFlags", L"_ClassGUID", L"_Class", L"_Driver", L"_Mfg",
                      L"_UpdateMode", L"_ToPath"}), HandOffNames());
    ASSERT_TRUE(wt::GetString(kClassKey, L"_Driver", text));
    EXPECT_EQ(L"{4D36E979-E325-11CE-BFC1-08002BE10318}\\0005", text);
    ASSERT_TRUE(wt::GetString(kClassKey, L"_ToPath", text));
    EXPECT_EQ(L"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\" + kUsbId, text);

    wt::DeleteKeyTree(kClassKey);
    ASSERT_TRUE(wt::SetString(kClassKey + L"\\Properties", L"Scratch", L"1"));
    WriteUsbDeviceRecords(context, context.model.usbIdSuffix);
    EXPECT_TRUE(wt::KeyExists(kClassKey + L"\\0001"));
    EXPECT_FALSE(wt::KeyExists(kClassKey + L"\\0000"));

    ASSERT_TRUE(wt::SetString(kClassKey + L"\\0012abc", L"Scratch", L"1"));
    WriteUsbDeviceRecords(context, context.model.usbIdSuffix);
    EXPECT_TRUE(wt::KeyExists(kClassKey + L"\\0013"));
}

TEST_F(Devices, DisconnectedDeviceLeavesTheInstanceKeyOnly)
{
    const InstallContext context = pkg::DetectedContext();
    ASSERT_EQ(0, wt::QvDevice(L"plug-usb " + kOtherUsbId + L" 1 SN0002"));
    WriteUsbDeviceRecords(context, context.model.usbIdSuffix);
    WriteLptDeviceRecords(context, context.model.lptIdSuffix);
    EXPECT_EQ((std::vector<std::wstring>{L"0000", L"0001"}), wt::SubKeys(kClassKey));
    EXPECT_TRUE(HandOffNames().empty());
    EXPECT_FALSE(wt::KeyExists(kEnum + L"USBPRINT\\" + kUsbId)) << "the device key must not be created";
}

} // namespace
