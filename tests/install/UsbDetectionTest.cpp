#include <gtest/gtest.h>

#include "install/UsbDetection.h"

TEST(UsbDetection, InterfaceReferenceFromSymbolicName)
{
    const std::wstring instance = L"USB\\VID_0001&PID_0002\\ABC123";
    EXPECT_EQ(L"USB#VID_0001&PID_0002#ABC123#",
              InterfaceReferenceFromSymbolicName(L"\\??\\USB#VID_0001&PID_0002#ABC123#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", instance));
    // No "{": the text is used whole, "\??\" included.
    EXPECT_EQ(L"\\??\\USB#VID_0001&PID_0002#ABC123#",
              InterfaceReferenceFromSymbolicName(L"\\??\\USB#VID_0001&PID_0002#ABC123#", instance));
    // Lower-case "usb" is not found: the leading "\??\" stays.
    EXPECT_EQ(L"\\??\\usb#vid_0001&pid_0002#abc123#",
              InterfaceReferenceFromSymbolicName(L"\\??\\usb#vid_0001&pid_0002#abc123#{a5dcbf10}", instance));
    // Empty, or nothing before the "{": the instance path form.
    EXPECT_EQ(L"USB#VID_0001&PID_0002#ABC123#", InterfaceReferenceFromSymbolicName(L"", instance));
    EXPECT_EQ(L"USB#VID_0001&PID_0002#ABC123#", InterfaceReferenceFromSymbolicName(L"{guid}", instance));
    EXPECT_EQ(L"#", InterfaceReferenceFromSymbolicName(L"", L""));
}

TEST(UsbDetection, PortRecordPaths)
{
    const std::wstring key = PrinterPortInterfaceKeyName(L"USB#VID_0001&PID_0002#ABC123#");
    EXPECT_EQ(L"##?#USB#VID_0001&PID_0002#ABC123#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}", key);
    EXPECT_EQ(L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\" + key + L"\\#\\Device Parameters",
              PrinterPortParametersPath(key));
    EXPECT_EQ(L"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0001&PID_0002\\ABC123\\Device Parameters",
              DeviceParametersPath(L"USB\\VID_0001&PID_0002\\ABC123"));
}

TEST(UsbDetection, PortNamesArePaddedToThreeDigits)
{
    EXPECT_EQ(L"USB001", UsbPortName(1));
    EXPECT_EQ(L"USB007", UsbPortName(7));
    EXPECT_EQ(L"USB012", UsbPortName(12));
    EXPECT_EQ(L"USB1234", UsbPortName(1234));
    EXPECT_EQ(L"USB000", UsbPortName(0));
}

TEST(UsbDetection, DeviceKeysMatchTheModelsHardwareIdExactly)
{
    PrinterModel qx100, qx1000;
    qx100.manufacturer = qx1000.manufacturer = L"Quorvex";
    qx100.namePrefix = qx1000.namePrefix = L"qx";
    qx100.nameNumber = L"100";
    qx1000.nameNumber = L"1000";
    EXPECT_EQ(L"QUORVEXQX1007A2B", ModelDeviceKeyName(qx100, L"7A2B"));
    // Whatever follows the id on its INF line is not part of it.
    EXPECT_EQ(L"QUORVEXQX10007A2B", ModelDeviceKeyName(qx1000, L"7a2b, LPTENUM\\QuorvexQX1000C3D4"));
    EXPECT_EQ(L"QUORVEXQX10007A2B", ModelDeviceKeyName(qx1000, L"7A2B ; comment"));

    // Neither model takes the other's printer, whichever is listed first.
    const std::vector<std::wstring> names = {L"QuorvexQX10007A2B", L"QUORVEXQX1007A2B", L"QuorvexQX1007A2BX"};
    EXPECT_EQ(1, FindDeviceKeyIndex(names, ModelDeviceKeyName(qx100, L"7A2B")));
    EXPECT_EQ(0, FindDeviceKeyIndex(names, ModelDeviceKeyName(qx1000, L"7A2B")));
    EXPECT_EQ(-1, FindDeviceKeyIndex({L"QuorvexQX10007A2B"}, ModelDeviceKeyName(qx100, L"7A2B")));
    EXPECT_EQ(-1, FindDeviceKeyIndex(names, L"QX100"));
    // An empty key (an INF without base name) matches nothing.
    EXPECT_EQ(-1, FindDeviceKeyIndex(names, L""));
    EXPECT_EQ(-1, FindDeviceKeyIndex({L""}, L""));
}

TEST(UsbDetection, InstancesBelongToThePortTheyAreNamedOrLocatedAfter)
{
    EXPECT_TRUE(IsInstanceOnPort(L"7&2b4c5d6e&0&USB001", L"", L"USB001"));
    EXPECT_TRUE(IsInstanceOnPort(L"7&2b4c5d6e&0&usb012", L"", L"USB012"));
    EXPECT_TRUE(IsInstanceOnPort(L"SN0001", L"usb007", L"USB007"));
    EXPECT_FALSE(IsInstanceOnPort(L"7&2b4c5d6e&0&USB0011", L"", L"USB001"));
    EXPECT_FALSE(IsInstanceOnPort(L"7&2b4c5d6e&0&USB001", L"USB001", L"USB002"));
    EXPECT_FALSE(IsInstanceOnPort(L"USB001", L"", L"USB001")) << "only the part after the last &";
    EXPECT_FALSE(IsInstanceOnPort(L"7&0&", L"", L""));
}
