// Which files of the driver package belong to a model, and in which of the
// package's folders they lie: what the installer stages and what the
// maker's packaging tool checks are the same list.
#ifndef QV_CONTEXT_PACKAGEFILES_H
#define QV_CONTEXT_PACKAGEFILES_H

#include <string>
#include <vector>

#include "context/PrinterModel.h"

enum class PackageFolder {
    Top,      // beside the installer
    Gpd,      // "gpd"
    Plugins,  // one folder per architecture, see kPluginFolders
};

struct PackageFile {
    PackageFolder folder;
    std::wstring name;
};

// The plug-in folders of the package, one per architecture.
extern const wchar_t* const kPluginFolders[3];  // "i386", "amd64", "ia64"
// The folder of the GPD files.
extern const wchar_t* const kGpdFolder;  // "gpd"

// The model's driver files in staging order: its three plug-ins, its INI
// file, and the five GPD files (both pairs; registration picks the one it
// needs). `infBaseName` names the model's own GPD files.
std::vector<PackageFile> ModelDriverFiles(const PrinterModel& model, const std::wstring& infBaseName);

// The model's INF file and security catalogue.
std::vector<PackageFile> ModelInfFiles(const std::wstring& infBaseName);

#endif
