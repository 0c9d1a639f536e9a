// Removal of what our installation runs put on the machine, as their record
// says: the printers on our drivers (a printer someone made by hand on one
// of them too), the drivers with the files no other driver uses and, where
// the system keeps driver packages, the package; the files and folders our
// runs created, the device records (a device that was there before us gets
// its old values back), a helper service or hand-off left by an ended run;
// then the record and the entry in the list of programs, and last the copy
// of the installer. What is already gone counts as removed, so a removal
// that was ended halfway is followed by a whole one.
//
// It removes only what our runs made and what still is theirs: a printer
// class instance that another driver took over, a device set up anew since,
// a file another driver uses stay. And it deletes nothing on a look that
// failed: when the spooler's lists, the record or a key it needs cannot be
// read, it stops before its first deletion.
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
    // Something could not be removed, or a list or key could not be read:
    // the record and the entry stay, so that another removal can finish.
    Incomplete,
};

// Where removal says what it did, one English line per step.
class IRemovalReport {
public:
    virtual ~IRemovalReport() = default;
    virtual void Line(const std::wstring& text) = 0;
};

// `context`: the platform's settings (its spooler environment); `program`:
// the running program's file, to tell whether this run is the installer
// copy's. `model` (an INF base name or display name; empty for all): only
// that model's part goes (its printers, driver, the files and records no
// other model uses), and the entry and the installer copy stay for the
// others; with the last model everything goes. NothingInstalled when the
// model is not recorded.
class RunningProgramFile;
RemovalOutcome RemoveInstallation(const InstallContext& context, IRemovalReport& report,
                                  const RunningProgramFile& program, const std::wstring& model = std::wstring());

#endif
