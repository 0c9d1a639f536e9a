// What the installer derives from the platform it runs on. No Windows
// headers: the derivation is tested natively.
#ifndef QV_CONTEXT_PLATFORMSETTINGS_H
#define QV_CONTEXT_PLATFORMSETTINGS_H

#include <cstdint>
#include <string>

#include "context/InstallContext.h"

// The raw answers of the platform queries.
struct PlatformFacts {
    bool versionQueryOk = false;
    std::uint32_t platformId = 0;      // 2 = VER_PLATFORM_WIN32_NT
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    bool isWow64 = false;               // IsWow64Process said so (false when missing)
    bool is64BitProcess = false;        // the program itself is a 64-bit build
    std::uint16_t processorArchitecture = 0;  // wProcessorArchitecture of GetSystemInfo
};

// Fills osMajorVersion, osMinorVersion, isWow64, is64BitProcess and
// processorArchitecture.
void ApplyPlatformFacts(const PlatformFacts& facts, InstallContext& context);

// Fills architectureDir, environment and useLegacyInstall from the fields
// ApplyPlatformFacts set.
void DeriveInstallSettings(InstallContext& context);

#endif
