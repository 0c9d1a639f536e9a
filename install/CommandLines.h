// The command lines handed to the system's printer-installation entry point
// ("rundll32.exe printui.dll,PrintUIEntry ..."). Pure text.
#ifndef QV_INSTALL_COMMANDLINES_H
#define QV_INSTALL_COMMANDLINES_H

#include <string>

// The program started for both commands (with its one trailing blank).
extern const wchar_t* const kPrintUiProgram; // "rundll32.exe "

// " printui.dll,PrintUIEntry /z /if /b "<displayName>" /f "<infPath>" /r "<port>" /m "<driverName>""
// The INF path is quoted so that a driver directory with a blank works.
// Empty when a value holds a '"' (none of ours can: see IsUsablePrinterName).
// `quiet` adds " /q": the entry point then shows no error message of its own.
std::wstring PrintUiInstallParameters(const std::wstring& displayName, const std::wstring& infPath,
                                      const std::wstring& port, const std::wstring& driverName,
                                      bool quiet = false);

// " printui.dll,PrintUIEntry /ia /f "<infPath>" /m "<driverName>"": the
// driver alone, from the INF file, no printer added. Empty for a value with
// '"'; `quiet` adds " /q".
std::wstring PrintUiDriverParameters(const std::wstring& infPath, const std::wstring& driverName, bool quiet = false);

// " printui.dll,PrintUIEntry /k /n "<printerName>""; empty for a name with '"'.
std::wstring PrintUiTestPageParameters(const std::wstring& printerName);

#endif
