// The digest list a release installer carries (context/PackageDigests.h):
// finding it among the program's resources, and checking package files
// against it. An installer without the resource checks nothing, as before.
#ifndef QV_CATALOG_PACKAGEVOUCHING_H
#define QV_CATALOG_PACKAGEVOUCHING_H

#include <windows.h>

#include <string>
#include <vector>

#include "context/EmbeddedFiles.h"
#include "context/PackageDigests.h"
#include "context/PrinterModel.h"

const unsigned kPackageDigestsResourceId = QV_EMBEDDED_PACKAGE_DIGESTS_ID;  // resource type RCDATA

// No package file comes near this; anything larger is refused unread.
const unsigned long kMaxPackageFileBytes = 64UL * 1024 * 1024;

// True when `module` (null: the running program) carries a digest list; it
// is then read into `list`. A list that is not in the list's format vouches
// for nothing (every model is refused), never for everything.
bool LoadPackageDigests(HMODULE module, PackageDigestList& list);

// Reads `folder`\`path` (a list path) through no link or junction, neither
// the file nor its folder inside the package; true when its bytes, then
// in `bytes`, are those the list vouches for.
bool ReadVouchedFile(const PackageDigestList& list, const std::wstring& folder, const std::wstring& path,
                     std::vector<char>& bytes);

// True when every file the installer may install for `model` (but its INF
// file, which the catalogue checks as it reads it) matches the list.
bool ModelFilesVouched(const PackageDigestList& list, const std::wstring& folder, const PrinterModel& model);

#endif
