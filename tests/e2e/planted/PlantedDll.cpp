// A DLL that must never run inside the installer. The planting test puts
// copies of it, under the names of system DLLs, into the package folder
// beside QuorvexSetup.exe. Loaded, it leaves "<its own path>.loaded" beside
// itself, holding that path, and does nothing else.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH + 16] = {};
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    wchar_t marker[MAX_PATH + 16] = {};
    lstrcpyW(marker, path);
    lstrcatW(marker, L".loaded");
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, path, length * sizeof(wchar_t), &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
