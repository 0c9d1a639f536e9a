// Does a network printer answer, and what does it say it is? Asked before
// the installer creates a port for it: a TCP connection to its raw port
// (opened and closed, nothing sent, so nothing is printed) and, where the
// printer answers SNMP, its IEEE 1284 device id.
#ifndef QV_INSTALL_NETWORKPROBE_H
#define QV_INSTALL_NETWORKPROBE_H

#include <string>

struct NetworkProbeResult {
    bool resolved = false;       // the host name gave an IPv4 address (always true for an address)
    std::wstring ipAddress;      // dotted
    bool answered = false;       // a TCP connection to the port was accepted within the time-out
    bool snmpAnswered = false;   // a well-formed GetResponse came back
    std::wstring deviceId;       // the IEEE 1284 device id, when SNMP gave one (else the description fall-back, flagged)
    bool deviceIdIsDescription = false;
    unsigned long error = 0;     // the Winsock error of the step that failed, for the log
};

// The standard SNMP agent port.
const unsigned short kSnmpAgentPort = 161;

// Probes the printer at `host` (a dotted IPv4 address or a DNS host name as
// ParseNetworkAddress accepts them; anything else is refused with
// WSAEINVAL) and blocks until it knows, at most about `timeoutMs`
// milliseconds in all, the name look-up included.
//
// The TCP connection to `port` and the SNMP exchange on UDP `snmpPort` of
// the same address (0: no SNMP) run side by side. SNMP is version 1 with
// the community "public": one GetRequest for the device id of the Printer
// Port Monitor MIB and one for the Host Resources MIB's description, sent
// again once at most if no answer came by half the remaining time. Only
// datagrams from the printer's address and `snmpPort` are read, each as
// hostile until it proves to be the reply to one of our requests (see
// install/Snmp.h). The probe ends when the connection failed, or when it
// was accepted and SNMP is done (answered, refused by the printer, or out
// of time).
//
// `error` is WSAStartup's error, the name look-up's (WSAETIMEDOUT when the
// look-up ran out of time), WSAEADDRNOTAVAIL for an address no printer can
// have (see IsDeviceAddress; for a name, when none of its addresses is one),
// or the connection's (WSAETIMEDOUT when it was neither accepted nor refused
// in time); 0 when the printer answered. What happens with SNMP never sets
// it.
NetworkProbeResult ProbeNetworkPrinter(const std::wstring& host, unsigned port, unsigned short snmpPort,
                                       unsigned timeoutMs);

#endif
