// Removal of what our installation runs put on the machine, as their record
// says: the printers on our drivers (a printer someone made by hand on one
// of them too), the drivers with the files no other driver uses and, where
// the system keeps driver packages, the package; the files and folders our
// runs created, the device records (a device that was there before us gets
// its old values back), a helper service or hand-off left by an ended run;
// then the record and the entry in the list of programs, and last the copy
// of the installer. What is already gone counts as removed, so a removal
// that was ended halfway is followed by a whole one.
#ifndef QV_INSTALL_REMOVAL_H
#define QV_INSTALL_REMOVAL_H

#include <string>

#include "context/InstallContext.h"

enum class RemovalOutcome {
    Removed,
    // Removed, but a file in use is deleted when Windows restarts.
    RemovedAtRestart,
    // Nothing of ours is on the machine: no record and no entry.
    NothingInstalled,
    // A printer or driver could not be removed: the record and the entry
    // stay, so that another removal can finish.
    Incomplete,
};

// Where removal says what it did, one English line per step.
class IRemovalReport {
public:
    virtual ~IRemovalReport() = default;
    virtual void Line(const std::wstring& text) = 0;
};

// `context`: the platform's settings (its spooler environment).
RemovalOutcome RemoveInstallation(const InstallContext& context, IRemovalReport& report);

// Whether this program is the installer copy under Program Files, which a
// removal started from the list of programs runs from.
bool RunningFromProgramCopy();

// The last step of a removal that ran from the installer copy, just before
// the program ends: a copy of the program in the temporary folder (gone once
// it ends) waits for this process and deletes the installer copy and its
// folder. Where it cannot be started, both are deleted at the next restart.
// True when nothing was left to the restart.
bool DeleteProgramCopyAfterExit();

// That copy's work ("/cleanup PID"): waits for process `processId` to end,
// then deletes the installer copy and its folder, provided the removal went
// through (the entry in the list of programs is gone).
void FinishProgramCopyDeletion(unsigned long processId);

#endif
