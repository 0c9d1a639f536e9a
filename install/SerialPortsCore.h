// The decisions about serial (COM) ports that need no Windows call: which
// names are COM ports, in which order they are offered, and the line
// settings a printer's SerialSettings stand for.
#ifndef QV_INSTALL_SERIALPORTSCORE_H
#define QV_INSTALL_SERIALPORTSCORE_H

#include <cstdint>
#include <string>
#include <vector>

#include "context/ConnectionSettings.h"  // FlowControl

struct SerialSettings {
    unsigned baud = 9600;
    FlowControl flow = FlowControl::None;
    /* 8 data bits, no parity, 1 stop bit */
};

// The port number of "COM<n>" (letter case ignored, 1 to 4 digits, no
// leading zero), or 0 for any other text: "COM0", "COM3:", "\\.\COM3",
// " COM3" are not port names.
unsigned SerialPortNumber(const std::wstring& name);

// The COM ports among the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, as
// "COM<n>", each once, in the order of their numbers (COM2 before COM10).
std::vector<std::wstring> SortedSerialPortNames(const std::vector<std::wstring>& values);

// The baud rates the installer offers: the CBR_* rates of the DCB from 110
// to 256000.
bool IsSupportedBaudRate(unsigned baud);

// The members of a DCB that the settings decide, with the DCB's own values
// (winbase.h: DTR_CONTROL_*, RTS_CONTROL_*, NOPARITY, ONESTOPBIT), so the
// Win32 side copies them over one to one.
struct SerialLine {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;    // NOPARITY
    std::uint8_t stopBits = 0;  // ONESTOPBIT
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    std::uint8_t dtrControl = 1;  // DTR_CONTROL_ENABLE
    std::uint8_t rtsControl = 1;  // RTS_CONTROL_ENABLE
    bool outX = false;
    bool inX = false;
    char xonChar = 0x11;
    char xoffChar = 0x13;
};

const std::uint8_t kDtrControlHandshake = 2;  // DTR_CONTROL_HANDSHAKE
const std::uint8_t kRtsControlHandshake = 2;  // RTS_CONTROL_HANDSHAKE

// 8 data bits, no parity, one stop bit at `settings.baud`, and the flow
// control as BuildCommDCB sets it for the mode suffixes "x" (XON/XOFF: both
// directions, no line handshake) and "p" (hardware: CTS and DSR watched,
// RTS and DTR handshaking) and without a suffix (none, the lines held on).
SerialLine MakeSerialLine(const SerialSettings& settings);

// The settings a DCB holds: hardware flow when CTS is watched and RTS
// handshakes, else XON/XOFF when both directions use it, else none.
SerialSettings ReadSerialLine(const SerialLine& line);

#endif
