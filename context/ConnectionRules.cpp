#include "context/ConnectionRules.h"

bool IsSuffixSupported(const std::wstring& suffix)
{
    if (suffix.empty())
        return false;
    std::wstring tail = suffix.size() > 4 ? suffix.substr(suffix.size() - 4) : suffix;
    for (wchar_t& c : tail)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return tail != L"FFFF";
}
