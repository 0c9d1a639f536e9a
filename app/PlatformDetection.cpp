#include "app/PlatformDetection.h"

#include <windows.h>

namespace {
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
}

PlatformFacts QueryPlatformFacts()
{
    PlatformFacts facts;

    OSVERSIONINFOW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);  // 276 bytes
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (GetVersionExW(&version)) {
        facts.versionQueryOk = true;
        facts.platformId = version.dwPlatformId;
        facts.majorVersion = version.dwMajorVersion;
        facts.minorVersion = version.dwMinorVersion;
    }

    // Older systems have no IsWow64Process: they are not WOW64.
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    IsWow64ProcessFn isWow64Process = kernel
        ? reinterpret_cast<IsWow64ProcessFn>(
              reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
        : nullptr;
    if (isWow64Process) {
        BOOL wow64 = FALSE;
        isWow64Process(GetCurrentProcess(), &wow64);
        facts.isWow64 = wow64 != FALSE;
    }

    // A 64-bit build knows it from its own pointer size; IsWow64Process
    // answers FALSE for it.
    facts.is64BitProcess = sizeof(void*) == 8;

    if (facts.isWow64 || facts.is64BitProcess) {
        SYSTEM_INFO info;
        ZeroMemory(&info, sizeof(info));
        GetSystemInfo(&info);
        facts.processorArchitecture = info.wProcessorArchitecture;
    }
    return facts;
}

void DetectPlatform(InstallContext& context)
{
    ApplyPlatformFacts(QueryPlatformFacts(), context);
}

void InitialisePlatformContext(InstallContext& context)
{
    DetectPlatform(context);
    DeriveInstallSettings(context);
}
