#include "install/TcpIpPort.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "install/PortTransceive.h"
#include "install/PrinterNaming.h"
#include "install/SpoolerLists.h"

namespace {

bool OpenMonitor(UniquePrinter& monitor, DWORD& error)
{
    return OpenTransceiver(std::wstring(L",XcvMonitor ") + tcpxcv::kMonitorName, SERVER_ACCESS_ADMINISTER, monitor,
                           error);
}

}  // namespace

bool ReadTcpIpPort(const std::wstring& portName, TcpIpPortSettings& settings)
{
    // A comma would end the port's name in ",XcvPort <name>".
    if (portName.empty() || portName.size() >= tcpxcv::kMaxPortNameLen || portName.find(L',') != std::wstring::npos)
        return false;
    UniquePrinter xcv;
    DWORD error = ERROR_SUCCESS;
    if (!OpenTransceiver(L",XcvPort " + portName, 0, xcv, error))
        return false;
    tcpxcv::ConfigInfoData1 request = MakeConfigInfoData();
    tcpxcv::PortData1 answer = {};
    if (!Transceive(xcv, L"GetConfigInfo", &request, sizeof(request), &answer, sizeof(answer), error))
        return false;
    std::wstring answeredName;
    TcpIpPortSettings read;
    if (!ReadPortData(answer, answeredName, read) || !EqualsIgnoringAsciiCase(answeredName, portName))
        return false;
    settings = read;
    return true;
}

bool EnsureTcpIpPort(const TcpIpPortSettings& settings, std::wstring& portName, bool& created, unsigned long& error)
{
    created = false;
    if (!AreAcceptableTcpIpSettings(settings)) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    std::vector<std::wstring> ports;
    DWORD status = ERROR_SUCCESS;
    if (!ListPorts(ports, status)) {
        error = status;
        return false;
    }
    for (const std::wstring& port : ports) {
        TcpIpPortSettings existing;
        if (ReadTcpIpPort(port, existing) && ServesSameTcpIpTarget(existing, settings)) {
            portName = port;
            error = ERROR_SUCCESS;
            return true;
        }
    }
    const std::wstring name = MakeTcpIpPortName(settings.host, ports);
    UniquePrinter monitor;
    if (!OpenMonitor(monitor, status)) {
        error = status;
        return false;
    }
    tcpxcv::PortData1 data = MakeAddPortData(name, settings);
    if (!Transceive(monitor, L"AddPort", &data, sizeof(data), nullptr, 0, status)) {
        error = status;
        return false;
    }
    portName = name;
    created = true;
    error = ERROR_SUCCESS;
    return true;
}

bool DeleteTcpIpPort(const std::wstring& portName, unsigned long& error)
{
    TcpIpPortSettings settings;
    if (!ReadTcpIpPort(portName, settings)) {
        error = ERROR_UNKNOWN_PORT;
        return false;
    }
    std::vector<ListedPrinter> printers;
    DWORD status = ERROR_SUCCESS;
    if (!ListPrinters(PRINTER_ENUM_LOCAL, printers, status)) {
        error = status;
        return false;
    }
    for (const ListedPrinter& printer : printers)
        if (PrinterPortFieldNames(printer.port, portName)) {
            error = ERROR_BUSY;
            return false;
        }
    UniquePrinter monitor;
    if (!OpenMonitor(monitor, status)) {
        error = status;
        return false;
    }
    tcpxcv::DeletePortData1 data = MakeDeletePortData(portName);
    if (!Transceive(monitor, L"DeletePort", &data, sizeof(data), nullptr, 0, status)) {
        error = status;
        return false;
    }
    error = ERROR_SUCCESS;
    return true;
}
