// Reading a file that is no link: the package files the installer vouches
// for are read through no symbolic link, junction or other reparse point,
// so that what is checked is the file in the package folder itself. And
// writing a file so that it is never half written under its real name.
#ifndef QV_SUPPORT_PLAINFILE_H
#define QV_SUPPORT_PLAINFILE_H

#include <windows.h>

#include <string>
#include <vector>

// The whole file at `path` into `bytes`. False when it cannot be opened or
// read, is a folder or a reparse point of any kind, or is larger than
// `maxBytes`.
bool ReadPlainFile(const std::wstring& path, std::vector<char>& bytes, unsigned long maxBytes);

// True when `path` is a folder that is no reparse point (no junction, no
// symbolic link).
bool IsPlainFolder(const std::wstring& path);

// Writes `data` as a new file at `path` (fail-if-exists), on the disk
// before it returns, with the rights of `security` (null: those the folder
// passes on); a file that could not be written whole is removed again.
bool CreateFileWithData(const std::wstring& path, const char* data, DWORD size,
                        SECURITY_ATTRIBUTES* security = nullptr);

// Puts `data` at `path`. The bytes go to a scratch file beside it first and
// take the real name only once they are all on the disk, so that no file is
// ever half written under its real name: not after a failed write (a full
// disk, a file the spooler holds open), nor after the program was ended or
// the power went in the middle. `replace`: whether a file already at `path`
// gives way; without it an existing file makes this fail.
bool WriteFileThroughScratch(const std::wstring& path, const char* data, DWORD size, bool replace);

#endif
