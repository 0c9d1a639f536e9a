// One installable printer model, as read from its INF file.
#ifndef QV_CONTEXT_PRINTERMODEL_H
#define QV_CONTEXT_PRINTERMODEL_H

#include <string>

// Ten UTF-16 texts (one code unit per wchar_t, whatever its size), empty
// unless set, and the connections the package declares besides the USB and
// parallel ids. Copying a record copies everything; nothing is shared.
struct PrinterModel {
    std::wstring manufacturer;
    std::wstring namePrefix;       // infBaseName up to its first digit
    std::wstring nameNumber;       // infBaseName from its first digit
    std::wstring infBaseName;      // upper-case INF file name without ".INF"
    std::wstring deviceDescription;
    std::wstring driverName;
    std::wstring displayName;
    std::wstring connectionType;   // "USB", "LPT", "NET" or "COM" once the connection page is left
    std::wstring lptIdSuffix;      // "FFFF" when the INF has no parallel id
    std::wstring usbIdSuffix;      // "FFFF" when the INF has no USB id
    bool networkConnection = false;  // a printer on the network (raw TCP)
    bool serialConnection = false;   // a printer on a serial (COM) port
};

#endif
