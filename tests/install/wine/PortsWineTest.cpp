// The network and serial ports against the prefix's spooler: Standard TCP/IP
// ports through the bench's monitor (sim/tcpmon), COM ports on the bench's
// pseudo-terminal (run-test.sh --serial), and a RAW job through each to the
// far end of its cable.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "install/Printers.h"
#include "install/SerialPorts.h"
#include "install/SpoolerLists.h"
#include "install/TcpIpPort.h"
#include "tests/common/BenchPorts.h"
#include "tests/common/WineMachine.h"

namespace {

const std::wstring kMonitorKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port";
const std::wstring kDriver = L"Quorvex Bench Raw";

TcpIpPortSettings Loopback(unsigned port, const std::wstring& host = L"127.0.0.1")
{
    TcpIpPortSettings settings;
    settings.host = host;
    settings.ipAddress = L"127.0.0.1";
    settings.portNumber = port;
    return settings;
}

std::vector<std::wstring> Ports()
{
    std::vector<std::wstring> ports;
    DWORD error = 0;
    EXPECT_TRUE(ListPorts(ports, error)) << "EnumPorts failed with " << error;
    return ports;
}

bool Listed(const std::wstring& port)
{
    const std::vector<std::wstring> ports = Ports();
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

// A job that no translation can pass unchanged: every byte value, line ends
// of both kinds, a NUL, the XON/XOFF characters, and more than one write.
std::string JobBytes(std::size_t size)
{
    std::string bytes = "\x1b%-12345X@PJL JOB\r\n\n\r\x11\x13";
    bytes.push_back('\0');
    for (std::size_t i = 0; bytes.size() < size; ++i)
        bytes.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
    return bytes;
}

class TcpIpPorts : public ::testing::Test {
protected:
    void SetUp() override { m_before = Ports(); }
    void TearDown() override
    {
        for (const std::wstring& printer : m_printers)
            wm::DeletePrinterNamed(printer);
        for (const std::wstring& port : Ports())
            if (std::find(m_before.begin(), m_before.end(), port) == m_before.end()) {
                unsigned long error = 0;
                DeleteTcpIpPort(port, error);
            }
        if (!m_driver.empty())
            wm::RemoveRawDriver(m_driver);
    }

    std::vector<std::wstring> m_before;
    std::vector<std::wstring> m_printers;
    std::wstring m_driver;
};

TEST_F(TcpIpPorts, AddsOnceReusesTheSameTargetAndNumbersTheNext)
{
    std::wstring name;
    bool created = false;
    unsigned long error = 12345;
    ASSERT_TRUE(EnsureTcpIpPort(Loopback(9100), name, created, error)) << "error " << error;
    EXPECT_TRUE(created);
    EXPECT_EQ(0u, error);
    EXPECT_EQ(L"IP_127.0.0.1", name);
    EXPECT_TRUE(Listed(name));

    TcpIpPortSettings read;
    ASSERT_TRUE(ReadTcpIpPort(name, read));
    EXPECT_EQ(L"127.0.0.1", read.host);
    EXPECT_EQ(L"127.0.0.1", read.ipAddress);
    EXPECT_EQ(9100u, read.portNumber);
    EXPECT_FALSE(read.snmpEnabled);
    EXPECT_TRUE(read.rawProtocol);

    // The same address and number again, also under a host name that
    // resolved to it: the port is reused, nothing is added.
    const std::size_t count = Ports().size();
    std::wstring again;
    ASSERT_TRUE(EnsureTcpIpPort(Loopback(9100), again, created, error));
    EXPECT_FALSE(created);
    EXPECT_EQ(name, again);
    ASSERT_TRUE(EnsureTcpIpPort(Loopback(9100, L"bench-printer.example"), again, created, error));
    EXPECT_FALSE(created);
    EXPECT_EQ(name, again);
    EXPECT_EQ(count, Ports().size());

    // The same host with another number is another printer: the name is
    // taken, so the new port is numbered.
    TcpIpPortSettings other = Loopback(9101);
    other.snmpEnabled = true;
    other.snmpCommunity = L"office";
    std::wstring second;
    ASSERT_TRUE(EnsureTcpIpPort(other, second, created, error)) << "error " << error;
    EXPECT_TRUE(created);
    EXPECT_EQ(L"IP_127.0.0.1_1", second);
    ASSERT_TRUE(ReadTcpIpPort(second, read));
    EXPECT_EQ(9101u, read.portNumber);
    EXPECT_TRUE(read.snmpEnabled);
    EXPECT_EQ(L"office", read.snmpCommunity);
    // The first port is what it was.
    ASSERT_TRUE(ReadTcpIpPort(name, read));
    EXPECT_EQ(9100u, read.portNumber);
}

TEST_F(TcpIpPorts, AnLprPortOfTheSameAddressIsNotReused)
{
    // Written where the monitor keeps its ports, as the system's dialog
    // makes an LPR port (the installer never makes one).
    const std::wstring lpr = kMonitorKey + L"\\Ports\\IP_127.0.0.1";
    ASSERT_TRUE(wm::SetString(lpr, L"HostName", L"127.0.0.1"));
    ASSERT_TRUE(wm::SetString(lpr, L"IPAddress", L"127.0.0.1"));
    ASSERT_TRUE(wm::SetDword(lpr, L"PortNumber", 9100));
    ASSERT_TRUE(wm::SetDword(lpr, L"Protocol", 2));
    TcpIpPortSettings read;
    ASSERT_TRUE(ReadTcpIpPort(L"IP_127.0.0.1", read));
    EXPECT_FALSE(read.rawProtocol);

    std::wstring name;
    bool created = false;
    unsigned long error = 0;
    ASSERT_TRUE(EnsureTcpIpPort(Loopback(9100), name, created, error)) << "error " << error;
    EXPECT_TRUE(created);
    EXPECT_EQ(L"IP_127.0.0.1_1", name);
    wm::DeleteKeyTree(lpr);
}

TEST_F(TcpIpPorts, OtherMonitorsPortsAreNotReadOrDeleted)
{
    TcpIpPortSettings read;
    EXPECT_FALSE(ReadTcpIpPort(L"LPT1:", read));
    EXPECT_FALSE(ReadTcpIpPort(L"FILE:", read));
    EXPECT_FALSE(ReadTcpIpPort(L"IP_no.such.port", read));
    EXPECT_FALSE(ReadTcpIpPort(L"IP_a,b", read));

    unsigned long error = 0;
    EXPECT_FALSE(DeleteTcpIpPort(L"LPT1:", error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_UNKNOWN_PORT), error);
    EXPECT_TRUE(Listed(L"LPT1:"));
    EXPECT_FALSE(DeleteTcpIpPort(L"IP_no.such.port", error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_UNKNOWN_PORT), error);
}

TEST_F(TcpIpPorts, DeleteRemovesThePortAndASecondDeleteIsRefused)
{
    std::wstring name;
    bool created = false;
    unsigned long error = 0;
    ASSERT_TRUE(EnsureTcpIpPort(Loopback(9102), name, created, error)) << "error " << error;
    ASSERT_TRUE(DeleteTcpIpPort(name, error)) << "error " << error;
    EXPECT_EQ(0u, error);
    EXPECT_FALSE(Listed(name));
    TcpIpPortSettings read;
    EXPECT_FALSE(ReadTcpIpPort(name, read));
    EXPECT_FALSE(DeleteTcpIpPort(name, error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_UNKNOWN_PORT), error);
}

TEST_F(TcpIpPorts, SettingsThatCouldBreakANameAreRefusedBeforeAnythingIsAdded)
{
    const std::size_t count = Ports().size();
    std::wstring name = L"untouched";
    bool created = true;
    unsigned long error = 0;
    for (const wchar_t* host : {L"", L"printer,LPT1:", L"a b", L"..\\x"}) {
        EXPECT_FALSE(EnsureTcpIpPort(Loopback(9100, host), name, created, error));
        EXPECT_EQ(static_cast<unsigned long>(ERROR_INVALID_PARAMETER), error);
        EXPECT_FALSE(created);
    }
    EXPECT_FALSE(EnsureTcpIpPort(Loopback(0), name, created, error));
    EXPECT_EQ(L"untouched", name);
    EXPECT_EQ(count, Ports().size());
}

TEST_F(TcpIpPorts, WithoutTheMonitorNothingIsAddedAndTheErrorIsPassedUp)
{
    // As on a Windows whose Standard TCP/IP Port monitor was removed.
    std::wstring driver;
    ASSERT_TRUE(wm::GetString(kMonitorKey, L"Driver", driver));
    wm::DeleteKeyTree(kMonitorKey);
    std::wstring name = L"untouched";
    bool created = true;
    unsigned long error = 0;
    const bool ok = EnsureTcpIpPort(Loopback(9100), name, created, error);
    ASSERT_TRUE(wm::SetString(kMonitorKey, L"Driver", driver));
    EXPECT_FALSE(ok);
    EXPECT_NE(0u, error);
    EXPECT_FALSE(created);
    EXPECT_EQ(L"untouched", name);
    EXPECT_FALSE(Listed(L"IP_127.0.0.1"));
}

TEST_F(TcpIpPorts, AJobOnThePortArrivesAtTheListenerAndThePortStaysWhileUsed)
{
    wm::LoopbackListener printer;
    ASSERT_NE(0u, printer.Port());
    std::wstring port;
    bool created = false;
    unsigned long error = 0;
    ASSERT_TRUE(EnsureTcpIpPort(Loopback(printer.Port()), port, created, error)) << "error " << error;

    m_driver = kDriver;
    ASSERT_TRUE(wm::RegisterRawDriver(m_driver));
    const std::wstring name = L"Quorvex network bench";
    m_printers.push_back(name);
    ASSERT_TRUE(AddPrinterDirect(name, port, m_driver));

    const std::string job = JobBytes(100000);
    DWORD printError = 0;
    ASSERT_TRUE(wm::PrintRawJob(name, job, printError)) << "error " << printError;
    const std::string received = printer.Received(job.size(), 15000);
    EXPECT_EQ(1, printer.Connections());
    ASSERT_EQ(job.size(), received.size());
    EXPECT_TRUE(job == received) << "the bytes differ";

    EXPECT_FALSE(DeleteTcpIpPort(port, error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_BUSY), error);
    EXPECT_TRUE(Listed(port));
    wm::DeletePrinterNamed(name);
    EXPECT_TRUE(DeleteTcpIpPort(port, error)) << "error " << error;
}

// ---- serial ports: the run gives the prefix QV_SERIAL_PORT.

class SerialPorts : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_port = wm::BenchSerialPort();
        ASSERT_FALSE(m_port.empty()) << "no serial port: run with run-test.sh --serial COMn";
    }
    void TearDown() override
    {
        if (!m_printer.empty())
            wm::DeletePrinterNamed(m_printer);
        if (!m_driver.empty())
            wm::RemoveRawDriver(m_driver);
    }

