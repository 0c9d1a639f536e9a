// Where the programs load DLLs from.
//
// The installer runs with administrator rights from whatever folder the
// driver package was downloaded or unpacked to, and the helper runs as the
// local system. For a DLL that is not one of the system's known DLLs, the
// Windows loader looks in the program's own folder first (and, on older
// systems, in the current folder before the system folder): a DLL of that
// name placed there would run with those rights. So both programs restrict
// the search at entry, and every DLL they load that is not a known DLL comes
// from the system folder by its full path.
//
// Explicit wide-character calls only: the helper is built without UNICODE.
#ifndef QV_SUPPORT_SYSTEMLIBRARY_H
#define QV_SUPPORT_SYSTEMLIBRARY_H

#include <windows.h>

// Call first thing at entry, before anything loads a DLL. In order:
// - Windows 8 and later (and Vista/7 with update KB2533623): the search of
//   every later load in the process is restricted to the system folder
//   (SetDefaultDllDirectories, looked up at run time);
// - otherwise, where it exists (XP SP1 and later), the current folder is
//   taken out of the search (SetDllDirectoryW(L""));
// - the system folder becomes the current folder, which is all that covers
//   Windows 2000, and what the programs' child processes inherit;
// - the system DLLs that system libraries load later by a bare name (theme,
//   shell and security helpers; see the list in the source) are loaded now
//   from the system folder, so that a later load by name finds them loaded.
// Returns how the search was restricted, for tests and diagnostics.
enum class DllSearchRestriction {
    SystemFolderOnly,      // SetDefaultDllDirectories
    CurrentFolderRemoved,  // SetDllDirectoryW
    CurrentFolderMoved     // neither exists: only the current folder moved
};
DllSearchRestriction RestrictDllSearch();

// The system folder without a trailing backslash, written into a buffer of
// MAX_PATH characters; false (and an empty text) when the system cannot say.
// A 32-bit process under WOW64 gets "...\system32", which the system maps to
// its 32-bit system folder.
bool GetSystemFolder(wchar_t (&folder)[MAX_PATH]);

// Loads the DLL NAME (a bare file name) from the system folder by its full
// path; the DLLs it imports are looked for in that folder too. nullptr when
// the name is not a bare file name or the file is not there: nothing is ever
// searched for.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The function NAME of MODULE as a pointer of type F; nullptr when the module
// is null or has no such function (a function a system may lack).
template <typename F>
F LookUpFunction(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The common controls library. The program's manifest asks for version 6,
// which lives in the side-by-side store on Windows XP and later; there a
// load by name goes to that store, never to the program's folder. Windows
// 2000 has no side-by-side store: there the system folder's copy is loaded
// by its full path.
HMODULE LoadCommonControlsLibrary();

#endif
