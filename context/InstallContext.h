// The one record of a run: the detected platform, the settings derived from
// it and the model being installed. The application owns it; pages and
// operations get a reference.
#ifndef QV_CONTEXT_INSTALLCONTEXT_H
#define QV_CONTEXT_INSTALLCONTEXT_H

#include <cstdint>
#include <string>

#include "context/ConnectionSettings.h"
#include "context/PrinterModel.h"

struct InstallContext {
    std::uint32_t osMajorVersion = 0;   // 0 on the 9x family or when the query fails
    std::uint32_t osMinorVersion = 0;
    bool isWow64 = false;
    bool is64BitProcess = false;        // a 64-bit build of the program (never under WOW64)
    std::wstring processorArchitecture; // "AMD64", "INTEL64", "IA64"; only on 64-bit Windows
    std::wstring environment;           // spooler environment of this process, "Windows NT x86" or "Windows x64"
    std::wstring architectureDir;       // "x86", "AMD64" or "IA64": which file set is staged
    bool useLegacyInstall = false;      // direct spooler path (32-bit Windows 2000/XP/2003)
    std::wstring classKeyDefaultValue;  // never assigned: always empty
    PrinterModel model;
    // The network or serial printer's address and settings, when
    // model.connectionType is "NET" or "COM".
    ConnectionSettings connection;

    std::uint32_t GetOsMajorVersion() const { return osMajorVersion; }
    std::uint32_t GetOsMinorVersion() const { return osMinorVersion; }
    bool IsWow64() const { return isWow64; }
    // 64-bit Windows, whichever build of the program runs on it.
    bool Is64BitWindows() const { return isWow64 || is64BitProcess; }
};

#endif
