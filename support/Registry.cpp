// The installer's registry layer: wide names and texts.
#include "support/RegistryImpl.h"

template <>
std::vector<std::wstring> BasicRegistry<wchar_t>::ListValueNames(HKEY key)
{
    std::vector<std::wstring> names;
    // A value name has at most 16383 characters.
    std::vector<wchar_t> name(16384);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length < name.size() ? length : name.size() - 1);
    }
    return names;
}

template class BasicRegistry<wchar_t>;
