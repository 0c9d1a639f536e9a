// Standard TCP/IP ports through the system's own monitor ("Standard TCP/IP
// Port", tcpmon.dll, on every Windows since 2000), spoken to with the
// spooler's transceive calls (OpenPrinter ",XcvMonitor ..."/",XcvPort ...",
// XcvData) as the system's Add Printer wizard and prnport.vbs do. The port's
// settings stay the monitor's business: they are read back through the
// monitor, never from where it happens to keep them.
#ifndef QV_INSTALL_TCPIPPORT_H
#define QV_INSTALL_TCPIPPORT_H

#include <string>

#include "install/TcpIpPortCore.h"

// The name Windows gives such a port: "IP_" + host, and when that name is
// taken by a port of another address or number, "IP_" + host + "_1", "_2",
// ... (see MakeTcpIpPortName).
// Finds a raw Standard TCP/IP port of the same host (or address) and port
// number, asking each port of the spooler's list for its configuration
// ("GetConfigInfo" on ",XcvPort <name>"), and reuses it (created=false);
// otherwise adds one through OpenPrinter(",XcvMonitor Standard TCP/IP Port",
// SERVER_ACCESS_ADMINISTER) and XcvData "AddPort" (PORT_DATA_1 version 1, raw
// protocol). Settings that are not acceptable (AreAcceptableTcpIpSettings)
// are refused with ERROR_INVALID_PARAMETER before anything is asked. `error`:
// a Win32 error code when false (the spooler's, or the monitor's status: a
// missing monitor fails the OpenPrinter).
bool EnsureTcpIpPort(const TcpIpPortSettings& settings, std::wstring& portName, bool& created, unsigned long& error);

// Reads a Standard TCP/IP port's configuration (false when there is no such
// port or it is not the TCP/IP monitor's: another monitor's port does not
// answer "GetConfigInfo" with a PORT_DATA_1 of its own name).
bool ReadTcpIpPort(const std::wstring& portName, TcpIpPortSettings& settings);

// XcvData "DeletePort" (DELETE_PORT_DATA_1) through the monitor. A port that
// is not the TCP/IP monitor's is refused with ERROR_UNKNOWN_PORT, and one that
// a printer still prints to with ERROR_BUSY, as Windows' spooler refuses it
// (Wine's would delete it under the printer).
bool DeleteTcpIpPort(const std::wstring& portName, unsigned long& error);

#endif
