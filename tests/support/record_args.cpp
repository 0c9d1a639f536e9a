// A stand-in browser for the link tests: writes its own command line (UTF-16)
// to "record.txt" beside itself, then a line feed and the file name of the
// process that started it, then ends. The file is found by its place, not by
// an environment variable: a browser started by the desktop's shell has the
// shell's environment, not the test's.
#include <windows.h>
#include <tlhelp32.h>

namespace {

// The executable name of this process's parent, or an empty text.
void ParentName(wchar_t (&name)[MAX_PATH]) {
    name[0] = L'\0';
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    }
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && parent != 0;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == parent) {
            lstrcpynW(name, entry.szExeFile, MAX_PATH);
            break;
        }
    }
    CloseHandle(snapshot);
}

}  // namespace

int main() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 2;
    wchar_t* slash = path;
    for (wchar_t* p = path; *p != L'\0'; ++p) {
        if (*p == L'\\') slash = p + 1;
    }
    const wchar_t kName[] = L"record.txt";
    if (static_cast<size_t>(slash - path) + sizeof(kName) / sizeof(kName[0]) > MAX_PATH) return 2;
    lstrcpyW(slash, kName);
    const wchar_t* line = GetCommandLineW();
    wchar_t parent[MAX_PATH];
    ParentName(parent);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    WriteFile(file, parent, static_cast<DWORD>(lstrlenW(parent) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
