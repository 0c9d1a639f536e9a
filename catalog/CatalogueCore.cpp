#include "catalog/CatalogueCore.h"

#include <utility>

void SortInfNames(std::vector<std::wstring>& names)
{
    for (std::wstring& name : names)
        name = UpperCaseAscii(name);
    // std::wstring compares by wchar_t; with a 4-byte wchar_t every unit is
    // still below 0x10000, so the order is that of the UTF-16 code units.
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            if (names[i] < names[j])
                std::swap(names[i], names[j]);
        }
    }
}

void SplitInfName(const std::wstring& upperName, std::wstring& infBaseName,
                  std::wstring& namePrefix, std::wstring& nameNumber)
{
    infBaseName = upperName.size() > 4 ? upperName.substr(0, upperName.size() - 4)
                                       : std::wstring();
    std::size_t digit = 0;
    while (digit < infBaseName.size() && !(infBaseName[digit] >= L'0' && infBaseName[digit] <= L'9'))
        ++digit;
    namePrefix = infBaseName.substr(0, digit);
    nameNumber = infBaseName.substr(digit);
}

bool IsUsablePrinterName(const std::wstring& name)
{
    if (name.empty())
        return false;
    for (wchar_t c : name) {
        if (c == L'"' || c == L',' || c == L'\\' || c < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

InfAssessment AssessInf(const std::wstring& upperName, const std::wstring& text)
{
    InfAssessment a;
    PrinterModel& m = a.model;
    SplitInfName(upperName, m.infBaseName, m.namePrefix, m.nameNumber);
    a.ids = ParseInfIds(text, m.infBaseName);
    m.manufacturer = a.ids.manufacturer;
    m.lptIdSuffix = a.ids.lptIdSuffix;
    m.usbIdSuffix = a.ids.usbIdSuffix;
    m.networkConnection = a.ids.network;
    m.serialConnection = a.ids.serial;
    m.displayName = m.manufacturer + L" " + m.namePrefix + m.nameNumber;
    m.deviceDescription = m.displayName;
    m.driverName = m.displayName;
    a.check = CheckSecurityId(a.ids.securityId, m.nameNumber, m.usbIdSuffix);
    // The INF's texts become the printer's name and go into an elevated
    // command line: a file whose name could not is left out, however
    // authentic (display and driver name are the same text).
    a.nameUsable = IsUsablePrinterName(m.displayName) && IsUsablePrinterName(m.driverName);
    a.accepted = a.check.accepted && a.nameUsable;
    return a;
}

ModelCatalogue CollectModels(std::vector<std::wstring> names, const InfTextSource& read,
                             const ModelFilesCheck& filesCheck)
{
    SortInfNames(names);
    ModelCatalogue catalogue;
    std::wstring text;
    for (const std::wstring& name : names) {
        text.clear();
        if (!read(name, text))
            continue;  // vanished or unreadable since the listing
        InfAssessment a = AssessInf(name, text);
        if (a.accepted && (!filesCheck || filesCheck(a.model)))
            catalogue.push_back(a.model);
    }
    return catalogue;
}
