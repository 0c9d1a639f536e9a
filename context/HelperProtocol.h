// What the installer and its helper service program agree on: the service,
// the program and its folder, the registry keys, and the names of the values
// the installer leaves in the printer class key for the helper. The texts
// are ASCII, so that the installer (UTF-16) and the helper (8-bit) are built
// from the very same ones.
#ifndef QV_CONTEXT_HELPERPROTOCOL_H
#define QV_CONTEXT_HELPERPROTOCOL_H

#include <string>

#include "context/EmbeddedFiles.h"

namespace helper_protocol {

// The service's name, also its display name.
constexpr char kServiceName[] = "Quorvex Printer Helper";
// The program's file name, in the helper folder: the name it is carried
// under inside the installer.
constexpr char kExeName[] = QV_EMBEDDED_HELPER_EXE_NAME;
// The helper folder's name below the common program-files folder.
constexpr char kFolderName[] = "Services";

// Below HKEY_LOCAL_MACHINE.
constexpr char kPrinterClassKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}";
constexpr char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum";
constexpr char kLptEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM";

// The hand-off values in the printer class key.
constexpr char kToPath[] = "_ToPath";
constexpr char kUpdateMode[] = "_UpdateMode";
constexpr char kBrandSeries[] = "_BrandSeries";
constexpr char kDeviceDesc[] = "_DeviceDesc";
constexpr char kConfigFlags[] = "_ConfigFlags";
constexpr char kClassGuid[] = "_ClassGUID";
constexpr char kDriver[] = "_Driver";
constexpr char kClass[] = "_Class";
constexpr char kMfg[] = "_Mfg";
// All nine, in the order the helper deletes them.
constexpr const char* kHandOffNames[] = {kToPath,     kUpdateMode, kBrandSeries, kDeviceDesc, kConfigFlags,
                                         kClassGuid,  kDriver,     kClass,       kMfg};

// "_UpdateMode": 0 writes the instances of the "_ToPath" device key (USB),
// any other value the parallel-port keys.
constexpr unsigned long kUpdateDevicePath = 0;
constexpr unsigned long kUpdateParallelPorts = 2;

// The brand series the helper takes when none was handed over, and the
// device key name of a parallel printer that reports no model.
constexpr char kDefaultBrandSeries[] = "QuorvexVKT";
constexpr char kGenericLptDeviceKey[] = "QuorvexPrinter";

}  // namespace helper_protocol

// An ASCII text as UTF-16.
std::wstring WidenAscii(const char* text);

// The helper folder below the common program-files folder: one backslash is
// added only when the folder does not end in one, then "Services".
std::wstring HelperFolderOf(const std::wstring& commonFilesFolder);
// The helper program in that folder.
std::wstring HelperProgramPathOf(const std::wstring& commonFilesFolder);
// The log the helper program keeps beside itself: its path with ".exe"
// replaced by ".log".
std::wstring HelperLogPathOf(const std::wstring& programPath);

#endif
