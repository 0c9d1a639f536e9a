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

TEST(UsbDetection, DeviceKeyMatchIsTheFirstCaseInsensitiveSubstring)
{
    const std::vector<std::wstring> names = {L"QRVXMODELA1B2C", L"QRVXMODELB7D8E", L"qrvxab1234c3d4"};
    EXPECT_EQ(0, FindDeviceKeyIndex(names, L"modela"));
    EXPECT_EQ(1, FindDeviceKeyIndex(names, L"MODELB"));
    EXPECT_EQ(2, FindDeviceKeyIndex(names, L"AB1234"));
    EXPECT_EQ(0, FindDeviceKeyIndex(names, L""));
    EXPECT_EQ(-1, FindDeviceKeyIndex(names, L"XY99"));
    EXPECT_EQ(-1, FindDeviceKeyIndex({}, L""));

    PrinterModel model;
    model.namePrefix = L"ab";
    model.nameNumber = L"1234";
    EXPECT_EQ(L"AB1234", DeviceIdKey(model));
    EXPECT_EQ(L"QRVXAB1234C3D4", AsciiUpper(L"qrvxab1234c3d4"));
}
