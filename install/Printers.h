// The installer's dealings with the spooler's printer list: listing,
// creating (directly or through the system's printer-installation entry
// point), the default printer and the test page. Nothing here shows UI.
#ifndef QV_INSTALL_PRINTERS_H
#define QV_INSTALL_PRINTERS_H

// winspool.h turns SetDefaultPrinter into SetDefaultPrinterW; it is included
// here so that every user of this header sees the same name.
#include <windows.h>
#include <winspool.h>

#include <cstdint>
#include <string>
#include <vector>

#include "context/InstallContext.h"
#include "install/PrinterNaming.h"

// Fills `names` with the local printers and printer connections, in the
// spooler's order. On failure `names` is empty, `*errorCode` (when given) is
// the system's error code, and the result is false.
bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t* errorCode);

// AddPrinterW (level 2) of `printerName` on `port` with the driver
// `driverName`, "WinPrint" and "RAW". True when the spooler created the
// printer.
bool AddPrinterDirect(const std::wstring& printerName, const std::wstring& port, const std::wstring& driverName);

// Runs "rundll32.exe printui.dll,PrintUIEntry /z /if ..." on the staged INF
// file (<driver directory>\<infBaseName>.inf) for printer `printerName` (a
// name no printer has, so that the printer is found by it afterwards) on
// `port`, and waits for it to end, a bounded time, dispatching the window
// messages meanwhile. False when the command could not be started, did not
// end in time or ended with an error code. `driverDirectory` empty: the
// spooler's. `quiet`: the entry point shows no message of its own (its /q
// switch).
bool InstallPrinterWithPrintUI(const InstallContext& context, const std::wstring& printerName,
                               const std::wstring& port, const std::wstring& driverDirectory = std::wstring(),
                               bool quiet = false);

// Runs "rundll32.exe printui.dll,PrintUIEntry /ia ..." on the staged INF file
// for the model of `context`: its driver alone, no printer. False as for
// InstallPrinterWithPrintUI.
bool InstallDriverWithPrintUI(const InstallContext& context, const std::wstring& driverDirectory = std::wstring(),
                              bool quiet = false);

// A local printer on driver `driverName` and port `port`: its name in
// `printer`. False when there is none, or the printers cannot be listed.
bool FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port, std::wstring& printer);

// Writes the "device" entry of the profile section "windows"; false when
// there is no entry for the name or it could not be written.
bool SetDefaultPrinter(const std::wstring& printerName, const std::wstring& connectionType,
                       const std::wstring& port);

// Runs "rundll32.exe printui.dll,PrintUIEntry /k /n "<name>"" and waits.
void PrintTestPage(const std::wstring& printerName);

#endif
