#include "support/ResString.h"

bool ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, const void*& data, DWORD& size)
{
    data = nullptr;
    size = 0;
    HRSRC info = FindResourceW(module, name, type);
    if (!info)
        return false;
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return false;
    data = bytes;
    size = SizeofResource(module, info);
    return true;
}

bool LoadResString(UINT id, std::wstring& text, HMODULE module)
{
    // Strings live in blocks of 16; the loader picks the language variant
    // that matches the user's interface language.
    const void* data = nullptr;
    DWORD size = 0;
    if (!ResourceBytes(module, MAKEINTRESOURCEW(6) /* RT_STRING */, MAKEINTRESOURCEW(id / 16 + 1), data, size))
        return false;
    const WCHAR* p = static_cast<const WCHAR*>(data);
    const WCHAR* end = p + size / sizeof(WCHAR);
    // Each entry is a length followed by that many characters, no terminator.
    for (UINT i = 0; i < id % 16; ++i) {
        if (p >= end)
            return false;
        p += 1 + *p;
    }
    if (p >= end || *p == 0 || p + 1 + *p > end)
        return false;
    text.assign(p + 1, p + 1 + *p);
    return true;
}

std::wstring ResString(UINT id, HMODULE module)
{
    std::wstring text;
    LoadResString(id, text, module);
    return text;
}

namespace {
// Replaces the first `placeholder` of `format` by `value`. The table's texts
// carry one placeholder each; no other conversion is interpreted.
std::wstring ReplaceFirst(const std::wstring& format, const wchar_t* placeholder,
                          const std::wstring& value)
{
    size_t pos = format.find(placeholder);
    if (pos == std::wstring::npos)
        return format;
    return format.substr(0, pos) + value + format.substr(pos + 2);
}
}

std::wstring FormatText(const std::wstring& format, const std::wstring& arg)
{
    return ReplaceFirst(format, L"%s", arg);
}

std::wstring FormatText(const std::wstring& format, long arg)
{
    return ReplaceFirst(format, L"%d", std::to_wstring(arg));
}
