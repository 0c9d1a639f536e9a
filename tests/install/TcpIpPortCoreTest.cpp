#include <gtest/gtest.h>

#include <cstring>

#include "install/TcpIpPortCore.h"

namespace {

TcpIpPortSettings Settings(const std::wstring& host, const std::wstring& address, unsigned port = 9100)
{
    TcpIpPortSettings settings;
    settings.host = host;
    settings.ipAddress = address;
    settings.portNumber = port;
    return settings;
}

}  // namespace

TEST(TcpIpPortCore, HostsAreNamesOrAddressesThatFitAndCannotBreakASpoolerName)
{
    EXPECT_TRUE(IsAcceptableTcpIpHost(L"192.168.1.20"));
    EXPECT_TRUE(IsAcceptableTcpIpHost(L"printer-3.office_b.example"));
    EXPECT_TRUE(IsAcceptableTcpIpHost(std::wstring(48, L'a')));
    EXPECT_FALSE(IsAcceptableTcpIpHost(std::wstring(49, L'a')));  // MAX_NETWORKNAME_LEN holds 48 and the NUL
    for (const wchar_t* bad : {L"", L"-printer", L".printer", L"a,b", L"a b", L"a\\b", L"a:9100", L"\x00E9t\x00E9"})
        EXPECT_FALSE(IsAcceptableTcpIpHost(bad)) << "accepted a host that must be refused";
}

TEST(TcpIpPortCore, DottedAddressesAreFourDecimalOctets)
{
    for (const wchar_t* good : {L"0.0.0.0", L"127.0.0.1", L"255.255.255.255", L"10.20.30.40"})
        EXPECT_TRUE(IsDottedIpv4(good));
    // Leading zeros would be octal to inet_addr: "010" is 8.
    for (const wchar_t* bad : {L"", L"1.2.3", L"1.2.3.4.5", L"256.1.1.1", L"010.1.1.1", L"1..2.3", L"1.2.3.4.",
                               L"1234.1.1.1", L"a.b.c.d", L" 1.2.3.4"})
        EXPECT_FALSE(IsDottedIpv4(bad));
}

TEST(TcpIpPortCore, SettingsAreCheckedAsAWhole)
{
    TcpIpPortSettings settings = Settings(L"printer", L"10.0.0.5");
    EXPECT_TRUE(AreAcceptableTcpIpSettings(settings));
    settings.ipAddress.clear();  // not resolved: the host alone will do
    EXPECT_TRUE(AreAcceptableTcpIpSettings(settings));
    settings.ipAddress = L"printer";
    EXPECT_FALSE(AreAcceptableTcpIpSettings(settings));
    settings = Settings(L"printer", L"10.0.0.5", 0);
    EXPECT_FALSE(AreAcceptableTcpIpSettings(settings));
    settings.portNumber = 65536;
    EXPECT_FALSE(AreAcceptableTcpIpSettings(settings));
    settings.portNumber = 65535;
    EXPECT_TRUE(AreAcceptableTcpIpSettings(settings));
    settings.snmpEnabled = true;
    settings.snmpCommunity = std::wstring(32, L'c');
    EXPECT_TRUE(AreAcceptableTcpIpSettings(settings));
    settings.snmpCommunity = std::wstring(33, L'c');
    EXPECT_FALSE(AreAcceptableTcpIpSettings(settings));
    settings.snmpCommunity = L"my community";
    EXPECT_FALSE(AreAcceptableTcpIpSettings(settings));
    settings.snmpCommunity = L"";
    EXPECT_FALSE(AreAcceptableTcpIpSettings(settings));
    // With SNMP off the community is not looked at.
    settings.snmpEnabled = false;
    EXPECT_TRUE(AreAcceptableTcpIpSettings(settings));
}

TEST(TcpIpPortCore, PortNamesTakeTheFirstFreeNumberOfAnyMonitorsPorts)
{
    EXPECT_EQ(L"IP_10.0.0.5", MakeTcpIpPortName(L"10.0.0.5", {L"LPT1:", L"COM1:"}));
    EXPECT_EQ(L"IP_10.0.0.5_1", MakeTcpIpPortName(L"10.0.0.5", {L"LPT1:", L"IP_10.0.0.5"}));
    EXPECT_EQ(L"IP_Printer_2", MakeTcpIpPortName(L"Printer", {L"ip_printer_1", L"IP_PRINTER"}));
    EXPECT_EQ(L"IP_10.0.0.5", MakeTcpIpPortName(L"10.0.0.5", {L"IP_10.0.0.5_1"}));
    // The longest host with a suffix still fits MAX_PORTNAME_LEN.
    const std::wstring host(48, L'h');
    const std::wstring name = MakeTcpIpPortName(host, {L"IP_" + host});
    EXPECT_EQ(L"IP_" + host + L"_1", name);
    EXPECT_LT(name.size(), tcpxcv::kMaxPortNameLen);
}

