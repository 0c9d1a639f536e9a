// Removal from the command line: "/uninstall" asks first and shows the
// result in the user's language; "/uninstall /quiet [/log FILE]" shows no
// window and writes each step to the log.
#ifndef QV_APP_REMOVALRUN_H
#define QV_APP_REMOVALRUN_H

#include <string>

#include "app/CommandLine.h"
#include "context/InstallContext.h"

// Runs the removal that `options` asks for (its command line was accepted)
// and returns the process exit code: the removal outcome's (0 removed,
// kRemovedAtRestartExitCode, kNothingInstalledExitCode,
// kRemovalIncompleteExitCode), kRemovalCancelledExitCode when the user said
// no, or one of the unattended runs' early ends (87, 1618, 5). `commandLine`
// is the program's whole command line, for the log; `program` the running
// program's file, held since start-up.
class RunningProgramFile;
int RunRemoval(const InstallContext& context, const CommandLineOptions& options, const std::wstring& commandLine,
               const RunningProgramFile& program);

#endif
