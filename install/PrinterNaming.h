// Printer names: a free name for the new printer, the printer an
// installation added, and the default-printer entry. Pure decisions.
#ifndef QV_INSTALL_PRINTERNAMING_H
#define QV_INSTALL_PRINTERNAMING_H

#include <string>
#include <vector>

// `format` with its first "%d" replaced by `number` (the string table's
// one-number texts); a format without "%d" is returned unchanged.
std::wstring FormatNumber(const std::wstring& format, long number);

// True when `a` and `b` are equal, ignoring the case of ASCII letters.
bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b);

// `displayName`, or `displayName` + `copySuffixFormat` formatted with the
// lowest counter from 1 up that no name of `existing` equals (ASCII case
// ignored). `copySuffixFormat` is string 504 of the current language,
// " (Copy %d)" in English.
std::wstring MakeUniquePrinterName(const std::wstring& displayName,
                                   const std::vector<std::wstring>& existing,
                                   const std::wstring& copySuffixFormat);

// The printer the installation added under the name it was given: found
// when `after` holds `printerName` exactly and `before` did not. A printer
// that merely holds the name (a look-alike model's, or one another program
// added meanwhile) is not ours. False, with `newName` untouched, when the
// name is not new.
bool FindNewPrinter(const std::vector<std::wstring>& before,
                    const std::vector<std::wstring>& after,
                    const std::wstring& printerName, std::wstring& newName);

// The "device" entry of the profile section "windows": "<name>,winspool,LPT1:"
// for "LPT", "<name>,winspool,<port>" for "USB", "NET" and "COM", empty for
// anything else and for a name with a comma.
std::wstring DefaultPrinterEntry(const std::wstring& printerName,
                                 const std::wstring& connectionType,
                                 const std::wstring& port);

#endif
