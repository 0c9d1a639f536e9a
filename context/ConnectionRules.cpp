#include "context/ConnectionRules.h"

bool IsSuffixSupported(const std::wstring& suffix)
{
    if (suffix.empty())
        return false;
    std::wstring tail = suffix.size() > 4 ? suffix.substr(suffix.size() - 4) : suffix;
    for (wchar_t& c : tail)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return tail != L"FFFF";
}

bool OffersConnection(const PrinterModel& model, const std::wstring& type)
{
    if (type == L"USB")
        return IsSuffixSupported(model.usbIdSuffix);
    if (type == L"LPT")
        return IsSuffixSupported(model.lptIdSuffix);
    if (type == L"NET")
        return model.networkConnection;
    if (type == L"COM")
        return model.serialConnection;
    return false;
}
