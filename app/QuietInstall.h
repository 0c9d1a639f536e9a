// The unattended installation: the wizard's own installation run, with a
// page that has no window and writes what happens to the log instead.
#ifndef QV_APP_QUIETINSTALL_H
#define QV_APP_QUIETINSTALL_H

#include <string>

#include "app/CommandLine.h"
#include "context/InstallContext.h"

// Checks the command line against the catalogue of the program's folder
// and installs the model it names. Returns the process exit code: 0, the
// run's result value, one of the installed-but codes (80, 81, 82),
// kBadCommandLineExitCode when the command line cannot be followed, or, for
// a command line that can, kAlreadyRunningExitCode when another run of the
// installer is under way or kLockUnavailableExitCode when the lock cannot be
// taken (nothing on the machine is changed then; the reason goes to the log
// and to standard error). Holds the installation lock from its checks to its
// end. Shows no window. `commandLine` is the program's whole command line,
// for the log; `program` the running program's file, held since start-up.
class RunningProgramFile;
int RunUnattendedInstallation(InstallContext& context, const CommandLineOptions& options,
                              const std::wstring& commandLine, const RunningProgramFile& program);

#endif
