#include "install/DriverRecord.h"

DriverRecordTexts MakeDriverRecord(const std::wstring& driverDirectory,
                                   const std::wstring& environment,
                                   const std::wstring& infBaseName,
                                   const std::wstring& driverName,
                                   const std::wstring& connectionType,
                                   const std::wstring& namePrefix,
                                   const std::wstring& nameNumber)
{
    std::wstring dataName, sharedGpd;
    // A serial printer takes the parallel set, a stream without a device
    // of its own to ask; a network printer the USB set, like a printer that
    // answers on its link.
    if (connectionType == L"LPT" || connectionType == L"COM") {
        dataName = infBaseName + L".gpd";
        sharedGpd = L"Common6.gpd";
    } else if (connectionType == L"USB" || connectionType == L"NET") {
        dataName = infBaseName + L"U.gpd";
        sharedGpd = L"CommonU6.gpd";
    }

    DriverRecordTexts record;
    record.name = driverName;
    record.environment = environment;
    record.driverPath = driverDirectory + L"\\unidrv.DLL";
    record.dataFile = driverDirectory + L"\\" + dataName;
    record.configFile = driverDirectory + L"\\unidrvui.DLL";
    record.helpFile = driverDirectory + L"\\UNIDRV.HLP";
    record.defaultDataType = L"RAW";

    const std::wstring entries[] = {
        L"UNIRES.DLL",
        L"Stdnames.gpd",
        namePrefix + nameNumber + L".INI",
        L"QRES" + nameNumber + L".DLL",
        L"QUNI" + nameNumber + L".DLL",
        L"QUI" + nameNumber + L".DLL",
        sharedGpd,
    };
    for (const std::wstring& entry : entries) {
        // An empty entry would read as the end of the list.
        if (entry.empty())
            break;
        record.dependentFiles += entry;
        record.dependentFiles += L'\0';
    }
    record.dependentFiles += L'\0';
    return record;
}

std::vector<std::wstring> SplitMultiString(const std::wstring& list)
{
    std::vector<std::wstring> entries;
    std::wstring::size_type start = 0;
    while (start < list.size()) {
        const std::wstring::size_type end = list.find(L'\0', start);
        const std::wstring entry =
            list.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (entry.empty())
            break;
        entries.push_back(entry);
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return entries;
}
