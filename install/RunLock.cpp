#include "install/RunLock.h"

#include <vector>

#include "context/ProductInfo.h"
#include "install/FilePlan.h"
#include "support/Security.h"

std::wstring RunLockPath()
{
    // The system's Windows folder: on a terminal server, GetWindowsDirectory
    // gives a program that is not marked as aware of it a folder of the
    // user's own, which would be a lock of that user's alone.
    const UINT size = GetSystemWindowsDirectoryW(nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::vector<wchar_t> buffer(size + 1);
    const UINT length = GetSystemWindowsDirectoryW(buffer.data(), size + 1);
    if (length == 0 || length > size)
        return std::wstring();
    return JoinPath(std::wstring(buffer.data(), length), product::kRunLockFileName);
}

LockOutcome RunLock::Acquire()
{
    if (m_file.IsValid())
        return LockOutcome::Held;
    const std::wstring path = RunLockPath();
    if (path.empty()) {
        m_error = GetLastError();
        return LockOutcome::Unavailable;
    }
    // No sharing: a second run's open fails with a sharing violation for as
    // long as this one holds the file. A file left by a run that lost its
    // power is opened and goes when this run ends. Rights for the
    // administrators and the system only, should the file be left.
    AdminOnlySecurity security;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, security.Attributes(),
                                OPEN_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
    if (!file.IsValid()) {
        m_error = GetLastError();
        return m_error == ERROR_SHARING_VIOLATION ? LockOutcome::HeldByAnotherRun : LockOutcome::Unavailable;
    }
    // Only an administrator could have put something else at that name: a
    // link or a folder is not our lock.
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file.Get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        information.nNumberOfLinks != 1 || GetFileType(file.Get()) != FILE_TYPE_DISK) {
        m_error = ERROR_INVALID_HANDLE;
        return LockOutcome::Unavailable;
    }
    m_error = ERROR_SUCCESS;
    m_file = std::move(file);
    return LockOutcome::Held;
}
