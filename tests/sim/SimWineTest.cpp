// The simulated machine under Wine: the virtual devices write and remove
// exactly the records Windows keeps, the stand-in printui.dll answers
// "rundll32.exe printui.dll,PrintUIEntry" as the installer starts it, and
// the stand-in Standard TCP/IP Port monitor keeps the rules of its interface
// and prints to no address off the machine.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "install/TcpIpPortCore.h"
#include "tests/common/BenchPorts.h"
#include "tests/common/WineMachine.h"

namespace {

const std::wstring kEnum = L"SYSTEM\\CurrentControlSet\\Enum\\";
const std::wstring kUsbPrintEnum = L"SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const std::wstring kPortClasses =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

std::wstring UsbPathOf(DWORD index)
{
    std::wstring path;
    wm::GetString(kUsbPrintEnum, std::to_wstring(index), path);
    return path;
}

class VirtualDevices : public ::testing::Test {
protected:
    void TearDown() override
    {
        wm::QvDevice(L"unplug-usb QuorvexQX10007A2B SN0001");
        wm::QvDevice(L"unplug-usb QuorvexQX20001234 SN0002");
        wm::QvDevice(L"unplug-lpt QuorvexQX10007A2B 1&2a3b4c&0&LPT1.4");
        wm::QvDevice(L"unplug-com COM7");
        wm::DeleteKeyTree(kUsbPrintEnum);
    }
};

TEST_F(VirtualDevices, UsbPlugWritesTheRecordsAndUnplugRemovesThem)
{
    ASSERT_EQ(0, wm::QvDevice(L"plug-usb QuorvexQX10007A2B 3 SN0001"));
    DWORD count = 0;
    ASSERT_TRUE(wm::GetDword(kUsbPrintEnum, L"Count", count));
    EXPECT_EQ(1u, count);
    const std::wstring usbPath = UsbPathOf(0);
    ASSERT_EQ(0u, usbPath.find(L"USB\\VID_2E1F&PID_")) << wm::Utf8(usbPath);
    ASSERT_EQ(usbPath.size() - 7, usbPath.rfind(L"\\SN0001"));

    std::wstring symbolic;
    ASSERT_TRUE(wm::GetString(kEnum + usbPath + L"\\Device Parameters", L"SymbolicName", symbolic));
    std::wstring reference = usbPath;
    std::replace(reference.begin(), reference.end(), L'\\', L'#');
    EXPECT_EQ(L"\\??\\" + reference + L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", symbolic);

    const std::wstring portParams = kPortClasses + L"\\##?#" + reference + L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Device Parameters";
    DWORD port = 0;
    ASSERT_TRUE(wm::GetDword(portParams, L"Port Number", port));
    EXPECT_EQ(3u, port);
    std::wstring description;
    EXPECT_TRUE(wm::GetString(portParams, L"Port Description", description));
    EXPECT_FALSE(description.empty());

    const std::wstring device = kEnum + L"USBPRINT\\QuorvexQX10007A2B\\SN0001";
    std::wstring text;
    DWORD type = 0;
    ASSERT_TRUE(wm::GetString(device, L"HardwareID", text, &type));
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
    EXPECT_EQ(0u, text.find(std::wstring(L"USBPRINT\\QuorvexQX10007A2B") + L'\0'));
    EXPECT_TRUE(wm::GetString(device, L"DeviceDesc", text));
    EXPECT_TRUE(wm::GetString(device, L"Mfg", text));
    EXPECT_TRUE(wm::GetString(device, L"ClassGUID", text));
    EXPECT_EQ(L"{4D36E979-E325-11CE-BFC1-08002BE10318}", text);

    // A second printer goes under "1"; unplugging the first moves it to "0".
    ASSERT_EQ(0, wm::QvDevice(L"plug-usb QuorvexQX20001234 4 SN0002"));
    ASSERT_TRUE(wm::GetDword(kUsbPrintEnum, L"Count", count));
    EXPECT_EQ(2u, count);
    const std::wstring second = UsbPathOf(1);
    ASSERT_EQ(0, wm::QvDevice(L"unplug-usb QuorvexQX10007A2B SN0001"));
    ASSERT_TRUE(wm::GetDword(kUsbPrintEnum, L"Count", count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(second, UsbPathOf(0));
    EXPECT_FALSE(wm::KeyExists(kEnum + usbPath));
    EXPECT_FALSE(wm::KeyExists(kEnum + L"USBPRINT\\QuorvexQX10007A2B"));
    EXPECT_FALSE(wm::KeyExists(kPortClasses + L"\\##?#" + reference + L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"));

    ASSERT_EQ(0, wm::QvDevice(L"unplug-usb QuorvexQX20001234 SN0002"));
    ASSERT_TRUE(wm::GetDword(kUsbPrintEnum, L"Count", count));
    EXPECT_EQ(0u, count);
}

TEST_F(VirtualDevices, UsbOptionsLeaveOutRecords)
{
    ASSERT_EQ(0, wm::QvDevice(L"plug-usb QuorvexQX10007A2B 2 SN0001 --symbolic \"\\??\\odd name\" --no-port-number"));
    const std::wstring usbPath = UsbPathOf(0);
    std::wstring symbolic;
    ASSERT_TRUE(wm::GetString(kEnum + usbPath + L"\\Device Parameters", L"SymbolicName", symbolic));
    EXPECT_EQ(L"\\??\\odd name", symbolic);
    std::wstring reference = usbPath;
    std::replace(reference.begin(), reference.end(), L'\\', L'#');
    DWORD port = 0;
    EXPECT_FALSE(wm::GetDword(kPortClasses + L"\\##?#" + reference + L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Device Parameters", L"Port Number", port));
    ASSERT_EQ(0, wm::QvDevice(L"unplug-usb QuorvexQX10007A2B SN0001"));

    ASSERT_EQ(0, wm::QvDevice(L"plug-usb QuorvexQX10007A2B 2 SN0001 --no-device-params"));
    EXPECT_TRUE(wm::KeyExists(kEnum + UsbPathOf(0)));
    EXPECT_FALSE(wm::KeyExists(kEnum + UsbPathOf(0) + L"\\Device Parameters"));
    EXPECT_EQ(2, wm::QvDevice(L"plug-usb QuorvexQX10007A2B notanumber SN0001"));
}

TEST_F(VirtualDevices, ParallelPlugAndUnplug)
{
    const std::wstring device = kEnum + L"LPTENUM\\QuorvexQX10007A2B\\1&2a3b4c&0&LPT1.4";
    ASSERT_EQ(0, wm::QvDevice(L"plug-lpt QuorvexQX10007A2B 1&2a3b4c&0&LPT1.4 --mfg Quorvex"));
    std::wstring text;
    ASSERT_TRUE(wm::GetString(device, L"Mfg", text));
    EXPECT_EQ(L"Quorvex", text);
    ASSERT_TRUE(wm::GetString(device, L"HardwareID", text));
    EXPECT_EQ(0u, text.find(std::wstring(L"LPTENUM\\QuorvexQX10007A2B") + L'\0'));
    ASSERT_EQ(0, wm::QvDevice(L"unplug-lpt QuorvexQX10007A2B 1&2a3b4c&0&LPT1.4"));
    EXPECT_FALSE(wm::KeyExists(kEnum + L"LPTENUM\\QuorvexQX10007A2B"));
}

// A value of HKEY_CURRENT_USER\Software\Wine\Printing\Spooler, empty when missing.
std::wstring WineSpoolerMapping(const wchar_t* port)
{
    wchar_t text[256] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Printing\\Spooler", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::wstring();
    RegQueryValueExW(key, port, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return text;
}

TEST_F(VirtualDevices, SerialPortPlugAndUnplug)
{
    const std::wstring serialComm = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
    const std::wstring ports = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
    ASSERT_EQ(0, wm::QvDevice(L"plug-com com7 /dev/null"));
    std::wstring text;
    ASSERT_TRUE(wm::GetString(serialComm, L"\\Device\\VirtualSerial7", text));
    EXPECT_EQ(L"COM7", text);
    ASSERT_TRUE(wm::GetString(ports, L"COM7:", text));
    EXPECT_EQ(L"9600,n,8,1", text);
    EXPECT_EQ(L"/dev/null", WineSpoolerMapping(L"COM7:"));
    // A port the spooler knows keeps its line.
    ASSERT_TRUE(wm::SetString(ports, L"COM7:", L"19200,n,8,1,x"));
    ASSERT_EQ(0, wm::QvDevice(L"plug-com COM7 /dev/null"));
    ASSERT_TRUE(wm::GetString(ports, L"COM7:", text));
    EXPECT_EQ(L"19200,n,8,1,x", text);

    ASSERT_EQ(0, wm::QvDevice(L"unplug-com COM7"));
    EXPECT_FALSE(wm::ValueExists(serialComm, L"\\Device\\VirtualSerial7"));
    EXPECT_EQ(L"", WineSpoolerMapping(L"COM7:"));
    EXPECT_TRUE(wm::ValueExists(ports, L"COM7:"));
    EXPECT_EQ(0, wm::QvDevice(L"unplug-com COM7"));

    EXPECT_EQ(2, wm::QvDevice(L"plug-com COM07 /dev/null"));
    EXPECT_EQ(2, wm::QvDevice(L"plug-com COM7 relative/name"));
    EXPECT_EQ(2, wm::QvDevice(L"unplug-com LPT1"));
}

// ---- the stand-in Standard TCP/IP Port monitor ------------------------------

class TcpMonitorStandIn : public ::testing::Test {
protected:
    void TearDown() override
    {
        wm::DeletePrinterNamed(kPrinter);
        wm::RemoveRawDriver(kDriver);
        wm::DeleteKeyTree(kPorts + L"\\IP_192.0.2.1");
    }

    // XcvData on ",XcvMonitor Standard TCP/IP Port" opened with `access`;
    // the monitor's status, or the spooler's error when it was not reached.
    static DWORD Command(ACCESS_MASK access, const wchar_t* command, void* input, DWORD size)
    {
        wm::Printer monitor(L",XcvMonitor Standard TCP/IP Port", access);
        if (!monitor.Get())
            return GetLastError();
        DWORD needed = 0, status = 0;
        if (!XcvDataW(monitor.Get(), command, static_cast<BYTE*>(input), size, nullptr, 0, &needed, &status))
            return GetLastError();
        return status;
    }

    const std::wstring kPorts = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
    const std::wstring kPrinter = L"Off the machine";
    const std::wstring kDriver = L"Quorvex Bench Raw";
};

TEST_F(TcpMonitorStandIn, KeepsTheInterfaceRulesAndPrintsOnlyToLoopback)
{
    TcpIpPortSettings settings;
    settings.host = settings.ipAddress = L"192.0.2.1";  // TEST-NET-1: reaches nothing
    tcpxcv::PortData1 data = MakeAddPortData(L"IP_192.0.2.1", settings);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Command(SERVER_ACCESS_ENUMERATE, L"AddPort", &data, sizeof(data)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA),
              Command(SERVER_ACCESS_ADMINISTER, L"AddPort", &data, sizeof(data) - 1));
    data.version = 2;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), Command(SERVER_ACCESS_ADMINISTER, L"AddPort", &data, sizeof(data)));
    data.version = 1;
    data.protocol = tcpxcv::kProtocolLpr;
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), Command(SERVER_ACCESS_ADMINISTER, L"AddPort", &data, sizeof(data)));
    EXPECT_FALSE(wm::KeyExists(kPorts + L"\\IP_192.0.2.1"));
    data.protocol = tcpxcv::kProtocolRawTcp;
    ASSERT_EQ(0u, Command(SERVER_ACCESS_ADMINISTER, L"AddPort", &data, sizeof(data)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS),
              Command(SERVER_ACCESS_ADMINISTER, L"AddPort", &data, sizeof(data)));
    DWORD number = 0;
    ASSERT_TRUE(wm::GetDword(kPorts + L"\\IP_192.0.2.1", L"PortNumber", number));
    EXPECT_EQ(9100u, number);

    // A job to the port goes nowhere: the monitor refuses to connect.
    ASSERT_TRUE(wm::RegisterRawDriver(kDriver));
    ASSERT_TRUE(wm::AddPrinterOnPort(kPrinter, L"IP_192.0.2.1", kDriver));
    DWORD error = 0;
    EXPECT_FALSE(wm::PrintRawJob(kPrinter, "not for the network", error));

    tcpxcv::DeletePortData1 remove = MakeDeletePortData(L"IP_192.0.2.1");
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Command(SERVER_ACCESS_ENUMERATE, L"DeletePort", &remove, sizeof(remove)));
    EXPECT_EQ(0u, Command(SERVER_ACCESS_ADMINISTER, L"DeletePort", &remove, sizeof(remove)));
    EXPECT_FALSE(wm::KeyExists(kPorts + L"\\IP_192.0.2.1"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_UNKNOWN_PORT),
              Command(SERVER_ACCESS_ADMINISTER, L"DeletePort", &remove, sizeof(remove)));
}

// ---- the stand-in printui.dll ---------------------------------------------

const std::wstring kPackage = L"C:\\qv sim pkg";
const std::wstring kCallLog = L"C:\\printui-calls.log";
const std::wstring kResultLog = L"C:\\printui-results.log";

std::string Utf16File(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

// Starts rundll32 the way the installer does and waits for it.
bool RunPrintUi(const std::wstring& parameters)
{
    return wm::ShellRunAndWait(L"rundll32.exe ", parameters);
}

class PrintUiStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryW(kPackage.c_str(), nullptr);
        CreateDirectoryW((kPackage + L"\\gpd").c_str(), nullptr);
        const std::wstring inf =
            L"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
            L"[Manufacturer]\r\n%QRVX%=QRVX,NTx86\r\n"
            L"[QRVX.NTx86]\r\n\"QRVX SIM1\" = SIM1_USB, USBPRINT\\QRVXSIM1C3D4\r\n"
            L"[SIM1_USB]\r\nCopyFiles=SIM1_FILES\r\nDataFile=SIM1U.gpd\r\n"
            L"[SIM1_FILES]\r\nSIM1U.gpd\r\nQUNI1.DLL\r\nNOTSHIPPED.DLL\r\n"
            L"[Strings]\r\nQRVX=\"Quorvex\"\r\n";
        ASSERT_TRUE(wm::WriteFileBytes(kPackage + L"\\SIM1.inf", Utf16File(inf)));
        ASSERT_TRUE(wm::WriteFileBytes(kPackage + L"\\gpd\\SIM1U.gpd", "*GPDFileVersion: \"1.0\"\r\n"));
        ASSERT_TRUE(wm::WriteFileBytes(kPackage + L"\\QUNI1.DLL", "plug-in"));
        ASSERT_TRUE(wm::WriteFileBytes(kPackage + L"\\unidrv.dll", "unidrv"));
        ASSERT_TRUE(wm::WriteFileBytes(kPackage + L"\\unidrvui.dll", "unidrvui"));
        DeleteFileW(kCallLog.c_str());
        DeleteFileW(kResultLog.c_str());
    }
    void TearDown() override
    {
        wm::DeletePrinterNamed(L"QRVX SIM1");
        wm::DeletePrinterNamed(L"QRVX SIM1 (Copy 1)");
        DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(L"QRVX SIM1"));
        wm::RemoveTree(kPackage);
        DeleteFileW(kCallLog.c_str());
        DeleteFileW(kResultLog.c_str());
    }
};

TEST_F(PrintUiStandIn, InstallsFromTheInfAndRecordsEveryCall)
{
    const std::wstring args = L"/z /if /b \"QRVX SIM1\" /f \"" + kPackage + L"\\SIM1.inf\" /r \"LPT1:\" /m \"QRVX SIM1\"";
    ASSERT_TRUE(RunPrintUi(L" printui.dll,PrintUIEntry " + args));
    std::vector<std::string> calls = wm::ReadLines(kCallLog);
    ASSERT_EQ(1u, calls.size()) << "rundll32 did not reach the stand-in";
    EXPECT_EQ(wm::Utf8(args), calls[0]);
    EXPECT_TRUE(wm::PrinterExists(L"QRVX SIM1"));

    // The driver got the GPD as its data file and the present plug-in.
    BYTE buffer[8192];
    DWORD needed = 0;
    HANDLE printer = nullptr;
    std::wstring name = L"QRVX SIM1";
    ASSERT_TRUE(OpenPrinterW(&name[0], &printer, nullptr));
    const BOOL got = GetPrinterDriverW(printer, nullptr, 3, buffer, sizeof(buffer), &needed);
    ClosePrinter(printer);
    ASSERT_TRUE(got);
    const DRIVER_INFO_3W* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer);
    const std::wstring dataFile = info->pDataFile;
    EXPECT_NE(std::wstring::npos, dataFile.find(L"SIM1U.gpd")) << wm::Utf8(dataFile);

