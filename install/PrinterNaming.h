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

// The printer the installation added: the last name of `after` that is not
// in `before` (exact comparison) and contains `displayName` (case-sensitive).
// False, with `newName` untouched, when there is none.
bool FindNewPrinter(const std::vector<std::wstring>& before,
                    const std::vector<std::wstring>& after,
                    const std::wstring& displayName, std::wstring& newName);

// The "device" entry of the profile section "windows": "<name>,winspool,LPT1:"
// for "LPT", "<name>,winspool,<port>" for "USB", empty for anything else
// and for a name with a comma.
std::wstring DefaultPrinterEntry(const std::wstring& printerName,
                                 const std::wstring& connectionType,
                                 const std::wstring& port);

#endif
