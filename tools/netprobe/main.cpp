// netprobe: the installer's network printer probe from the command line,
// for a look at what a real printer on a real network answers before the
// installer is run against it (or when a customer's installation says the
// printer did not answer). Built like the installer (32-bit, static
// runtime, Windows 2000 and later), so what it shows is what the installer
// sees on that computer.
//   netprobe HOST[:PORT] [--snmp-port N] [--timeout MILLISECONDS]
// Exit code 0 when the printer accepted the connection, 1 when it did not,
// 87 for a wrong command line or address.
#include "support/Winsock.h"

#include <cwchar>
#include <string>

#include "install/NetworkAddress.h"
#include "install/NetworkProbe.h"
#include "install/Snmp.h"
#include "support/SystemLibrary.h"

namespace {

// UTF-8 to standard output, which may be a console or a file.
void Say(const std::wstring& text)
{
    const std::wstring line = text + L"\r\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0], size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool ReadNumber(const wchar_t* text, unsigned long highest, unsigned long& value)
{
    wchar_t* end = nullptr;
    value = std::wcstoul(text, &end, 10);
    return *text >= L'0' && *text <= L'9' && end && *end == L'\0' && value <= highest;
}

int Usage(const std::wstring& why)
{
    if (!why.empty())
        Say(why);
    Say(L"usage: netprobe HOST[:PORT] [--snmp-port N] [--timeout MILLISECONDS]");
    return 87;
}

std::wstring YesNo(bool yes)
{
    return yes ? L"yes" : L"no";
}

}  // namespace

int wmain(int argc, wchar_t* argv[])
{
    RestrictDllSearch();
    std::wstring address;
    unsigned long snmpPort = kSnmpAgentPort, timeout = 3000;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--snmp-port" && i + 1 < argc) {
            if (!ReadNumber(argv[++i], 65535, snmpPort))
                return Usage(L"The SNMP port must be a number from 0 (no SNMP) to 65535.");
        } else if (arg == L"--timeout" && i + 1 < argc) {
            if (!ReadNumber(argv[++i], 600000, timeout) || timeout == 0)
                return Usage(L"The time-out must be a number of milliseconds from 1 to 600000.");
        } else if (address.empty() && !arg.empty() && arg[0] != L'-') {
            address = arg;
        } else {
            return Usage(std::wstring());
        }
    }
    std::wstring host, why;
    unsigned port = 0;
    if (!ParseNetworkAddress(address, host, port, why))
        return Usage(why);

    const DWORD start = GetTickCount();
    const NetworkProbeResult result =
        ProbeNetworkPrinter(host, port, static_cast<unsigned short>(snmpPort), static_cast<unsigned>(timeout));
    const DWORD took = GetTickCount() - start;

    Say(L"printer: " + host + L" port " + std::to_wstring(port) + L", SNMP port " + std::to_wstring(snmpPort));
    Say(L"address: " + (result.resolved ? result.ipAddress : L"none") +
        (!result.resolved && !result.ipAddress.empty() ? L" (" + result.ipAddress + L", not a printer's)" : L""));
    Say(L"connection accepted: " + YesNo(result.answered));
    if (result.error != 0)
        Say(L"Winsock error: " + std::to_wstring(result.error));
    Say(L"SNMP answered: " + YesNo(result.snmpAnswered));
    if (!result.deviceId.empty()) {
        Say((result.deviceIdIsDescription ? L"description: " : L"device id: ") + result.deviceId);
        DeviceIdFields fields;
        if (!result.deviceIdIsDescription && ParseDeviceId(result.deviceId, fields)) {
            Say(L"  manufacturer: " + fields.manufacturer);
            Say(L"  model: " + fields.model);
            Say(L"  command set: " + fields.commandSet);
            Say(L"  class: " + fields.deviceClass);
            Say(L"  description: " + fields.description);
        }
    }
    Say(L"time: " + std::to_wstring(took) + L" ms");
    return result.answered ? 0 : 1;
}
