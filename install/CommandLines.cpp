#include "install/CommandLines.h"

const wchar_t* const kPrintUiProgram = L"rundll32.exe ";

namespace {
std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}
}

std::wstring PrintUiInstallParameters(const std::wstring& displayName, const std::wstring& infPath,
                                      const std::wstring& port, const std::wstring& driverName)
{
    return L" printui.dll,PrintUIEntry /z /if /b " + Quoted(displayName) + L" /f " +
           Quoted(infPath) + L" /r " + Quoted(port) + L" /m " + Quoted(driverName);
}

std::wstring PrintUiTestPageParameters(const std::wstring& printerName)
{
    return L" printui.dll,PrintUIEntry /k /n " + Quoted(printerName);
}
