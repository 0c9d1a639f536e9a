// The network printer probe against the bench's simulated printer on
// loopback ports: a printer that answers TCP and SNMP, TCP only, nothing,
// one that lets connection requests go unanswered, and SNMP replies that
// must not be believed.
#include "support/Winsock.h"

#include <gtest/gtest.h>

#include "install/NetworkProbe.h"
#include "tests/common/NetPrinter.h"
#include "tests/common/WineMachine.h"

namespace {

using wm::NetPrinter;

const std::string kDeviceId = "MFG:Quorvex;MDL:QX1000;CMD:PCL,PJL;CLS:PRINTER;DES:Quorvex QX1000;";
const std::wstring kDeviceIdW(kDeviceId.begin(), kDeviceId.end());
const std::wstring kDeviceIdOption = L"--device-id \"" + kDeviceIdW + L"\"";

struct Timed {
    NetworkProbeResult result;
    DWORD ms = 0;
};

Timed Probe(const std::wstring& host, unsigned port, unsigned short snmpPort, unsigned timeoutMs)
{
    Timed timed;
    const DWORD start = GetTickCount();
    timed.result = ProbeNetworkPrinter(host, port, snmpPort, timeoutMs);
    timed.ms = GetTickCount() - start;
    return timed;
}

// A loopback port of `type` that nothing listens on: one the system chose
// free a moment ago and let go again.
unsigned short ClosedPort(int type)
{
    WinsockSession winsock;
    UniqueSocket s(socket(AF_INET, type, 0));
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(a);
    if (!s || bind(s.Get(), reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 ||
        getsockname(s.Get(), reinterpret_cast<sockaddr*>(&a), &size) != 0)
        return 0;
    return ntohs(a.sin_port);
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::size_t Containing(const std::vector<std::string>& lines, const std::string& part)
{
    std::size_t count = 0;
    for (const std::string& line : lines)
        count += line.find(part) != std::string::npos ? 1 : 0;
    return count;
}

}  // namespace

TEST(NetworkProbe, PrinterAnsweringTcpAndSnmpWithItsDeviceId)
{
    NetPrinter printer(kDeviceIdOption + L" --description \"Quorvex QX1000 Series\"");
    ASSERT_TRUE(printer.Started());
    const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), 3000);
    EXPECT_TRUE(t.result.resolved);
    EXPECT_EQ(L"127.0.0.1", t.result.ipAddress);
    EXPECT_TRUE(t.result.answered);
    EXPECT_TRUE(t.result.snmpAnswered);
    EXPECT_EQ(kDeviceId, Narrow(t.result.deviceId));
    EXPECT_FALSE(t.result.deviceIdIsDescription);
    EXPECT_EQ(0u, t.result.error);
    EXPECT_LT(t.ms, 1000u) << "a printer that answers everything is not waited for to the time-out";

    // The connection was opened and closed with nothing sent; each object
    // was asked for once.
    EXPECT_TRUE(printer.WaitForLog("tcp closed 1", 3000));
    EXPECT_EQ(1u, printer.LogLines("tcp closed 1 bytes=0").size());
    EXPECT_EQ(1u, printer.LogLines("tcp accepted").size());
    const std::vector<std::string> requests = printer.LogLines("snmp request");
    EXPECT_EQ(2u, requests.size());
    EXPECT_EQ(1u, Containing(requests, "version=0 community=public oids=1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1"));
    EXPECT_EQ(1u, Containing(requests, "version=0 community=public oids=1.3.6.1.2.1.25.3.2.1.3.1"));
    EXPECT_TRUE(printer.Stop());
    EXPECT_EQ("", printer.Received());
}

