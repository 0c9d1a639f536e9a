// Removal from the command line: "/uninstall" asks first and shows the
// result in the user's language; "/uninstall /quiet [/log FILE]" shows no
// window and writes each step to the log.
#ifndef QV_APP_REMOVALRUN_H
#define QV_APP_REMOVALRUN_H

#include <string>

#include "app/CommandLine.h"
#include "context/InstallContext.h"

// Runs the removal that `options` asks for (its command line was accepted)
// and returns the process exit code: 0 removed, kRemovedAtRestartExitCode,
// kNothingInstalledExitCode, kRemovalIncompleteExitCode, or
// kRemovalCancelledExitCode when the user said no. `commandLine` is the
// program's whole command line, for the log.
int RunRemoval(const InstallContext& context, const CommandLineOptions& options, const std::wstring& commandLine);

#endif
