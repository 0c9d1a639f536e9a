#include <gtest/gtest.h>

#include "context/HelperProtocol.h"
#include "install/DeviceRecordsCore.h"

namespace {
PrinterModel Model()
{
    PrinterModel m;
    m.manufacturer = L"QRVX";
    m.namePrefix = L"AB";
    m.nameNumber = L"1234";
    m.infBaseName = L"AB1234";
    m.deviceDescription = m.driverName = m.displayName = L"QRVX AB1234";
    return m;
}

std::vector<std::wstring> Names(const std::vector<RegistryValue>& values)
{
    std::vector<std::wstring> names;
    for (const auto& v : values)
        names.push_back(v.name);
    return names;
}

const RegistryValue& Find(const std::vector<RegistryValue>& values, const std::wstring& name)
{
    for (const auto& v : values)
        if (v.name == name)
            return v;
    static RegistryValue none{L"<none>", false, L"", 0};
    return none;
}
}

TEST(DeviceRecordsCore, NextInstanceNumberFromLeadingNumbers)
{
    EXPECT_EQ(5, NextInstanceNumber({L"0000", L"0001", L"0002", L"0003", L"0004", L"Properties"}));
    EXPECT_EQ(1, NextInstanceNumber({L"Properties"}));
    EXPECT_EQ(0, NextInstanceNumber({}));
    EXPECT_EQ(13, NextInstanceNumber({L"0003", L"0012abc"}));
    EXPECT_EQ(12, LeadingNumber(L"0012abc"));
    EXPECT_EQ(7, LeadingNumber(L"  +7x"));
    EXPECT_EQ(-3, LeadingNumber(L"-3"));
    EXPECT_EQ(0, LeadingNumber(L"abc"));
    // A huge number saturates rather than overflowing the next number.
    EXPECT_EQ(2147483647L, NextInstanceNumber({L"99999999999999999999999"}));
    // Ten digits overflow a 32-bit long (Windows) unless clamped in time.
    EXPECT_EQ(2147483647L, NextInstanceNumber({L"0000", L"3000000000"}));
    EXPECT_EQ(2147483646L, LeadingNumber(L"9999999999"));
    EXPECT_EQ(-2147483646L, LeadingNumber(L"-4294967296"));
    EXPECT_EQ(L"0005", InstanceKeyName(5));
    EXPECT_EQ(L"0123", InstanceKeyName(123));
    EXPECT_EQ(L"12345", InstanceKeyName(12345));
    EXPECT_EQ(L"-005", InstanceKeyName(-5)); // "%04d" counts the sign
}

TEST(DeviceRecordsCore, ClassAndInstanceValues)
{
    const auto cls = ClassKeyValues(L"");
    EXPECT_EQ((std::vector<std::wstring>{L"", L"Class", L"Icon", L"Installer32", L"NoDisplayClass", L"EnumPropPages32"}), Names(cls));
    EXPECT_EQ(L"ntprint.dll,ClassInstall32", Find(cls, L"Installer32").text);
    EXPECT_EQ(L"-4", Find(cls, L"Icon").text);
    EXPECT_EQ(L"printui.dll,PrinterPropPageProvider", Find(cls, L"EnumPropPages32").text);

    const auto usb = UsbInstanceValues(Model(), L"C3D4");
    EXPECT_EQ((std::vector<std::wstring>{L"ProviderName", L"MatchingDeviceId", L"DriverDesc"}), Names(usb));
    EXPECT_EQ(L"usbprint\\C3D4", Find(usb, L"MatchingDeviceId").text);
    EXPECT_EQ(L"LPTENUM\\A1B2", Find(LptInstanceValues(Model(), L"A1B2"), L"MatchingDeviceId").text);
    EXPECT_EQ(L"QRVX AB1234", Find(usb, L"DriverDesc").text);
}

TEST(DeviceRecordsCore, HandOffValuesInTheirTwoOrders)
{
    const auto usb = UsbHandOffValues(Model(), L"0005", L"QRVXAB1234C3D4");
    EXPECT_EQ((std::vector<std::wstring>{L"_DeviceDesc", L"_ConfigFlags", L"_ClassGUID", L"_Class", L"_Driver", L"_Mfg", L"_UpdateMode", L"_ToPath"}), Names(usb));
    EXPECT_EQ(L"{4D36E979-E325-11CE-BFC1-08002BE10318}\\0005", Find(usb, L"_Driver").text);
    EXPECT_EQ(L"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\QRVXAB1234C3D4", Find(usb, L"_ToPath").text);
    EXPECT_TRUE(Find(usb, L"_UpdateMode").isNumber);
    EXPECT_EQ(0u, Find(usb, L"_UpdateMode").number);

    const auto lpt = LptHandOffValues(Model(), L"", L"QRVXAB1234A1B2");
    EXPECT_EQ((std::vector<std::wstring>{L"_DeviceDesc", L"_ConfigFlags", L"_ClassGUID", L"_Driver", L"_Class", L"_Mfg", L"_UpdateMode", L"_BrandSeries", L"_ToPath"}), Names(lpt));
    EXPECT_EQ(2u, Find(lpt, L"_UpdateMode").number);
    EXPECT_EQ(L"QRVXAB", Find(lpt, L"_BrandSeries").text);
    EXPECT_EQ(L"{4D36E979-E325-11CE-BFC1-08002BE10318}\\", Find(lpt, L"_Driver").text);
    EXPECT_EQ(L"SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\QRVXAB1234A1B2", Find(lpt, L"_ToPath").text);
    EXPECT_TRUE(Find(lpt, L"_ConfigFlags").isNumber);
}

// The helper deletes, and so reads, exactly the names of its protocol: every
// value the installer leaves for it must be one of them.
TEST(DeviceRecordsCore, EveryHandOffValueIsOneTheHelperReads)
{
    for (const auto& values : {UsbHandOffValues(Model(), L"0003", L"QRVXAB1234C3D4"),
                               LptHandOffValues(Model(), L"0003", L"QRVXAB1234A1B2")}) {
        for (const RegistryValue& value : values) {
            bool known = false;
            for (const char* name : helper_protocol::kHandOffNames)
                known = known || value.name == WidenAscii(name);
            EXPECT_TRUE(known) << std::string(value.name.begin(), value.name.end());
        }
    }
    EXPECT_EQ(WidenAscii(helper_protocol::kPrinterClassKey), kPrinterClassKey);
}
