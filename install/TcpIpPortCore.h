// The decisions about a Standard TCP/IP port that need no Windows call: what
// a host, an address and a community may be, the name of a new port, whether
// an existing port serves the same printer, and the monitor's PORT_DATA_1.
#ifndef QV_INSTALL_TCPIPPORTCORE_H
#define QV_INSTALL_TCPIPPORTCORE_H

#include <string>
#include <vector>

#include "install/TcpXcv.h"

struct TcpIpPortSettings {
    std::wstring host;        // as the user typed it: IPv4 dotted address or host name
    std::wstring ipAddress;   // the resolved IPv4 address (dotted), may equal host
    unsigned portNumber = 9100;
    bool snmpEnabled = false; // on only when the printer answered SNMP
    std::wstring snmpCommunity = L"public";
    // Read back only: false for a port of the LPR protocol, which the
    // installer never makes and never reuses.
    bool rawProtocol = true;
};

// A host name (letters, digits, '-', '_' and dots, not starting with '-' or
// '.') or a dotted address, 1 to 48 characters: what fits the monitor's
// host field (MAX_NETWORKNAME_LEN) and can be part of a port name. Anything
// else (a comma, a backslash, a blank) would change what the spooler reads
// in ",XcvPort <name>" or "<name>, Port", so it is refused.
bool IsAcceptableTcpIpHost(const std::wstring& host);

// Four decimal numbers 0-255 separated by dots, without leading zeros (which
// inet_addr would read as octal).
bool IsDottedIpv4(const std::wstring& text);

// The whole set: an acceptable host, an address that is empty or dotted, a
// port number 1-65535, and with SNMP on a community of 1 to 32 printable
// ASCII characters.
bool AreAcceptableTcpIpSettings(const TcpIpPortSettings& settings);

// The name for a new port of `host`: "IP_" + host as Windows 2000 and XP's
// Add Standard TCP/IP Printer Port wizard and the documented examples of
// prnport.vbs ("-r IP_10.2.3.4") name it; when a port of that name exists
// (any monitor's, letter case ignored, as the spooler compares port names),
// "_1", "_2", ... is appended, as the wizard does for a name that is taken.
// (Vista and later suggest the bare address as the name; the installer keeps
// one rule on every Windows, so its ports are recognisable.)
std::wstring MakeTcpIpPortName(const std::wstring& host, const std::vector<std::wstring>& existingPorts);

// Whether an existing raw port (`existing`, as read back) sends to the same
// printer as `wanted`: the same port number, and the host or the address of
// one equal to the host or the address of the other (letter case ignored).
bool ServesSameTcpIpTarget(const TcpIpPortSettings& existing, const TcpIpPortSettings& wanted);

// Whether a printer's port field (PRINTER_INFO_2.pPortName: one port, or a
// pool of them separated by commas) names `port`, letter case ignored.
bool PrinterPortFieldNames(const std::wstring& field, const std::wstring& port);

// The "AddPort" data for a raw port named `portName` (both already checked:
// their texts fit the fields).
tcpxcv::PortData1 MakeAddPortData(const std::wstring& portName, const TcpIpPortSettings& settings);

// The settings and the port name in a PORT_DATA_1 that "GetConfigInfo"
// returned; false when it is not version 1. Texts end at their field's end
// even without a NUL.
bool ReadPortData(const tcpxcv::PortData1& data, std::wstring& portName, TcpIpPortSettings& settings);

// The "DeletePort" and "GetConfigInfo" inputs.
tcpxcv::DeletePortData1 MakeDeletePortData(const std::wstring& portName);
tcpxcv::ConfigInfoData1 MakeConfigInfoData();

// A fixed field of UTF-16 code units: written NUL-terminated and cut to fit,
// read up to the first NUL or the field's end.
void SetField(std::uint16_t* field, std::size_t capacity, const std::wstring& text);
std::wstring GetField(const std::uint16_t* field, std::size_t capacity);

#endif
