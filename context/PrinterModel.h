// One installable printer model, as read from its INF file.
#ifndef QV_CONTEXT_PRINTERMODEL_H
#define QV_CONTEXT_PRINTERMODEL_H

#include <string>

// Ten UTF-16 texts (one code unit per wchar_t, whatever its size), empty
// unless set. Copying a record copies every text; nothing is shared.
struct PrinterModel {
    std::wstring manufacturer;
    std::wstring namePrefix;       // infBaseName up to its first digit
    std::wstring nameNumber;       // infBaseName from its first digit
    std::wstring infBaseName;      // upper-case INF file name without ".INF"
    std::wstring deviceDescription;
    std::wstring driverName;
    std::wstring displayName;
    std::wstring connectionType;   // "USB" or "LPT" once the connection page is left
    std::wstring lptIdSuffix;      // "FFFF" when the INF has no parallel id
    std::wstring usbIdSuffix;      // "FFFF" when the INF has no USB id
};

#endif
