// Small helpers shared by the Wine tests of the installation operations and
// of the simulated machine: processes, scratch folders, registry keys.
#ifndef QV_TESTS_INSTALL_WINETESTSUPPORT_H
#define QV_TESTS_INSTALL_WINETESTSUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

namespace wt {

// An environment variable, empty when unset.
std::wstring Env(const wchar_t* name);

// Runs `commandLine` and waits; the exit code, or -1 when it cannot start.
int Run(const std::wstring& commandLine);

// Runs the virtual-device tool of the build with `arguments`.
int QvDevice(const std::wstring& arguments);

// Whole file as bytes / as UTF-8 lines (no line ends); empty when missing.
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
std::vector<std::string> ReadLines(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string Utf8(const std::wstring& text);

bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// Removes a folder with everything in it; a missing folder is fine.
void RemoveTree(const std::wstring& path);
FILETIME LastWriteTime(const std::wstring& path);
void SetLastWriteTime(const std::wstring& path, const FILETIME& time);

// HKLM helpers.
bool KeyExists(const std::wstring& path);
void DeleteKeyTree(const std::wstring& path);
bool SetString(const std::wstring& path, const std::wstring& name, const std::wstring& text);
bool SetDword(const std::wstring& path, const std::wstring& name, DWORD value);
bool DeleteValue(const std::wstring& path, const std::wstring& name);
bool GetString(const std::wstring& path, const std::wstring& name, std::wstring& text, DWORD* type = nullptr);
bool GetDword(const std::wstring& path, const std::wstring& name, DWORD& value);
std::vector<std::wstring> SubKeys(const std::wstring& path);
std::vector<std::wstring> ValueNames(const std::wstring& path);

// The platform as the installer detects it.
bool IsWow64();
DWORD OsMajorVersion();

} // namespace wt

#endif
