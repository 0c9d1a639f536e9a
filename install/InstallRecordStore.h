// The record of what our runs installed, kept in one registry key of ours
// (see product::kRecordKey), and the entry in the system's list of programs
// with the copy of the installer it starts for removal.
//
// Below the record key:
//   Printers        one value per printer: its name, the driver's name as data
//   Drivers\<n>     "Name", "Environment", "Version"
//   Files, Folders  one value per full path
//   ClassInstances  one value per printer class instance key name, its
//                   MatchingDeviceId as data
//   ClassKeyValues  one value per value of the printer class key itself that
//                   our run added, the text it wrote as data (the key's
//                   unnamed value as this key's unnamed value)
//   Devices\<n>     "InstanceKey"; below "Before", the values it had
//   Ports\<name>    a port our run made: "Kind" ("NET" or "COM"), and for a
//                   network port "Host" and "Number"
//   Models\<INF>    "DisplayName", "Driver", "Version"; below "Files",
//                   "ClassInstances", "Devices" and "Ports" the names of what
//                   came with the model
// Entries are only ever added while installing, each as soon as the thing
// exists, so that a run ended halfway is recorded as far as it got; removal
// deletes the whole key last.
#ifndef QV_INSTALL_INSTALLRECORDSTORE_H
#define QV_INSTALL_INSTALLRECORDSTORE_H

#include <windows.h>

#include <cstdint>
#include <string>

#include "context/InstallRecord.h"
#include "support/Registry.h"

// The record as the registry holds it. The status is NotFound() when there
// is none, and another failure when it or a part of it is there but cannot
// be read: then `record` holds what could be read, which must not be taken
// for the whole.
RegStatus ReadInstallRecord(InstallRecord& record);

// Adds to the record what `additions` holds and the record lacks. False when
// something could not be written.
bool AddToInstallRecord(const InstallRecord& additions);

// Takes out of the record what `gone` names (printers, drivers, files,
// folders, class instances and values, devices, models): what a removal of
// one model took away. The system's status of the first deletion that
// failed; what is already gone counts as deleted.
LONG RemoveFromInstallRecord(const InstallRecord& gone);

// Deletes the record and the entry in the list of programs; the system's
// status of the first that failed (what is already gone counts as deleted).
LONG DeleteInstallRecordAndEntry();

// Whether the entry in the list of programs is there (or cannot be told
// apart from being there: a key that cannot be opened).
bool UninstallEntryExists();

// Our folder below the program-files folder (32-bit Program Files for the
// 32-bit program on 64-bit Windows).
std::wstring ProductFolder();

// After a successful installation: keeps a copy of the held installer in
// our folder below Program Files (written to a scratch file there, then put
// in place), records both, and writes the entry in the list of programs
// with the size of everything recorded. False, with what failed in
// `problem`, when any of it failed.
class RunningProgramFile;
bool RegisterInstalledProduct(const RunningProgramFile& program, std::wstring& problem);

// The size in bytes of the recorded files that are there.
std::uint64_t RecordedFilesSize(const InstallRecord& record);

#endif
