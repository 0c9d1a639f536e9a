#include "support/DllNames.h"

namespace {

std::size_t Length(const wchar_t* text)
{
    std::size_t length = 0;
    while (text[length] != L'\0')
        ++length;
    return length;
}

bool IsForbidden(wchar_t c)
{
    if (c < 0x20)
        return true;
    switch (c) {
    case L'\\': case L'/': case L':': case L'*': case L'?':
    case L'"': case L'<': case L'>': case L'|':
        return true;
    default:
        return false;
    }
}

}  // namespace

bool IsBareDllName(const wchar_t* name)
{
    if (name == nullptr || name[0] == L'\0')
        return false;
    const std::size_t length = Length(name);
    if (length >= kMaxDllPath)
        return false;
    // "." and ".." name folders; a name made only of dots and blanks is one
    // the file system would trim to nothing or to one of those.
    bool onlyDotsAndBlanks = true;
    for (std::size_t i = 0; i < length; ++i) {
        if (IsForbidden(name[i]))
            return false;
        if (name[i] != L'.' && name[i] != L' ')
            onlyDotsAndBlanks = false;
    }
    return !onlyDotsAndBlanks;
}

bool AppendPathName(wchar_t* buffer, std::size_t capacity, const wchar_t* name)
{
    if (buffer == nullptr || name == nullptr || capacity == 0)
        return false;
    const std::size_t folder = Length(buffer);
    const std::size_t added = Length(name);
    if (folder == 0 || folder + 1 + added + 1 > capacity)
        return false;
    buffer[folder] = L'\\';
    for (std::size_t i = 0; i <= added; ++i)
        buffer[folder + 1 + i] = name[i];
    return true;
}