TEST(NetworkProbe, DescriptionWhenThePrinterHasNoDeviceId)
{
    NetPrinter printer(L"--description \"Quorvex QX2000 Series\"");
    ASSERT_TRUE(printer.Started());
    const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), 3000);
    EXPECT_TRUE(t.result.answered);
    EXPECT_TRUE(t.result.snmpAnswered);
    EXPECT_EQ(L"Quorvex QX2000 Series", t.result.deviceId);
    EXPECT_TRUE(t.result.deviceIdIsDescription);
    EXPECT_LT(t.ms, 1000u);
    // The device id was asked for, and refused as an object the agent lacks.
    ASSERT_TRUE(printer.WaitForLogLines("snmp reply", 2, 3000));
    const std::vector<std::string> replies = printer.LogLines("snmp reply");
    EXPECT_EQ(1u, Containing(replies, "noSuchName index=1"));
    EXPECT_EQ(1u, Containing(replies, " values"));
}

TEST(NetworkProbe, DeviceIdBytesThatAreNotTextAreShownAsQuestionMarks)
{
    // An escape sequence for a terminal and a line break for a log.
    NetPrinter printer(L"--device-id \"MFG:Quorvex;\\x1b[2J\\x0d\\x0aMDL:QX1000;\\xff\"");
    ASSERT_TRUE(printer.Started());
    const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), 3000);
    EXPECT_TRUE(t.result.snmpAnswered);
    EXPECT_EQ(L"MFG:Quorvex;?[2J  MDL:QX1000;?", t.result.deviceId);
}

TEST(NetworkProbe, PrinterWithoutSnmp)
{
    NetPrinter printer;
    ASSERT_TRUE(printer.Started());
    ASSERT_EQ(0, printer.UdpPort());
    const unsigned short closed = ClosedPort(SOCK_DGRAM);
    ASSERT_NE(0, closed);
    const unsigned timeout = 1500;
    const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), closed, timeout);
    EXPECT_TRUE(t.result.answered);
    EXPECT_FALSE(t.result.snmpAnswered);
    EXPECT_EQ(L"", t.result.deviceId);
    EXPECT_EQ(0u, t.result.error);
    EXPECT_LE(t.ms, timeout + 500);

    // No SNMP asked for at all.
    const Timed plain = Probe(L"127.0.0.1", printer.TcpPort(), 0, timeout);
    EXPECT_TRUE(plain.result.answered);
    EXPECT_FALSE(plain.result.snmpAnswered);
    EXPECT_LT(plain.ms, 500u) << "nothing to wait for once the connection is accepted";
}

TEST(NetworkProbe, SilentAgentIsAskedTwiceAndWaitedForToTheTimeOut)
{
    NetPrinter printer(L"--snmp-silent");
    ASSERT_TRUE(printer.Started());
    const unsigned timeout = 1200;
    const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), timeout);
    EXPECT_TRUE(t.result.answered);
    EXPECT_FALSE(t.result.snmpAnswered);
    EXPECT_EQ(0u, t.result.error);
    EXPECT_GE(t.ms + 50, timeout);
    EXPECT_LE(t.ms, timeout + 500);
    // One request per object and one retry of each, with the same ids.
    ASSERT_TRUE(printer.WaitForLogLines("snmp request", 4, 3000));
    const std::vector<std::string> requests = printer.LogLines("snmp request");
    ASSERT_EQ(4u, requests.size());
    EXPECT_EQ(requests[0], requests[2]);
    EXPECT_EQ(requests[1], requests[3]);
    EXPECT_NE(requests[0], requests[1]);
}

TEST(NetworkProbe, NothingListensOnThePort)
{
    const unsigned short tcp = ClosedPort(SOCK_STREAM), udp = ClosedPort(SOCK_DGRAM);
    ASSERT_NE(0, tcp);
    const Timed t = Probe(L"127.0.0.1", tcp, udp, 3000);
    EXPECT_TRUE(t.result.resolved);
    EXPECT_FALSE(t.result.answered);
    EXPECT_FALSE(t.result.snmpAnswered);
    EXPECT_EQ(static_cast<unsigned long>(WSAECONNREFUSED), t.result.error);
    EXPECT_LT(t.ms, 3000u) << "a refusal is not waited out";
}

