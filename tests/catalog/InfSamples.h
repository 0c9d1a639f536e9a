// INF texts for the catalogue tests, shaped like the files of a package.
#ifndef QV_TESTS_CATALOG_INFSAMPLES_H
#define QV_TESTS_CATALOG_INFSAMPLES_H

#include "catalog/InfFields.h"

#include <string>

// A printer INF whose model lines carry the given hardware ids (an empty id
// leaves its line out) and whose SecurityID line holds `securityId`.
inline std::wstring SampleInf(const std::wstring& usbId, const std::wstring& lptId,
                              const std::wstring& securityId)
{
    std::wstring text =
        L"; Sample printer INF\r\n"
        L"[Version]\r\n"
        L"Signature=\"$Windows NT$\"\r\n"
        L"Class=Printer\r\n"
        L"SecurityID=" + securityId + L"\r\n"
        L"\r\n"
        L"[Models]\r\n";
    if (!usbId.empty())
        text += L"\"Model\" = Install, " + usbId + L"\r\n";
    if (!lptId.empty())
        text += L"\"Model\" = Install, " + lptId + L"\r\n";
    return text + L"\r\n[Strings]\r\n";
}

// The SecurityID the installer accepts for this number and USB suffix.
inline std::wstring SecurityIdFor(const std::wstring& nameNumber, const std::wstring& usbSuffix)
{
    std::wstring id;
    MakeSecurityId(ExpectedSecurityName(nameNumber, usbSuffix), id);
    return id;
}

#endif
