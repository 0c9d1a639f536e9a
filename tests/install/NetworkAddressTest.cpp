#include <gtest/gtest.h>

#include "install/NetworkAddress.h"

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

}  // namespace

TEST(NetworkAddress, AcceptedAddresses)
{
    const struct {
        const wchar_t* text;
        const wchar_t* host;
        unsigned port;
    } cases[] = {
        {L"192.168.1.20", L"192.168.1.20", 9100},
        {L"192.168.1.20:9101", L"192.168.1.20", 9101},
        {L"  10.0.0.1:1\t", L"10.0.0.1", 1},
        {L"127.0.0.1:65535", L"127.0.0.1", 65535},
        {L"223.255.255.255", L"223.255.255.255", 9100},
        {L"1.0.0.0:09100", L"1.0.0.0", 9100},
        {L"printer", L"printer", 9100},
        {L"PRN-2.office.example.com:515", L"PRN-2.office.example.com", 515},
        {L"localhost", L"localhost", 9100},
        {L"3com-printer.local", L"3com-printer.local", 9100},
        {L"1.2.3.x4", L"1.2.3.x4", 9100},
        {L"0x.example", L"0x.example", 9100},
    };
    for (const auto& c : cases) {
        std::wstring host, why;
        unsigned port = 0;
        EXPECT_TRUE(ParseNetworkAddress(c.text, host, port, why)) << Narrow(c.text) << ": " << Narrow(why);
        EXPECT_EQ(c.host, host) << Narrow(c.text);
        EXPECT_EQ(c.port, port) << Narrow(c.text);
    }
    // The longest name and labels.
    const std::wstring label63(63, L'a');
    const std::wstring name253 = label63 + L"." + label63 + L"." + label63 + L"." + std::wstring(61, L'b');
    ASSERT_EQ(253u, name253.size());
    std::wstring host, why;
    unsigned port = 0;
    EXPECT_TRUE(ParseNetworkAddress(name253 + L":80", host, port, why)) << Narrow(why);
    EXPECT_EQ(name253, host);
}

TEST(NetworkAddress, RefusedAddressesSayWhy)
{
    const std::wstring label64(64, L'a');
    const std::wstring name254 = std::wstring(63, L'a') + L"." + std::wstring(63, L'a') + L"." +
                                 std::wstring(63, L'a') + L"." + std::wstring(62, L'b');
    const struct {
        std::wstring text;
        const wchar_t* reason;  // a word the explanation must hold
    } cases[] = {
        {L"", L"No printer address"},
        {L"   ", L"No printer address"},
        {L":9100", L"missing"},
        {L"printer:", L"1 to 65535"},
        {L"printer:0", L"1 to 65535"},
        {L"printer:65536", L"1 to 65535"},
        {L"printer:99999999999999999999", L"1 to 65535"},
        {L"printer:+91", L"1 to 65535"},
        {L"printer:-1", L"1 to 65535"},
        {L"printer:91 00", L"1 to 65535"},
        {L"printer:0x10", L"1 to 65535"},
        {L"fe80::1", L"IPv6"},
        {L"[::1]:9100", L"IPv6"},
        {L"192.168.1", L"four numbers"},
        {L"192.168.1.2.3", L"four numbers"},
        {L"192.168..2", L"four numbers"},
        {L"192.168.1.", L"four numbers"},
        {L".192.168.1.1", L"four numbers"},
        {L"10", L"four numbers"},
        {L"010.1.1.1", L"octal"},
        {L"10.1.1.01", L"octal"},
        {L"10.1.1.00", L"octal"},
        {L"256.1.1.1", L"0 to 255"},
        {L"1.1.1.1000", L"0 to 255"},
        {L"+1.2.3.4", L"only the letters"},
        {L"0.1.2.3", L"not an address a printer"},
        {L"0.0.0.0", L"not an address a printer"},
        {L"224.0.0.1", L"not an address a printer"},
        {L"239.255.255.250", L"not an address a printer"},
        {L"255.255.255.255", L"not an address a printer"},
        {L"240.0.0.1", L"not an address a printer"},
        {L"0x7f.1", L"looks like a number"},
        {L"0x7F000001", L"looks like a number"},
        {L"printer.123", L"looks like a number"},
        {L"1.2.3.0x4", L"looks like a number"},
        {L"my printer", L"only the letters"},
        {L"printer_1", L"only the letters"},
        {L"dr\x00FC" L"cker", L"only the letters"},
        {std::wstring(L"printer\0x", 9), L"only the letters"},
        {L"a\tb", L"only the letters"},
        {L"printer.", L"dots in a row"},
        {L".printer", L"dots in a row"},
        {L"a..b", L"dots in a row"},
        {L"-printer", L"'-'"},
        {L"printer-.lan", L"'-'"},
        {label64 + L".lan", L"63 characters"},
        {name254, L"253 characters"},
    };
    for (const auto& c : cases) {
        std::wstring host = L"untouched", why;
        unsigned port = 1234;
        EXPECT_FALSE(ParseNetworkAddress(c.text, host, port, why)) << Narrow(c.text);
        EXPECT_NE(std::wstring::npos, why.find(c.reason)) << Narrow(c.text) << ": " << Narrow(why);
        EXPECT_EQ(L"untouched", host) << Narrow(c.text);
        EXPECT_EQ(1234u, port) << Narrow(c.text);
    }
}

TEST(NetworkAddress, DottedAddressesAndNames)
{
    std::uint32_t address = 0;
    ASSERT_TRUE(ReadIpv4Address(L"192.168.1.20", address));
    EXPECT_EQ(0xC0A80114u, address);
    EXPECT_EQ(L"192.168.1.20", FormatIpv4Address(address));
    EXPECT_EQ(L"0.0.0.0", FormatIpv4Address(0));
    EXPECT_EQ(L"255.255.255.255", FormatIpv4Address(0xFFFFFFFFu));
    address = 7;
    for (const wchar_t* text : {L"", L"1.2.3", L"01.2.3.4", L"1.2.3.256", L"1.2.3.4 ", L"a.b.c.d", L"1.2.3.-4"}) {
        EXPECT_FALSE(IsIpv4Address(text)) << Narrow(text);
        EXPECT_FALSE(ReadIpv4Address(text, address)) << Narrow(text);
    }
    EXPECT_EQ(7u, address);
    // The form is what IsIpv4Address judges; whether a printer can have the
    // address is IsDeviceAddress's question.
    EXPECT_TRUE(IsIpv4Address(L"0.0.0.0"));
    EXPECT_TRUE(IsIpv4Address(L"255.255.255.255"));
    EXPECT_FALSE(IsDeviceAddress(0));
    EXPECT_FALSE(IsDeviceAddress(0x00FFFFFFu));
    EXPECT_TRUE(IsDeviceAddress(0x01000000u));
    EXPECT_TRUE(IsDeviceAddress(0x7F000001u));
    EXPECT_TRUE(IsDeviceAddress(0xDFFFFFFFu));
    EXPECT_FALSE(IsDeviceAddress(0xE0000000u));
    EXPECT_FALSE(IsDeviceAddress(0xFFFFFFFFu));

    EXPECT_TRUE(IsHostName(L"localhost"));
    EXPECT_TRUE(IsHostName(L"a"));
    for (const wchar_t* text : {L"", L"1.2.3.4", L"1.2", L"a.1", L"a b", L"a:1", L"a.", L"-a"})
        EXPECT_FALSE(IsHostName(text)) << Narrow(text);
}