TEST(NetworkProbe, HostNameIsResolved)
{
    NetPrinter printer(kDeviceIdOption);
    ASSERT_TRUE(printer.Started());
    const Timed t = Probe(L"localhost", printer.TcpPort(), printer.UdpPort(), 3000);
    EXPECT_TRUE(t.result.resolved);
    EXPECT_EQ(L"127.0.0.1", t.result.ipAddress);
    EXPECT_TRUE(t.result.answered);
    EXPECT_EQ(kDeviceId, Narrow(t.result.deviceId));
}

TEST(NetworkProbe, UnansweredConnectionEndsAtTheTimeOut)
{
    // The printer's queue of connections is full: the system drops further
    // requests without an answer, as for a printer that is off.
    NetPrinter printer(L"--tcp-backlog-full " + kDeviceIdOption);
    ASSERT_TRUE(printer.Started());
    const unsigned timeout = 1500;
    const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), timeout);
    EXPECT_TRUE(t.result.resolved);
    EXPECT_FALSE(t.result.answered);
    EXPECT_EQ(static_cast<unsigned long>(WSAETIMEDOUT), t.result.error);
    EXPECT_GE(t.ms + 50, timeout);
    EXPECT_LE(t.ms, timeout + 500);
}

TEST(NetworkProbe, RepliesThatAreNotTheAnswerAreIgnored)
{
    const unsigned timeout = 800;
    for (const wchar_t* fault : {L"garbled", L"other-id", L"other-community", L"other-port", L"other-address", L"v2c"}) {
        SCOPED_TRACE(Narrow(fault));
        {
            NetPrinter printer(kDeviceIdOption + L" --snmp-fault " + fault);
            ASSERT_TRUE(printer.Started());
            const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), timeout);
            EXPECT_TRUE(t.result.answered);
            EXPECT_FALSE(t.result.snmpAnswered);
            EXPECT_EQ(L"", t.result.deviceId);
            EXPECT_TRUE(printer.WaitForLog("snmp reply id=", 3000)) << "the printer sent its reply";
        }
        {
            // The same reply before the true one does not end the wait.
            NetPrinter printer(kDeviceIdOption + L" --snmp-fault " + fault + L" --and-answer");
            ASSERT_TRUE(printer.Started());
            const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), timeout);
            EXPECT_TRUE(t.result.snmpAnswered);
            EXPECT_EQ(kDeviceId, Narrow(t.result.deviceId));
        }
    }

    // An agent that answers with an error is an answer, without a value.
    NetPrinter printer(kDeviceIdOption + L" --snmp-fault error-status");
    ASSERT_TRUE(printer.Started());
    const Timed t = Probe(L"127.0.0.1", printer.TcpPort(), printer.UdpPort(), timeout);
    EXPECT_TRUE(t.result.snmpAnswered);
    EXPECT_EQ(L"", t.result.deviceId);
    EXPECT_LT(t.ms, timeout) << "both objects answered: nothing left to wait for";
}

TEST(NetworkProbe, WhatIsNoPrinterAddressIsRefusedBeforeAnythingIsSent)
{
    for (const wchar_t* host : {L"", L"my printer", L"010.0.0.1", L"1.2.3", L"fe80::1"}) {
        const Timed t = Probe(host, 9100, kSnmpAgentPort, 3000);
        EXPECT_FALSE(t.result.resolved) << Narrow(host);
        EXPECT_EQ(static_cast<unsigned long>(WSAEINVAL), t.result.error) << Narrow(host);
        EXPECT_LT(t.ms, 100u);
    }
    EXPECT_EQ(static_cast<unsigned long>(WSAEINVAL), Probe(L"127.0.0.1", 0, 0, 3000).result.error);
    EXPECT_EQ(static_cast<unsigned long>(WSAEINVAL), Probe(L"127.0.0.1", 65536, 0, 3000).result.error);
    for (const wchar_t* host : {L"0.0.0.0", L"255.255.255.255", L"224.0.0.1"}) {
        const Timed t = Probe(host, 9100, kSnmpAgentPort, 3000);
        EXPECT_FALSE(t.result.resolved) << Narrow(host);
        EXPECT_EQ(static_cast<unsigned long>(WSAEADDRNOTAVAIL), t.result.error) << Narrow(host);
    }
}
