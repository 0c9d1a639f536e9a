#include "tests/install/wine/WineTestSupport.h"

namespace wt {

bool IsWow64()
{
    typedef BOOL(WINAPI * Fn)(HANDLE, PBOOL);
    Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
    BOOL wow = FALSE;
    if (fn)
        fn(GetCurrentProcess(), &wow);
    return wow != FALSE;
}

DWORD OsMajorVersion()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return 0;
    return info.dwMajorVersion;
}

} // namespace wt
