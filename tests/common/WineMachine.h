// What the Windows tests read from, and prepare on, the machine they run on
// (a Wine prefix): processes, files, registry keys below HKEY_LOCAL_MACHINE
// and printers. Shared by the installation, simulation and end-to-end tests.
#ifndef QV_TESTS_COMMON_WINEMACHINE_H
#define QV_TESTS_COMMON_WINEMACHINE_H

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace wm {

// ---- environment and programs
// An environment variable, empty when unset.
std::wstring Env(const wchar_t* name);
// Runs `commandLine` and waits up to `timeoutMs` (a program still running
// then is ended); the exit code, or -1 when it cannot start or times out.
int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs = INFINITE);
// Starts `file` with `parameters` through the shell and waits for it to
// end; false when it cannot be started.
bool ShellRunAndWait(const std::wstring& file, const std::wstring& parameters);
// The virtual-device tool of the build (QV_BUILD_DIR\sim\qvdevice.exe) with
// `arguments`; its exit code.
int QvDevice(const std::wstring& arguments);

// ---- files
// Whole file as bytes; false (and empty) when it cannot be opened.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
// Whole file as bytes, empty when missing.
std::string ReadText(const std::wstring& path);
// A whole UTF-8 file as lines without their line ends; empty when missing.
std::vector<std::string> ReadLines(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string Utf8(const std::wstring& text);
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// Removes a folder with everything in it; a missing folder is fine.
void RemoveTree(const std::wstring& path);
// Zero when the file cannot be read.
FILETIME LastWriteTime(const std::wstring& path);
void SetLastWriteTime(const std::wstring& path, const FILETIME& time);

// ---- the host's file system
// Starts a program of Wine's host (a Linux path such as "/bin/ln") with
// `option` and `paths` (Windows paths without blanks, handed over as the
// host's names); false when it cannot be started. It is not waited for:
// Wine's handle of a host process does not tell its end, so callers wait
// for what the program does. What a held handle keeps Windows programs from
// doing (renaming a folder, making a name a link), a host program still can.
bool StartHostProgram(const std::wstring& program, const std::wstring& option, const std::vector<std::wstring>& paths);
// Whether the name is a reparse point. Wine reports a symbolic link of the
// host as one, which is what Windows reports for a junction.
bool IsReparsePoint(const std::wstring& path);

// ---- registry below HKEY_LOCAL_MACHINE
bool KeyExists(const std::wstring& path);
std::vector<std::wstring> SubKeys(const std::wstring& path);
std::vector<std::wstring> ValueNames(const std::wstring& path);
bool ValueExists(const std::wstring& path, const std::wstring& name);
// The value's text and type; false when it is missing or not a string. A
// multi-string keeps its NULs; any other string ends at its first NUL.
bool GetString(const std::wstring& path, const std::wstring& name, std::wstring& text, DWORD* type = nullptr);
bool GetDword(const std::wstring& path, const std::wstring& name, DWORD& value);
// The setters create the key when it is missing.
bool SetString(const std::wstring& path, const std::wstring& name, const std::wstring& text);
bool SetDword(const std::wstring& path, const std::wstring& name, DWORD value);
bool DeleteValue(const std::wstring& path, const std::wstring& name);
// Creates the key (and the keys above it) when missing.
bool CreateKey(const std::wstring& path);
void DeleteKeyTree(const std::wstring& path);

// ---- printers
// Owns one open printer; Get() is null when it could not be opened.
class Printer {
public:
    explicit Printer(const std::wstring& name, ACCESS_MASK access = 0);
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};
// Whether a printer of that name can be opened.
bool PrinterExists(const std::wstring& name);
// Deletes the printer if there is one of that name.
void DeletePrinterNamed(const std::wstring& name);
// Adds printer `name` on `port` with `driver`, "WinPrint" and "RAW", as a
// person would by hand; false when the spooler refuses it.
bool AddPrinterOnPort(const std::wstring& name, const std::wstring& port, const std::wstring& driver);

// ---- services
// Whether the service manager has a service of that name.
bool ServiceExists(const std::wstring& name);

}  // namespace wm

#endif
