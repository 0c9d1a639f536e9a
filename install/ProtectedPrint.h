// Windows protected print mode (Windows 11 24H2 and later): where it is on,
// Windows takes only printers that its own class driver serves, and removes
// third-party drivers such as ours. An installation looks before it changes
// anything; it never changes the mode, which is an administrator's to set.
#ifndef QV_INSTALL_PROTECTEDPRINT_H
#define QV_INSTALL_PROTECTEDPRINT_H

#include <string>

#include "context/InstallContext.h"

// Whether the mode is on, by the policy value (WindowsProtectedPrintGroup-
// PolicyState under HKLM\Software\Policies\Microsoft\Windows NT\Printers\WPP)
// or, where the system offers it (build 26100 and later), by the system's
// own status (Windows.Graphics.Printing.ProtectedPrint.
// WindowsProtectedPrintInfo.IsProtectedPrintEnabled, looked up at run time so
// that older systems start). `why` says which, for the log.
bool ProtectedPrintModeOn(const InstallContext& context, std::wstring& why);

#endif
