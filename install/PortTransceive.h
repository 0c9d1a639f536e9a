// The spooler's transceive channel to a port monitor: OpenPrinter on
// ",XcvMonitor <monitor>" or ",XcvPort <port>", then XcvData commands that
// the monitor carries out. Both the TCP/IP ports and the COM ports are set
// up through it.
#ifndef QV_INSTALL_PORTTRANSCEIVE_H
#define QV_INSTALL_PORTTRANSCEIVE_H

#include <windows.h>

#include <string>

#include "support/Handle.h"

// The calling thread's last error, or `fallback` where a failed call left
// none (Wine's spooler does for some refusals): a failure never reads as
// success.
DWORD LastErrorOr(DWORD fallback);

// A transceive handle on `object`. `access` 0 asks for no particular right
// (reading a configuration); adding, deleting and configuring ports want
// SERVER_ACCESS_ADMINISTER. False with the spooler's error.
bool OpenTransceiver(const std::wstring& object, ACCESS_MASK access, UniquePrinter& handle, DWORD& error);

// One XcvData command. True when the monitor carried it out (its status 0);
// otherwise `error` is the monitor's status, or the spooler's error when the
// call did not reach the monitor.
bool Transceive(const UniquePrinter& handle, const wchar_t* command, void* input, DWORD inputSize, void* output,
                DWORD outputSize, DWORD& error);

#endif
