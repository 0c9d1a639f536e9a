// The spooler's lists the installer and the removal read: the printers, the
// drivers of an environment and the ports. Each list is read whole or not at all: a
// failure is passed up with the system's error, never taken for an empty
// list, because the callers decide from these lists what they may delete.
#ifndef QV_INSTALL_SPOOLERLISTS_H
#define QV_INSTALL_SPOOLERLISTS_H

#include <windows.h>

#include <string>
#include <vector>

struct ListedPrinter {
    std::wstring name;
    std::wstring driver;
    std::wstring port;
};

struct ListedDriver {
    std::wstring name;
    DWORD version = 0;
    // Every file the spooler names for it, as it names them (full paths;
    // dependent files may be bare names of files in the driver's folder).
    std::vector<std::wstring> files;
};

// The printers `flags` asks for (PRINTER_ENUM_LOCAL, with
// PRINTER_ENUM_CONNECTIONS for the user's connections too), in the
// spooler's order. False with the system's error in `error`.
bool ListPrinters(DWORD flags, std::vector<ListedPrinter>& printers, DWORD& error);

// The drivers registered in `environment` ("Windows NT x86", "Windows x64").
bool ListDrivers(const std::wstring& environment, std::vector<ListedDriver>& drivers, DWORD& error);

// The names of every port the spooler knows, of every monitor, in its order.
bool ListPorts(std::vector<std::wstring>& ports, DWORD& error);

// Where Windows keeps driver `driverName`'s package (Vista and later: the INF
// in its driver store): empty `infPath` when the system keeps none (older
// systems do not know the list that says it). False only when the spooler
// could not answer.
bool DriverStoreInf(const std::wstring& environment, const std::wstring& driverName, std::wstring& infPath,
                    DWORD& error);

#endif
