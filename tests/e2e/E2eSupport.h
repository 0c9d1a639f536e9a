// Shared set-up of the end-to-end tests: a driver package folder in the
// prefix with the program beside its INF files, and the expected texts.
#ifndef QV_TESTS_E2E_SUPPORT_H
#define QV_TESTS_E2E_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/E2eDriver.h"

namespace e2e {

// The UI language this run was started in (--lang=en|cn|tw).
enum class Lang { English, Simplified, Traditional };
Lang CurrentLang();
void ParseLangArgument(int argc, char** argv);
const char* LangTag();

// The expected text of string `id` in the current language.
std::wstring Text(UINT id);

// A scratch package folder: C:\qvpkg-<name>, emptied first, with
// QuorvexSetup.exe copied in.
std::wstring MakePackageFolder(const std::wstring& name);
// Copies files of the sample package (relative paths, e.g. L"QX1000.INF",
// L"gpd\\Common6.gpd") into `folder`, or the whole sample package when the
// list is empty.
bool CopySampleFiles(const std::wstring& folder, const std::vector<std::wstring>& files);
// Writes a signed ASCII INF file for a model: `usb`/`lpt` are the hardware-id
// suffixes, empty for none.
bool WriteModelInf(const std::wstring& folder, const std::wstring& fileName, const std::wstring& manufacturer,
                   const std::wstring& usb, const std::wstring& lpt);

std::wstring BuildPath(const std::wstring& relative);
std::wstring SourcePath(const std::wstring& relative);

// Takes a screenshot named "<lang>-<name>.bmp" in the output folder.
void Shot(const std::string& name);

}  // namespace e2e

#endif
