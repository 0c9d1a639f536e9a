// The installer copy's whole life: the running program's file, held from
// start-up and checked against the program that runs; the copy written
// from it under Program Files, which the list of programs starts for
// removal; and, when a removal runs from that copy, the clean-up copy that
// deletes it once the removal has ended.
//
// Whoever can write the folder the installer was started from (a download
// folder, a share, the same user's unelevated programs) could rename the
// running installer and put another program at its name. Nothing here ever
// opens the program by its name again: every copy is made from the one
// handle opened at start-up, which lets others read the file but neither
// change, rename nor delete it.
#ifndef QV_INSTALL_PROGRAMCOPY_H
#define QV_INSTALL_PROGRAMCOPY_H

#include <windows.h>

#include <string>
#include <vector>

#include "support/Handle.h"

class RunningProgramFile {
public:
    RunningProgramFile() = default;
    RunningProgramFile(const RunningProgramFile&) = delete;
    RunningProgramFile& operator=(const RunningProgramFile&) = delete;

    // Opens the running program's file and checks that it is the program
    // this process runs (see ProgramImage.h). Call it first thing at start.
    // False, with the reason in Problem(), when the file cannot be held or
    // is another program: then no copy can be made.
    bool Hold();
    bool Held() const { return m_file.IsValid() && m_problem.empty(); }
    const std::wstring& Problem() const { return m_problem; }
    // The path the file was opened by.
    const std::wstring& Path() const { return m_path; }

    // The file's bytes, read through the held handle.
    bool ReadAll(std::vector<char>& bytes) const;

private:
    UniqueFile m_file;
    std::wstring m_path;
    std::wstring m_problem;
};

// The installer copy under Program Files (see ProductFolder).
std::wstring ProgramCopyPath();

// Writes the held program to `target` through a scratch file beside it,
// so that the target is never a half-written program. True at once when the
// program runs from `target` itself (a removal's own copy installing again).
bool WriteProgramCopy(const RunningProgramFile& program, const std::wstring& target);

// Whether this program is the installer copy under Program Files, which a
// removal started from the list of programs runs from.
bool RunningFromProgramCopy(const RunningProgramFile& program);

// The last step of a removal that ran from the installer copy, just before
// the program ends. The copy cannot delete itself while it runs, so a
// clean-up copy of the program deletes it once this process has ended: it
// is written from the held program into a new folder of its own that only
// administrators and the system can write (made fail-if-exists, under a
// random name, in the temporary folder), held against writing and deletion
// until it runs, and started from there. Where that cannot be done, the
// copy and its folder are deleted when Windows restarts. True when nothing
// was left to the restart.
bool StartProgramCopyCleanup(const RunningProgramFile& program);

// The clean-up copy's work ("/cleanup PID"): waits, without a time limit,
// for process `processId` (the removal) to end and for no other run of the
// installer to be under way, then deletes the installer copy and its
// folder, provided the removal went through (the entry in the list of
// programs is gone and no installation has made it again). A copy that
// stays in use is deleted when Windows restarts. The clean-up copy's own
// file goes when it ends; its empty folder at the next restart.
void FinishProgramCopyDeletion(unsigned long processId);

#endif
