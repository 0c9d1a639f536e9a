#include "support/PlainFile.h"

#include <windows.h>

#include "support/Handle.h"

bool ReadPlainFile(const std::wstring& path, std::vector<char>& bytes, unsigned long maxBytes)
{
    bytes.clear();
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself rather than what it
    // points to; the attributes then tell it apart and it is refused.
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.IsValid())
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nFileSizeHigh != 0 || info.nFileSizeLow > maxBytes)
        return false;
    bytes.resize(info.nFileSizeLow);
    DWORD done = 0;
    while (done < info.nFileSizeLow) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, info.nFileSizeLow - done, &got, nullptr) || got == 0) {
            bytes.clear();
            return false;
        }
        done += got;
    }
    // Grown since its size was asked: not the file that was measured.
    char extra = 0;
    DWORD more = 0;
    if (!ReadFile(file.Get(), &extra, 1, &more, nullptr) || more != 0) {
        bytes.clear();
        return false;
    }
    return true;
}

bool IsPlainFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

namespace {

bool WriteAll(HANDLE file, const char* data, DWORD size)
{
    DWORD done = 0;
    while (done < size) {
        DWORD wrote = 0;
        if (!WriteFile(file, data + done, size - done, &wrote, nullptr) || wrote == 0)
            return false;
        done += wrote;
    }
    return true;
}

}  // namespace

bool CreateFileWithData(const std::wstring& path, const char* data, DWORD size, SECURITY_ATTRIBUTES* security)
{
    bool written;
    {
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file.IsValid())
            return false;
        written = WriteAll(file.Get(), data, size) && FlushFileBuffers(file.Get());
    }
    if (!written)
        DeleteFileW(path.c_str());
    return written;
}

bool WriteFileThroughScratch(const std::wstring& path, const char* data, DWORD size, bool replace)
{
    const std::wstring scratch = path + L".qvnew";
    DeleteFileW(scratch.c_str());
    if (!CreateFileWithData(scratch, data, size))
        return false;
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExW(scratch.c_str(), path.c_str(), flags)) {
        DeleteFileW(scratch.c_str());
        return false;
    }
    return true;
}