TEST(TcpIpPortCore, APortServesTheSameTargetByHostOrAddressAndTheSameNumber)
{
    const TcpIpPortSettings byAddress = Settings(L"10.0.0.5", L"10.0.0.5");
    EXPECT_TRUE(ServesSameTcpIpTarget(byAddress, Settings(L"10.0.0.5", L"10.0.0.5")));
    EXPECT_TRUE(ServesSameTcpIpTarget(byAddress, Settings(L"printer.example", L"10.0.0.5")));
    EXPECT_TRUE(ServesSameTcpIpTarget(Settings(L"Printer.Example", L""), Settings(L"printer.example", L"10.0.0.5")));
    EXPECT_TRUE(ServesSameTcpIpTarget(Settings(L"printer.example", L"10.0.0.5"), Settings(L"10.0.0.5", L"")));
    EXPECT_FALSE(ServesSameTcpIpTarget(byAddress, Settings(L"10.0.0.5", L"10.0.0.5", 9101)));
    EXPECT_FALSE(ServesSameTcpIpTarget(byAddress, Settings(L"10.0.0.6", L"10.0.0.6")));
    // Empty fields never match each other.
    EXPECT_FALSE(ServesSameTcpIpTarget(Settings(L"a", L""), Settings(L"b", L"")));
    TcpIpPortSettings lpr = byAddress;
    lpr.rawProtocol = false;
    EXPECT_FALSE(ServesSameTcpIpTarget(lpr, byAddress));
}

TEST(TcpIpPortCore, AddPortDataIsAVersionOneRawPortAndReadsBack)
{
    TcpIpPortSettings settings = Settings(L"printer.example", L"10.0.0.5", 9101);
    settings.snmpEnabled = true;
    settings.snmpCommunity = L"office";
    const tcpxcv::PortData1 data = MakeAddPortData(L"IP_printer.example", settings);
    EXPECT_EQ(1u, data.version);
    EXPECT_EQ(tcpxcv::kProtocolRawTcp, data.protocol);
    EXPECT_EQ(sizeof(tcpxcv::PortData1), data.size);
    EXPECT_EQ(9101u, data.portNumber);
    EXPECT_EQ(1u, data.snmpEnabled);
    EXPECT_EQ(0u, data.doubleSpool);
    EXPECT_EQ(0, data.queue[0]);
    // The bytes where Windows reads dwPortNumber (offset 952, little-endian).
    unsigned char bytes[sizeof(data)];
    std::memcpy(bytes, &data, sizeof(data));
    EXPECT_EQ(9101u, bytes[952] | (bytes[953] << 8u));
    EXPECT_EQ(static_cast<unsigned char>('p'), bytes[144]);  // sztHostAddress starts at 144

    std::wstring name;
    TcpIpPortSettings read;
    ASSERT_TRUE(ReadPortData(data, name, read));
    EXPECT_EQ(L"IP_printer.example", name);
    EXPECT_EQ(settings.host, read.host);
    EXPECT_EQ(settings.ipAddress, read.ipAddress);
    EXPECT_EQ(9101u, read.portNumber);
    EXPECT_TRUE(read.snmpEnabled);
    EXPECT_EQ(L"office", read.snmpCommunity);
    EXPECT_TRUE(read.rawProtocol);

    tcpxcv::PortData1 other = data;
    other.version = 2;
    EXPECT_FALSE(ReadPortData(other, name, read));
}

TEST(TcpIpPortCore, FieldsStayInsideTheirArrays)
{
    std::uint16_t field[5] = {1, 1, 1, 1, 1};
    SetField(field, 4, L"abcdef");
    EXPECT_EQ(L"abc", GetField(field, 4));
    EXPECT_EQ(0, field[3]);
    EXPECT_EQ(1, field[4]);  // beyond the field: untouched
    // A field filled to its end without a NUL is read to its end only.
    const std::uint16_t full[3] = {'x', 'y', 'z'};
    EXPECT_EQ(L"xyz", GetField(full, 3));

    const tcpxcv::DeletePortData1 remove = MakeDeletePortData(L"IP_10.0.0.5");
    EXPECT_EQ(1u, remove.version);
    EXPECT_EQ(L"IP_10.0.0.5", GetField(remove.portName, tcpxcv::kMaxPortNameLen));
    EXPECT_EQ(1u, MakeConfigInfoData().version);
}

TEST(TcpIpPortCore, APrinterPortFieldNamesEachPortOfAPool)
{
    EXPECT_TRUE(PrinterPortFieldNames(L"IP_10.0.0.5", L"ip_10.0.0.5"));
    EXPECT_TRUE(PrinterPortFieldNames(L"LPT1:, IP_10.0.0.5", L"IP_10.0.0.5"));
    EXPECT_TRUE(PrinterPortFieldNames(L"IP_10.0.0.5,LPT1:", L"IP_10.0.0.5"));
    EXPECT_FALSE(PrinterPortFieldNames(L"IP_10.0.0.5_1", L"IP_10.0.0.5"));
    EXPECT_FALSE(PrinterPortFieldNames(L"", L"IP_10.0.0.5"));
}
