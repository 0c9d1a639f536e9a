// Reading a file that is no link: the package files the installer vouches
// for are read through no symbolic link, junction or other reparse point,
// so that what is checked is the file in the package folder itself.
#ifndef QV_SUPPORT_PLAINFILE_H
#define QV_SUPPORT_PLAINFILE_H

#include <string>
#include <vector>

// The whole file at `path` into `bytes`. False when it cannot be opened or
// read, is a folder or a reparse point of any kind, or is larger than
// `maxBytes`.
bool ReadPlainFile(const std::wstring& path, std::vector<char>& bytes, unsigned long maxBytes);

// True when `path` is a folder that is no reparse point (no junction, no
// symbolic link).
bool IsPlainFolder(const std::wstring& path);

#endif
