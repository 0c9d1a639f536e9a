// A stand-in browser for the link tests: writes its own command line (UTF-16)
// to the file named by QV_RECORD_FILE, then ends.
#include <windows.h>

int main() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"QV_RECORD_FILE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 2;
    const wchar_t* line = GetCommandLineW();
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
