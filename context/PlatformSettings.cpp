#include "context/PlatformSettings.h"

namespace {
const std::uint32_t kPlatformNt = 2;
const std::uint16_t kArchitectureIntel = 0;
const std::uint16_t kArchitectureIa64 = 6;
}

void ApplyPlatformFacts(const PlatformFacts& facts, InstallContext& context)
{
    context.osMajorVersion = 0;
    context.osMinorVersion = 0;
    // The 9x family and a failed query both count as version 0.0.
    if (facts.versionQueryOk && facts.platformId == kPlatformNt) {
        context.osMajorVersion = facts.majorVersion;
        context.osMinorVersion = facts.minorVersion;
    }
    context.isWow64 = facts.isWow64;
    context.is64BitProcess = facts.is64BitProcess;
    context.processorArchitecture.clear();
    if (context.Is64BitWindows()) {
        // A 32-bit process on x64 Windows sees the Intel value here; a
        // 64-bit one sees its own architecture.
        if (facts.processorArchitecture == kArchitectureIa64)
            context.processorArchitecture = L"IA64";
        else if (facts.processorArchitecture == kArchitectureIntel)
            context.processorArchitecture = L"INTEL64";
        else
            context.processorArchitecture = L"AMD64";
    }
}

void DeriveInstallSettings(InstallContext& context)
{
    if (context.Is64BitWindows()) {
        const std::wstring& arch = context.processorArchitecture;
        if (arch == L"AMD64" || arch == L"INTEL64")
            context.architectureDir = L"AMD64";
        else if (arch == L"IA64")
            context.architectureDir = L"IA64";
        else
            context.architectureDir = L"AMD64";
    } else {
        context.architectureDir = L"x86";
    }

    // The spooler calls of a 32-bit process name the 32-bit environment on
    // every platform; the 64-bit file set is chosen by architectureDir. A
    // 64-bit process names its own, as the spooler expects of it (this
    // 64-bit build is x86-64 code, so that is the x64 environment).
    context.environment = context.is64BitProcess ? L"Windows x64" : L"Windows NT x86";

    // The direct spooler path serves 32-bit Windows 2000, XP and 2003 (and
    // the 9x family, which the installation refuses before it matters).
    context.useLegacyInstall =
        !(context.Is64BitWindows() || static_cast<std::int32_t>(context.osMajorVersion) > 5);
}
