// Checks and composition of DLL file names for loading from the system
// folder. Pure text work in UTF-16 code units; no Windows header.
#ifndef QV_SUPPORT_DLLNAMES_H
#define QV_SUPPORT_DLLNAMES_H

#include <cstddef>

// The longest path the loading functions take, terminator included.
const std::size_t kMaxDllPath = 260;

// True when NAME is a file name and nothing else: not empty, not "." or "..",
// shorter than a path may be, and without a folder separator, a drive or
// stream colon, a wildcard or a control character. Only such a name may be
// put after the system folder.
bool IsBareDllName(const wchar_t* name);

// Appends "\" and NAME to the zero-terminated folder in BUFFER (of CAPACITY
// code units). False, with BUFFER unchanged, when the folder is empty or the
// result would not fit.
bool AppendPathName(wchar_t* buffer, std::size_t capacity, const wchar_t* name);

#endif
