// The text of registry string data as it came back: up to its first NUL, or
// all of it when there is none (the data need not end in a terminator). A
// multi-string gives its first string. No Windows headers, so that it is
// tested natively.
#ifndef QV_SUPPORT_REGISTRYTEXT_H
#define QV_SUPPORT_REGISTRYTEXT_H

#include <cstddef>
#include <string>

// `count` characters of `data` (may be null when `count` is 0).
template <class Char>
std::basic_string<Char> TextFromRegistryData(const Char* data, std::size_t count)
{
    if (data == nullptr)
        return std::basic_string<Char>();
    std::size_t length = 0;
    while (length < count && data[length] != Char(0))
        ++length;
    return std::basic_string<Char>(data, length);
}

#endif