    // The name is taken now: Windows' way is " (Copy 1)".
    ASSERT_TRUE(RunPrintUi(L" printui.dll,PrintUIEntry " + args));
    EXPECT_TRUE(wm::PrinterExists(L"QRVX SIM1 (Copy 1)"));
    EXPECT_EQ(2u, wm::ReadLines(kCallLog).size());

    ASSERT_TRUE(RunPrintUi(L" printui.dll,PrintUIEntry /k /n \"QRVX SIM1\""));
    calls = wm::ReadLines(kCallLog);
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ("/k /n \"QRVX SIM1\"", calls[2]);
    const std::vector<std::string> results = wm::ReadLines(kResultLog);
    ASSERT_EQ(3u, results.size());
    EXPECT_EQ(0u, results[2].find("k ok job ")) << results[2];
}

TEST_F(PrintUiStandIn, MissingModelOrInfCreatesNoPrinter)
{
    DWORD needed = 0, before = 0, after = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 1, nullptr, 0, &needed, &before);
    std::vector<BYTE> buffer(needed + 4);
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 1, buffer.data(), needed + 4, &needed, &before);

    ASSERT_TRUE(RunPrintUi(L" printui.dll,PrintUIEntry /if /b \"X\" /f \"" + kPackage + L"\\SIM1.inf\" /r \"LPT1:\" /m \"QRVX NOPE\""));
    ASSERT_TRUE(RunPrintUi(L" printui.dll,PrintUIEntry /if /b \"X\" /f \"" + kPackage + L"\\NONE.inf\" /r \"LPT1:\" /m \"QRVX SIM1\""));
    const std::vector<std::string> results = wm::ReadLines(kResultLog);
    ASSERT_EQ(2u, results.size());
    EXPECT_EQ(0u, results[0].find("if failed")) << results[0];
    EXPECT_EQ(0u, results[1].find("if failed")) << results[1];
    EXPECT_FALSE(wm::PrinterExists(L"X"));

    needed = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 1, nullptr, 0, &needed, &after);
    buffer.resize(needed + 4);
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 1, buffer.data(), needed + 4, &needed, &after);
    EXPECT_EQ(before, after);
}

} // namespace
