#include "support/SystemLibrary.h"

#include <delayimp.h>

#include "support/DllNames.h"

namespace {

// Windows 8 and later; Vista and 7 with KB2533623. Not in every SDK.
const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryWFn)(LPCWSTR);

// System DLLs that Windows' own libraries load into a window program by a
// bare name, after start-up, and that are not known DLLs on every system we
// run on: the theme engine (loaded with the first window), the desktop
// window manager's interface, what the shell, the service manager and the
// security functions pull in when the installation runs, and the spooler's
// property-sheet library for the printer's settings. Loaded early
// from the system folder where nothing else restricts the search; a later
// load by name then finds the one already loaded. A name a system does not
// have is skipped.
const wchar_t* const kLoadedLaterByName[] = {
    L"uxtheme.dll", L"dwmapi.dll",  L"version.dll", L"userenv.dll", L"cryptbase.dll",
    L"propsys.dll", L"apphelp.dll", L"setupapi.dll", L"ntmarta.dll", L"oleacc.dll",
    L"compstui.dll",
};

template <typename F>
F KernelFunction(const char* name)
{
    return LookUpFunction<F>(GetModuleHandleW(L"kernel32.dll"), name);
}

// Delay-loaded DLLs (the print spooler's, see install/) come from the system
// folder too. Without this hook the delay-load helper would load them by name.
// A DLL that is not there ends the program the way the helper itself would
// (the exception of a missing delay-loaded module): the alternative, a load
// by name, is exactly what must not happen.
FARPROC WINAPI LoadDelayedFromSystemFolder(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr)
        return nullptr;
    wchar_t name[MAX_PATH] = {};
    HMODULE module = nullptr;
    if (MultiByteToWideChar(CP_ACP, 0, info->szDll, -1, name, MAX_PATH) > 0)
        module = LoadSystemLibrary(name);
    if (module == nullptr) {
        ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
        RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
    }
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// The delay-load helper's notification hook. MSVC's helper declares it
// const, MinGW-w64's does not; the object is the same.
extern "C" {
#if defined(_MSC_VER)
const PfnDliHook __pfnDliNotifyHook2 = LoadDelayedFromSystemFolder;
#else
PfnDliHook __pfnDliNotifyHook2 = LoadDelayedFromSystemFolder;
#endif
}

bool GetSystemFolder(wchar_t (&folder)[MAX_PATH])
{
    folder[0] = L'\0';
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        folder[0] = L'\0';
        return false;
    }
    // "C:\" would keep its backslash; the system folder is never a root.
    if (folder[length - 1] == L'\\')
        folder[length - 1] = L'\0';
    return true;
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    if (!IsBareDllName(name) || !GetSystemFolder(path))
        return nullptr;
    if (!AppendPathName(path, MAX_PATH, name))
        return nullptr;
    // With a full path, the altered search order looks for the DLL's own
    // imports in its folder (the system folder) instead of the program's.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadCommonControlsLibrary()
{
    // Activation contexts, and with them the side-by-side store, came with
    // Windows XP.
    if (KernelFunction<FARPROC>("ActivateActCtx") != nullptr)
        return LoadLibraryW(L"comctl32.dll");
    return LoadSystemLibrary(L"comctl32.dll");
}

DllSearchRestriction RestrictDllSearch()
{
    DllSearchRestriction restriction = DllSearchRestriction::CurrentFolderMoved;
    SetDefaultDllDirectoriesFn setDefault =
        KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(kSearchSystem32)) {
        restriction = DllSearchRestriction::SystemFolderOnly;
    } else {
        SetDllDirectoryWFn setDirectory = KernelFunction<SetDllDirectoryWFn>("SetDllDirectoryW");
        if (setDirectory != nullptr && setDirectory(L""))
            restriction = DllSearchRestriction::CurrentFolderRemoved;
    }

    wchar_t folder[MAX_PATH] = {};
    if (GetSystemFolder(folder))
        SetCurrentDirectoryW(folder);

    if (restriction != DllSearchRestriction::SystemFolderOnly) {
        for (const wchar_t* name : kLoadedLaterByName)
            LoadSystemLibrary(name);
    }
    return restriction;
}
