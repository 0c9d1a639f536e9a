// What every run from the command line shares, the unattended installation
// and the removal alike: the log opened by its rules, a log that another
// program holds open told apart from one that is refused, the installation
// lock, and the early ends with their exit codes, each said on standard
// error and in the log when the log can take it.
#ifndef QV_APP_UNATTENDEDRUN_H
#define QV_APP_UNATTENDEDRUN_H

#include <string>

#include "app/CommandLine.h"
#include "app/InstallLog.h"
#include "context/InstallContext.h"
#include "install/RunLock.h"

class UnattendedRun {
public:
    // Opens the log `options` names, when it names one that may be used.
    explicit UnattendedRun(const CommandLineOptions& options);
    UnattendedRun(const UnattendedRun&) = delete;
    UnattendedRun& operator=(const UnattendedRun&) = delete;

    CInstallLog& Log() { return m_log; }

    // Writes `firstLine` (what runs, with its command line) to the log.
    // False, with exit code 87 in `exitCode`, when the command line cannot
    // be followed or the log is refused. A log that another program holds
    // open for writing may be held by another run of ours: that is decided
    // by TakeLock, once the rest of the command line is known to be right.
    bool Begin(const std::wstring& firstLine, int& exitCode);

    // A command line that cannot be followed, for `why`: exit code 87. The
    // reason names the held log too, which would have been refused.
    int Refuse(const std::wstring& why);

    // Takes the installation lock before the first change. False with the
    // exit code in `exitCode`: 1618 when another run holds it, 5 when it
    // cannot be taken, 87 when the log is held by a program that is no run
    // of ours.
    bool TakeLock(int& exitCode);
    // Another run of the installer held the lock (1618).
    bool AnotherRunHeldTheLock() const { return m_anotherRun; }

private:
    const CommandLineOptions& m_options;
    CInstallLog m_log;
    std::wstring m_logProblem;
    bool m_logHeld = false;
    bool m_anotherRun = false;
    RunLock m_lock;
};

// Why this computer takes no installation of this program now, looked at
// before anything changes: Windows protected print mode is on (1625), or a
// newer version is installed and `force` does not ask to replace it (1638).
// `exitCode` 0 when the installation may go on; `log` says why it may not,
// or, for a downgrade that `force` allows, what it replaces.
struct InstallationCheck {
    int exitCode = 0;
    std::wstring log;
    std::wstring installedVersion;  // the newer version, for a downgrade
};
InstallationCheck CheckInstallationAllowed(const InstallContext& context, bool force);

// A command line that cannot be followed, started by someone at the machine
// (without /quiet): the reason goes to the log it names, if that may be
// used. Returns the reasons, the log's own among them, for the usage box.
std::wstring LogRefusedCommandLine(const CommandLineOptions& options, const std::wstring& commandLine);

#endif
