// What the program says about the product wherever it appears: in the
// system's list of programs, the wizard's link, the record of what was
// installed. Written once, read by the wizard, registration and removal.
#ifndef QV_CONTEXT_PRODUCTINFO_H
#define QV_CONTEXT_PRODUCTINFO_H

#include "context/Version.h"

namespace product {

constexpr wchar_t kName[] = L"Quorvex printer driver";
constexpr wchar_t kPublisher[] = L"Quorvex";
// The maker's web address that the welcome page links to.
constexpr wchar_t kWebAddress[] = L"https://www.quorvex.example/";
// The service hotline, as the wizard shows it in every language.
constexpr wchar_t kHotline[] = L"555-0199";
// The program's version, as its version resource carries it.
constexpr wchar_t kVersion[] = QV_VERSION_WTEXT;

// Below HKEY_LOCAL_MACHINE: the entry in the system's list of programs, and
// the record of what our runs installed. A 32-bit program on 64-bit Windows
// reaches both in the 32-bit view of the registry.
constexpr wchar_t kUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuorvexPrinterDriver";
constexpr wchar_t kRecordKey[] = L"SOFTWARE\\Quorvex\\Printer Driver";

// Our folder below Program Files, where the copy of the installer is kept
// for removal, and that copy's file name.
constexpr wchar_t kProgramFolderName[] = L"Quorvex Printer Driver";
constexpr wchar_t kInstallerFileName[] = L"QuorvexSetup.exe";

// The lock every run of the installer holds, in the Windows folder, and the
// name start of the folders the clean-up copy of a removal runs from.
constexpr wchar_t kRunLockFileName[] = L"QuorvexSetup.lock";
constexpr wchar_t kCleanupFolderPrefix[] = L"QuorvexSetup-cleanup-";

}  // namespace product

#endif
