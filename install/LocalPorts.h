// Ports of the system's local port monitor ("Local Port"), which serves the
// serial and parallel ports. A serial adapter's COM port is not always in
// the spooler's list (the list is made when the system is set up, and an
// adapter plugged in later may not be added): the installer adds the port
// it needs, and removal deletes what it added.
#ifndef QV_INSTALL_LOCALPORTS_H
#define QV_INSTALL_LOCALPORTS_H

#include <windows.h>

#include <string>

// Whether the spooler lists port `name` ("COM5:"), letter case aside.
// False with the system's error when the list cannot be read.
bool SpoolerHasPort(const std::wstring& name, bool& listed, DWORD& error);

// Through the monitor's "AddPort" and "DeletePort" (XcvData on
// ",XcvMonitor Local Port", which needs the rights of an administrator).
bool AddLocalPort(const std::wstring& name, DWORD& error);
bool DeleteLocalPort(const std::wstring& name, DWORD& error);

#endif
