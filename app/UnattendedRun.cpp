#include "app/UnattendedRun.h"

#include "install/InstalledVersions.h"
#include "install/ProtectedPrint.h"
#include "support/ErrorText.h"

namespace {

std::wstring Refusal(const std::wstring& why)
{
    return L"Wrong command line: " + why + L". Nothing was changed.";
}

std::wstring ExitCodeText(int code)
{
    return L"Exit code " + std::to_wstring(code) + L".";
}

// The refusal in the log, when it is open; returns the exit code.
int LogRefusal(CInstallLog& log, const std::wstring& why)
{
    log.Line(Refusal(why));
    log.Line(ExitCodeText(kBadCommandLineExitCode));
    return kBadCommandLineExitCode;
}

// An early end that changed nothing: on standard error, for a deployment
// tool that does not look into the log or when there is none, and in the
// log when it can take it (another run may hold the same log open).
int EndEarly(CInstallLog& log, const std::wstring& text, int code)
{
    const std::wstring line = text + L" " + ExitCodeText(code);
    WriteStandardError(line);
    log.Line(line);
    return code;
}

}  // namespace

UnattendedRun::UnattendedRun(const CommandLineOptions& options)
    : m_options(options), m_logProblem(options.logProblem)
{
    if (m_logProblem.empty() && !options.logPath.empty())
        m_log.Open(options.logPath, m_logProblem);
    m_logHeld = m_log.HeldByAnotherProgram();
}

bool UnattendedRun::Begin(const std::wstring& firstLine, int& exitCode)
{
    const std::wstring& error = m_options.error;
    // Nothing goes to a refused log.
    if (!m_logProblem.empty() && (!m_logHeld || !error.empty())) {
        exitCode = Refuse(error.empty() ? m_logProblem : error);
        return false;
    }
    m_log.Line(firstLine);
    if (!error.empty()) {
        exitCode = Refuse(error);
        return false;
    }
    return true;
}

int UnattendedRun::Refuse(const std::wstring& why)
{
    const std::wstring reasons =
        m_logProblem.empty() || why == m_logProblem ? why : why + L"; " + m_logProblem;
    WriteStandardError(Refusal(reasons) + L" " + ExitCodeText(kBadCommandLineExitCode));
    return LogRefusal(m_log, reasons);
}

bool UnattendedRun::TakeLock(int& exitCode)
{
    m_anotherRun = false;
    switch (m_lock.Acquire()) {
    case LockOutcome::Held:
        break;
    case LockOutcome::HeldByAnotherRun:
        m_anotherRun = true;
        exitCode = EndEarly(m_log, L"Another installation is in progress; nothing was changed.",
                            kAlreadyRunningExitCode);
        return false;
    case LockOutcome::Unavailable:
        exitCode = EndEarly(m_log,
                            L"The installation lock " + RunLockPath() + L" cannot be taken" +
                                SystemErrorText(m_lock.Error()) +
                                L": the installer must run as an administrator or as the system. Nothing was changed.",
                            kLockUnavailableExitCode);
        return false;
    }
    if (!m_logProblem.empty()) {  // held by a program that is no run of ours
        exitCode = Refuse(m_logProblem);
        return false;
    }
    return true;
}

InstallationCheck CheckInstallationAllowed(const InstallContext& context, bool force)
{
    InstallationCheck check;
    std::wstring why;
    if (ProtectedPrintModeOn(context, why)) {
        check.exitCode = kBlockedByPolicyExitCode;
        check.log = L"Windows protected print mode is on (" + why +
                    L"): this computer takes only printers that work with the printer driver built into Windows, "
                    L"and an administrator decides that. Nothing was changed.";
        return check;
    }
    ProductVersion installed;
    const ProductVersion running = RunningProductVersion();
    if (!NewestInstalledVersion(installed))
        return check;
    if (CompareVersions(running, installed) > 0)
        check.log = L"Version " + VersionText(installed) + L" is installed; this installer is " + VersionText(running) +
                    L" and updates it.";
    if (CompareVersions(running, installed) < 0) {
        check.installedVersion = VersionText(installed);
        if (!force) {
            check.exitCode = kDowngradeExitCode;
            check.log = L"A newer version (" + check.installedVersion + L") is installed; this installer is " +
                        VersionText(running) + L" and does not replace it (/force does). Nothing was changed.";
        } else {
            check.log = L"A newer version (" + check.installedVersion + L") is installed; this installer is " +
                        VersionText(running) + L" and replaces it, as /force asks.";
        }
    }
    return check;
}

std::wstring LogRefusedCommandLine(const CommandLineOptions& options, const std::wstring& commandLine)
{
    std::wstring logProblem = options.logProblem;
    CInstallLog log;
    if (logProblem.empty() && !options.logPath.empty() && log.Open(options.logPath, logProblem)) {
        log.Line(L"Command line: " + commandLine);
        LogRefusal(log, options.error);
    }
    return Refusal(logProblem.empty() ? options.error : options.error + L"; " + logProblem);
}
