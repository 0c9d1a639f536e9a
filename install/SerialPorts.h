// Serial (COM) ports for a printer on a serial cable: which ports the
// machine has, whether one can be opened, and the line settings the spooler
// uses when it prints to one.
#ifndef QV_INSTALL_SERIALPORTS_H
#define QV_INSTALL_SERIALPORTS_H

#include <string>
#include <vector>

#include "install/SerialPortsCore.h"

// "COM1", "COM2", ... from HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (where every
// serial port driver, built-in or a USB adapter's, enters the ports it
// serves), in natural number order, no duplicates, only names of the form
// COM<n>. Empty when the key is missing (no serial port) or unreadable.
std::vector<std::wstring> ListSerialPorts();

// CreateFile on \\.\COMn (the only form that reaches COM10 and above), no
// data sent, closed again. A name that is not COM<n>: ERROR_INVALID_NAME.
// A port another program holds: ERROR_ACCESS_DENIED; none of that number:
// ERROR_FILE_NOT_FOUND.
bool SerialPortOpens(const std::wstring& comName, unsigned long& error);

// The port's settings for printing, through the local port monitor:
// OpenPrinter(",XcvPort COMn:", SERVER_ACCESS_ADMINISTER) + XcvData
// "SetDefaultCommConfig" with the port's default COMMCONFIG changed to the
// settings (8 data bits, no parity, one stop bit). A baud rate that is not a
// CBR_ rate, or a name that is not COM<n>: ERROR_INVALID_PARAMETER.
bool ConfigureSerialPort(const std::wstring& comName, const SerialSettings& settings, unsigned long& error);

// GetDefaultCommConfigW: the baud rate and flow control the port's default
// configuration holds (for tests and the log). False when the port has none.
bool ReadSerialPortSettings(const std::wstring& comName, SerialSettings& settings);

#endif
