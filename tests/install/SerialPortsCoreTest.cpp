#include <gtest/gtest.h>

#include "install/SerialPortsCore.h"

TEST(SerialPortsCore, OnlyComWithANumberIsAPortName)
{
    EXPECT_EQ(1u, SerialPortNumber(L"COM1"));
    EXPECT_EQ(12u, SerialPortNumber(L"com12"));
    EXPECT_EQ(9999u, SerialPortNumber(L"COM9999"));
    for (const wchar_t* bad : {L"", L"COM", L"COM0", L"COM01", L"COM3:", L"\\\\.\\COM3", L" COM3", L"COM12345",
                               L"LPT1", L"COMX", L"CON1"})
        EXPECT_EQ(0u, SerialPortNumber(bad));
}

TEST(SerialPortsCore, PortsAreListedOnceInNumberOrder)
{
    // SERIALCOMM as a machine with a built-in port, two adapters and a
    // driver that entered something else has it.
    const std::vector<std::wstring> values = {L"COM10", L"COM2", L"com1", L"COM2", L"\\Device\\Serial0", L"COM3:",
                                              L""};
    const std::vector<std::wstring> expected = {L"COM1", L"COM2", L"COM10"};
    EXPECT_EQ(expected, SortedSerialPortNames(values));
    EXPECT_TRUE(SortedSerialPortNames({}).empty());
}

TEST(SerialPortsCore, OnlyTheDcbRatesAreOffered)
{
    for (unsigned baud : {110u, 9600u, 19200u, 115200u, 256000u})
        EXPECT_TRUE(IsSupportedBaudRate(baud));
    for (unsigned baud : {0u, 100u, 9601u, 230400u})
        EXPECT_FALSE(IsSupportedBaudRate(baud));
}

TEST(SerialPortsCore, EachFlowControlSetsTheLinesAsTheModeSuffixesDo)
{
    SerialSettings settings;
    settings.baud = 19200;
    SerialLine none = MakeSerialLine(settings);
    EXPECT_EQ(19200u, none.baudRate);
    EXPECT_EQ(8, none.byteSize);
    EXPECT_EQ(0, none.parity);
    EXPECT_EQ(0, none.stopBits);
    EXPECT_FALSE(none.outxCtsFlow || none.outxDsrFlow || none.outX || none.inX);
    EXPECT_EQ(1, none.dtrControl);
    EXPECT_EQ(1, none.rtsControl);

    settings.flow = FlowControl::XonXoff;
    const SerialLine xon = MakeSerialLine(settings);
    EXPECT_TRUE(xon.outX && xon.inX);
    EXPECT_FALSE(xon.outxCtsFlow || xon.outxDsrFlow);
    EXPECT_EQ(0x11, xon.xonChar);
    EXPECT_EQ(0x13, xon.xoffChar);

    settings.flow = FlowControl::Hardware;
    const SerialLine hardware = MakeSerialLine(settings);
    EXPECT_TRUE(hardware.outxCtsFlow && hardware.outxDsrFlow);
    EXPECT_EQ(kDtrControlHandshake, hardware.dtrControl);
    EXPECT_EQ(kRtsControlHandshake, hardware.rtsControl);
    EXPECT_FALSE(hardware.outX || hardware.inX);

    for (FlowControl flow : {FlowControl::None, FlowControl::XonXoff, FlowControl::Hardware}) {
        settings.flow = flow;
        const SerialSettings back = ReadSerialLine(MakeSerialLine(settings));
        EXPECT_EQ(flow, back.flow);
        EXPECT_EQ(19200u, back.baud);
    }
}

TEST(SerialPortsCore, ADcbSetByOthersIsReadByItsHandshakes)
{
    // XON/XOFF in one direction only is no flow control the installer sets.
    SerialLine line;
    line.outX = true;
    EXPECT_EQ(FlowControl::None, ReadSerialLine(line).flow);
    // CTS watched without RTS handshaking: not hardware flow either.
    line = SerialLine();
    line.outxCtsFlow = true;
    EXPECT_EQ(FlowControl::None, ReadSerialLine(line).flow);
    line.rtsControl = kRtsControlHandshake;
    line.outX = line.inX = true;
    EXPECT_EQ(FlowControl::Hardware, ReadSerialLine(line).flow);
}
