#include "catalog/PackageVouching.h"

#include "catalog/InfFields.h"
#include "support/PlainFile.h"
#include "support/ResString.h"
#include "support/Sha256.h"

bool LoadPackageDigests(HMODULE module, PackageDigestList& list)
{
    list = PackageDigestList();
    const void* data = nullptr;
    DWORD size = 0;
    if (!ResourceBytes(module, MAKEINTRESOURCEW(10) /* RT_RCDATA */, MAKEINTRESOURCEW(kPackageDigestsResourceId),
                       data, size)) {
        // No list, or one that is there but cannot be loaded: that one
        // vouches for nothing, rather than letting everything through.
        return FindResourceW(module, MAKEINTRESOURCEW(kPackageDigestsResourceId), MAKEINTRESOURCEW(10)) != nullptr;
    }
    // Present but unreadable: a list that vouches for nothing.
    if (!list.Parse(std::string(static_cast<const char*>(data), size)))
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
