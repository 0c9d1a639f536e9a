// The unattended installation: the wizard's own installation run, with a
// page that has no window and writes what happens to the log instead.
#ifndef QV_APP_QUIETINSTALL_H
#define QV_APP_QUIETINSTALL_H

#include <string>

#include "app/CommandLine.h"
#include "context/InstallContext.h"

// Checks the command line against the catalogue of the program's folder
// and installs the model it names. Returns the process exit code: 0, the
// run's result value, kBadCommandLineExitCode when the command line cannot
// be followed, or, for a command line that can, kAlreadyRunningExitCode when
// another run of the installer is under way (nothing on the machine is
// changed then; the reason goes to the log and to standard error). Holds the
// one-run mutex from its checks to its end. Shows no window. `commandLine` is
// the program's whole command line, for the log.
int RunUnattendedInstallation(InstallContext& context, const CommandLineOptions& options,
                              const std::wstring& commandLine);

// Unattended runs' two early ends, each said on standard error and in `log`
// (when it is open) with its exit code: a command line that cannot be
// followed (`why`), and another run of ours in progress. Both return the
// exit code.
class CInstallLog;
int BadCommandLine(CInstallLog& log, const std::wstring& why);
int AnotherRunInProgress(CInstallLog& log);

// A command line that cannot be followed, started by someone at the machine
// (without /quiet): the reason goes to the log it names, if that may be
// used. Returns the reasons, the log's own among them, for the usage box.
std::wstring LogRefusedCommandLine(const CommandLineOptions& options, const std::wstring& commandLine);

#endif
