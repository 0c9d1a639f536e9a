// How the printer is reached when it is not on a USB or parallel cable: the
// values the connection page (or the command line) gives for a printer on
// the network or on a serial port.
#ifndef QV_CONTEXT_CONNECTIONSETTINGS_H
#define QV_CONTEXT_CONNECTIONSETTINGS_H

#include <string>

// The serial line's handshake. Receipt and label printers have small
// buffers and stop the sender by handshake; without it they lose data.
enum class FlowControl { None, XonXoff, Hardware };

struct ConnectionSettings {
    // Network: the printer's IPv4 address or host name as given, and the TCP
    // port that takes raw print data.
    std::wstring networkHost;
    unsigned networkPort = 9100;
    // Serial: the port ("COM3"), its speed and its handshake; always 8 data
    // bits, no parity, one stop bit.
    std::wstring serialPort;
    unsigned baud = 9600;
    FlowControl flow = FlowControl::Hardware;
};

// The speeds the connection page offers, lowest first; the command line
// takes any speed of the serial line (see install/SerialPortsCore.h).
extern const unsigned kSerialSpeeds[];
extern const unsigned kSerialSpeedCount;

#endif
