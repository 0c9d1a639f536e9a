// The texts of the level-3 driver record that registers a model's driver
// with the spooler. Pure: the Win32 side only points the record at them.
#ifndef QV_INSTALL_DRIVERRECORD_H
#define QV_INSTALL_DRIVERRECORD_H

#include <string>
#include <vector>

struct DriverRecordTexts {
    std::wstring name;            // the model's driver name
    std::wstring environment;
    std::wstring driverPath;      // <dir>\unidrv.DLL
    std::wstring dataFile;        // <dir>\<base>.gpd or <dir>\<base>U.gpd
    std::wstring configFile;      // <dir>\unidrvui.DLL
    std::wstring helpFile;        // <dir>\UNIDRV.HLP
    // File names, each ended by a NUL, the whole ended by a second NUL.
    // Built at the length the names need, however long they are.
    std::wstring dependentFiles;
    std::wstring defaultDataType; // "RAW"
};

// The record for one model. `connectionType` "LPT" or "COM" picks the
// parallel GPD pair, "USB" or "NET" the USB pair; any other value leaves the data file name and
// the shared GPD empty (the list then ends after its sixth entry).
DriverRecordTexts MakeDriverRecord(const std::wstring& driverDirectory,
                                   const std::wstring& environment,
                                   const std::wstring& infBaseName,
                                   const std::wstring& driverName,
                                   const std::wstring& connectionType,
                                   const std::wstring& namePrefix,
                                   const std::wstring& nameNumber);

// The entries of a NUL-separated list ending in an empty entry.
std::vector<std::wstring> SplitMultiString(const std::wstring& list);

#endif