    std::wstring m_port, m_printer, m_driver;
};

TEST_F(SerialPorts, TheBenchPortIsListedInNumberOrder)
{
    const std::vector<std::wstring> ports = ListSerialPorts();
    EXPECT_NE(ports.end(), std::find(ports.begin(), ports.end(), m_port));
    for (std::size_t i = 1; i < ports.size(); ++i)
        EXPECT_LT(SerialPortNumber(ports[i - 1]), SerialPortNumber(ports[i]));
}

TEST_F(SerialPorts, ThePortOpensAndUnknownPortsDoNot)
{
    unsigned long error = 12345;
    EXPECT_TRUE(SerialPortOpens(m_port, error)) << "error " << error;
    EXPECT_EQ(0u, error);
    // Closed again: it opens a second time.
    EXPECT_TRUE(SerialPortOpens(m_port, error)) << "error " << error;

    EXPECT_FALSE(SerialPortOpens(L"COM250", error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND), error);
    EXPECT_FALSE(SerialPortOpens(m_port + L":", error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_INVALID_NAME), error);
    EXPECT_FALSE(SerialPortOpens(L"..\\..\\windows\\win.ini", error));
}

TEST_F(SerialPorts, SettingsAreSetThroughTheMonitorAndReadBack)
{
    const SerialSettings wanted[] = {{19200, FlowControl::Hardware}, {115200, FlowControl::XonXoff},
                                     {9600, FlowControl::None}};
    for (const SerialSettings& settings : wanted) {
        unsigned long error = 12345;
        ASSERT_TRUE(ConfigureSerialPort(m_port, settings, error)) << "error " << error;
        EXPECT_EQ(0u, error);
        SerialSettings read;
        read.baud = 1;
        ASSERT_TRUE(ReadSerialPortSettings(m_port, read));
        EXPECT_EQ(settings.baud, read.baud);
        EXPECT_EQ(settings.flow, read.flow);
    }
    unsigned long error = 0;
    EXPECT_FALSE(ConfigureSerialPort(m_port, {12345, FlowControl::None}, error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_INVALID_PARAMETER), error);
    EXPECT_FALSE(ConfigureSerialPort(L"LPT1", {9600, FlowControl::None}, error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_INVALID_PARAMETER), error);
    // A port the spooler does not know cannot be set up for printing.
    EXPECT_FALSE(ConfigureSerialPort(L"COM250", {9600, FlowControl::None}, error));
    EXPECT_NE(0u, error);
}

TEST_F(SerialPorts, AJobOnThePortArrivesAtItsOtherEnd)
{
    unsigned long error = 0;
    ASSERT_TRUE(ConfigureSerialPort(m_port, {115200, FlowControl::XonXoff}, error)) << "error " << error;
    m_driver = kDriver;
    ASSERT_TRUE(wm::RegisterRawDriver(m_driver));
    m_printer = L"Quorvex serial bench";
    ASSERT_TRUE(AddPrinterDirect(m_printer, m_port + L":", m_driver));

    const std::string job = JobBytes(40000);
    DWORD printError = 0;
    ASSERT_TRUE(wm::PrintRawJob(m_printer, job, printError)) << "error " << printError;
    const std::string received = wm::BenchSerialBytes(job.size(), 15000);
    ASSERT_EQ(job.size(), received.size());
    EXPECT_TRUE(job == received) << "the bytes differ";
}

}  // namespace
