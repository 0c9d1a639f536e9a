#include "install/CommandLines.h"

const wchar_t* const kPrintUiProgram = L"rundll32.exe ";

namespace {
std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

// A '"' inside a value would end its quotes early and turn the rest into
// switches of an elevated command.
bool Quotable(const std::wstring& text)
{
    return text.find(L'"') == std::wstring::npos;
}
}

std::wstring PrintUiInstallParameters(const std::wstring& displayName, const std::wstring& infPath,
                                      const std::wstring& port, const std::wstring& driverName, bool quiet)
{
    if (!Quotable(displayName) || !Quotable(infPath) || !Quotable(port) || !Quotable(driverName))
        return std::wstring();
    return L" printui.dll,PrintUIEntry /z /if /b " + Quoted(displayName) + L" /f " +
           Quoted(infPath) + L" /r " + Quoted(port) + L" /m " + Quoted(driverName) + (quiet ? L" /q" : L"");
}

std::wstring PrintUiDriverParameters(const std::wstring& infPath, const std::wstring& driverName, bool quiet)
{
    if (!Quotable(infPath) || !Quotable(driverName))
        return std::wstring();
    return L" printui.dll,PrintUIEntry /ia /f " + Quoted(infPath) + L" /m " + Quoted(driverName) + (quiet ? L" /q" : L"");
}

std::wstring PrintUiTestPageParameters(const std::wstring& printerName)
{
    if (!Quotable(printerName))
        return std::wstring();
    return L" printui.dll,PrintUIEntry /k /n " + Quoted(printerName);
}
