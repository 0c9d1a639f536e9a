#include "catalog/PackageVouching.h"

#include "catalog/InfFields.h"
#include "support/PlainFile.h"
#include "support/Sha256.h"

bool LoadPackageDigests(HMODULE module, PackageDigestList& list)
{
    list = PackageDigestList();
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(kPackageDigestsResourceId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info)
        return false;
    HGLOBAL loaded = LoadResource(module, info);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const DWORD size = SizeofResource(module, info);
    // Present but unreadable: a list that vouches for nothing.
    if (data && !list.Parse(std::string(data, size)))
        list = PackageDigestList();
    return true;
}

bool ReadVouchedFile(const PackageDigestList& list, const std::wstring& folder, const std::wstring& path,
                     std::vector<char>& bytes)
{
    bytes.clear();
    const std::wstring::size_type slash = path.rfind(L'\\');
    if (slash != std::wstring::npos && !IsPlainFolder(folder + L"\\" + path.substr(0, slash)))
        return false;
    if (!ReadPlainFile(folder + L"\\" + path, bytes, kMaxPackageFileBytes))
        return false;
    if (list.Vouches(path, Sha256Hex(bytes.data(), bytes.size())))
        return true;
    bytes.clear();
    return false;
}

bool ModelFilesVouched(const PackageDigestList& list, const std::wstring& folder, const PrinterModel& model)
{
    const std::wstring inf = UpperCaseAscii(InfListPath(model.infBaseName));
    std::vector<char> bytes;
    for (const std::wstring& path : ModelPackagePaths(model)) {
        if (UpperCaseAscii(path) == inf)
            continue;
        if (!ReadVouchedFile(list, folder, path, bytes))
            return false;
    }
    return true;
}
