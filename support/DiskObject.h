// Small file-system toolkit: existence tests, folder trees, copies, listings.
#ifndef QV_SUPPORT_DISKOBJECT_H
#define QV_SUPPORT_DISKOBJECT_H

#include <string>
#include <vector>

class CDiskObject {
public:
    bool FileExists(const std::wstring& file);
    bool DirectoryExists(const std::wstring& folder);
    bool CreateDirectoryTree(const std::wstring& folder);
    bool CopyFileTo(const std::wstring& source, const std::wstring& targetFolder,
                    const std::wstring& targetName);
    // Adds the names of the files in `folder` matching `pattern` to `list`,
    // in ordinal sorted position; mode 1 adds full paths.
    bool EnumerateFiles(const std::wstring& pattern, const std::wstring& folder,
                        std::vector<std::wstring>& list, int mode);

    // Why the last operation failed; empty after a success.
    const std::wstring& GetErrorMessage() const { return m_sError; }

private:
    void ClearError();
    void SetInternalError();
    void SetSystemError(unsigned long errorCode, const std::wstring& path);
    bool QualifyPath(std::wstring& path);
    bool QualifyDirectory(std::wstring& path);

    std::wstring m_sError;
};

#endif
