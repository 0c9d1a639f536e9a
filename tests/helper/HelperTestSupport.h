// Shared pieces of the helper's Windows tests: the placed helper program,
// registry scratch work, the service manager and the helper's log.
#ifndef QV_TESTS_HELPER_HELPERTESTSUPPORT_H
#define QV_TESTS_HELPER_HELPERTESTSUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

extern const wchar_t kServiceName[];
extern const wchar_t kClassKey[];
extern const wchar_t kClassGuid[];
// The nine hand-off values, in the order the helper deletes them.
extern const wchar_t* const kHandOffNames[9];

// The helper folder of this prefix: the common program files folder
// followed by "Services" (created when missing).
std::wstring HelperFolder();
// Copies the freshly built QPHelper.exe into the helper folder; returns its
// path there, or an empty text when the copy failed.
std::wstring PlaceHelper();
// The log beside the placed helper.
std::wstring HelperLogPath();

// The messages of the helper's log, in order, with the time stamps checked
// and removed; CR LF line ends become LF. An entry without the stamp format
// is returned as "<bad entry>...".
std::vector<std::string> ReadLogMessages(const std::wstring& path);

// Registry helpers below HKEY_LOCAL_MACHINE (wide, as the installer writes).
bool CreateKey(const std::wstring& path);
void DeleteTree(const std::wstring& path);
bool KeyExists(const std::wstring& path);
bool SetString(const std::wstring& path, const wchar_t* name, const std::wstring& text);
bool SetDword(const std::wstring& path, const wchar_t* name, DWORD value);
bool ValueExists(const std::wstring& path, const wchar_t* name);
// The text of a REG_SZ value; "<missing>" or "<type N>" otherwise.
std::wstring GetString(const std::wstring& path, const wchar_t* name);
// A REG_DWORD value; false when missing or of another type.
bool GetDword(const std::wstring& path, const wchar_t* name, DWORD& value);
// The names of the values a key holds.
std::vector<std::wstring> ValueNames(const std::wstring& path);

// Service manager helpers.
bool ServiceExists(const wchar_t* name);
// Stops and deletes a service of that name, if there is one, and waits
// until it is gone.
void RemoveServiceIfPresent(const wchar_t* name);
// The current state of a service, 0 when it cannot be queried.
DWORD ServiceState(const wchar_t* name);
// Waits up to `timeoutMs` until the service reports `state`.
bool WaitForServiceState(const wchar_t* name, DWORD state, DWORD timeoutMs);

// Runs a program with arguments and waits for it; returns its exit code, or
// -1 when it could not be started or did not end within 30 seconds.
int RunProgram(const std::wstring& program, const std::wstring& arguments);

std::string Narrow(const std::wstring& text);

#endif
