// Texts of the string table, in the user-interface language that the
// resource loader picks.
#ifndef QV_SUPPORT_RESSTRING_H
#define QV_SUPPORT_RESSTRING_H

#include <windows.h>

#include <string>

// Loads string `id` of `module` (the program when null) into `text`. When
// the entry does not exist, returns false and leaves `text` unchanged.
bool LoadResString(UINT id, std::wstring& text, HMODULE module = nullptr);

// The text of string `id`, or an empty text when there is none.
std::wstring ResString(UINT id, HMODULE module = nullptr);

// The bytes of resource `name` of type `type` in `module` (the program when
// null); false when it is missing or cannot be loaded. They stay valid as
// long as the module is loaded. Every reader of the programs' resources
// goes through here.
bool ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, const void*& data, DWORD& size);

// printf-style formatting of a wide text with one argument (the string
// table's "%s" and "%d" entries).
std::wstring FormatText(const std::wstring& format, const std::wstring& arg);
std::wstring FormatText(const std::wstring& format, long arg);

#endif
