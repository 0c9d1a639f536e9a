#include "install/SerialPorts.h"

#include <windows.h>
#include <winspool.h>

#include "install/PortTransceive.h"
#include "support/Registry.h"

namespace {

const wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The port's default configuration, in a buffer as large as its provider
// asks for (a serial port's is a bare COMMCONFIG; a modem's provider adds
// its own data behind it). Empty when there is none.
std::vector<BYTE> DefaultCommConfig(const std::wstring& comName)
{
    std::vector<BYTE> buffer(sizeof(COMMCONFIG), 0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        COMMCONFIG* config = reinterpret_cast<COMMCONFIG*>(buffer.data());
        config->dwSize = static_cast<DWORD>(buffer.size());
        DWORD size = static_cast<DWORD>(buffer.size());
        if (GetDefaultCommConfigW(comName.c_str(), config, &size))
            return buffer;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size())
            break;
        buffer.assign(size, 0);
    }
    return std::vector<BYTE>();
}

SerialLine LineOf(const DCB& dcb)
{
    SerialLine line;
    line.baudRate = dcb.BaudRate;
    line.byteSize = dcb.ByteSize;
    line.parity = dcb.Parity;
    line.stopBits = dcb.StopBits;
    line.outxCtsFlow = dcb.fOutxCtsFlow != 0;
    line.outxDsrFlow = dcb.fOutxDsrFlow != 0;
    line.dtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
    line.rtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
    line.outX = dcb.fOutX != 0;
    line.inX = dcb.fInX != 0;
    line.xonChar = dcb.XonChar;
    line.xoffChar = dcb.XoffChar;
    return line;
}

void ApplyLine(const SerialLine& line, DCB& dcb)
{
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = line.baudRate;
    // Windows supports nothing but binary transfers on a serial line.
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.ByteSize = line.byteSize;
    dcb.Parity = line.parity;
    dcb.StopBits = line.stopBits;
    dcb.fOutxCtsFlow = line.outxCtsFlow;
    dcb.fOutxDsrFlow = line.outxDsrFlow;
    dcb.fDtrControl = line.dtrControl;
    dcb.fRtsControl = line.rtsControl;
    dcb.fOutX = line.outX;
    dcb.fInX = line.inX;
    dcb.XonChar = line.xonChar;
    dcb.XoffChar = line.xoffChar;
}

}  // namespace

std::vector<std::wstring> ListSerialPorts()
{
    CRegistry registry(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!registry.OpenKey(kSerialCommKey, FALSE))
        return std::vector<std::wstring>();
    std::vector<std::wstring> values;
    for (const std::wstring& name : registry.ListValueNames(registry.GetKey())) {
        std::wstring value;
        if (registry.ReadString(name, value))
            values.push_back(value);
    }
    return SortedSerialPortNames(values);
}

bool SerialPortOpens(const std::wstring& comName, unsigned long& error)
{
    if (SerialPortNumber(comName) == 0) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    // Exclusive, as a serial port is always opened; no data is written.
    const UniqueFile port(CreateFileW((L"\\\\.\\" + comName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    if (!port) {
        error = GetLastError();
        return false;
    }
    error = ERROR_SUCCESS;
    return true;
}

// Through the local port monitor rather than SetDefaultCommConfigW in this
// process: it is the route of the system's own port configuration (the
// Ports tab's "Configure Port" sends this XcvData command for a COM port),
// so the settings are set where the monitor that opens the port for each
// job looks for them, by the spooler's own process (the spooler service;
// under Wine the spooler runs in ours). It also checks what the settings are
// for: the port must be one the spooler prints to ("COMn:" among its ports,
// else the OpenPrinter fails), and the change needs SERVER_ACCESS_ADMINISTER,
// as a setting that every user's printing shares should. The monitor calls
// SetDefaultCommConfigW itself: Wine's does; what Windows' does with the
// command is not documented.
bool ConfigureSerialPort(const std::wstring& comName, const SerialSettings& settings, unsigned long& error)
{
    if (SerialPortNumber(comName) == 0 || !IsSupportedBaudRate(settings.baud)) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    std::vector<BYTE> buffer = DefaultCommConfig(comName);
    if (buffer.empty()) {
        error = LastErrorOr(ERROR_FILE_NOT_FOUND);
        return false;
    }
    COMMCONFIG* config = reinterpret_cast<COMMCONFIG*>(buffer.data());
    ApplyLine(MakeSerialLine(settings), config->dcb);

    // The spooler knows a COM port as "COMn:".
    UniquePrinter xcv;
    DWORD status = ERROR_SUCCESS;
    if (!OpenTransceiver(L",XcvPort " + comName + L":", SERVER_ACCESS_ADMINISTER, xcv, status) ||
        !Transceive(xcv, L"SetDefaultCommConfig", buffer.data(), config->dwSize, nullptr, 0, status)) {
        error = status;
        return false;
    }
    error = ERROR_SUCCESS;
    return true;
}

bool ReadSerialPortSettings(const std::wstring& comName, SerialSettings& settings)
{
    if (SerialPortNumber(comName) == 0)
        return false;
    const std::vector<BYTE> buffer = DefaultCommConfig(comName);
    if (buffer.empty())
        return false;
    settings = ReadSerialLine(LineOf(reinterpret_cast<const COMMCONFIG*>(buffer.data())->dcb));
    return true;
}
