#include "app/RemovalRun.h"

#include <windows.h>

#include "app/InstallLog.h"
#include "app/QuietInstall.h"
#include "app/SingleInstance.h"
#include "install/Removal.h"
#include "support/ResString.h"
#include "wizard/AppMessage.h"
#include "wizard/MasterDlg.h"
#include "wizard/SetupTexts.h"
#include "wizard/res/resource.h"

namespace {

class LogReport : public IRemovalReport {
public:
    explicit LogReport(CInstallLog& log) : m_log(log) {}
    void Line(const std::wstring& text) override { m_log.Line(text); }

private:
    CInstallLog& m_log;
};

int ExitCodeOf(RemovalOutcome outcome)
{
    switch (outcome) {
    case RemovalOutcome::Removed: return 0;
    case RemovalOutcome::RemovedAtRestart: return kRemovedAtRestartExitCode;
    case RemovalOutcome::NothingInstalled: return kNothingInstalledExitCode;
    case RemovalOutcome::Incomplete: return kRemovalIncompleteExitCode;
    }
    return kRemovalIncompleteExitCode;
}

}  // namespace

int RunRemoval(const InstallContext& context, const CommandLineOptions& options, const std::wstring& commandLine)
{
    CInstallLog log;
    std::wstring logProblem = options.logProblem;
    if (logProblem.empty() && !options.logPath.empty())
        log.Open(options.logPath, logProblem);
    // As for the unattended installation: a log held open for writing may
    // be held by another run of ours, which the guard below tells.
    const bool logHeld = log.HeldByAnotherProgram();
    if (!logProblem.empty() && !logHeld)
        return BadCommandLine(log, logProblem);
    log.Line(L"Removal: " + commandLine);
    SingleInstance run;
    if (!run.Acquire()) {
        if (!options.quiet)
            BringRunningWizardToFront();
        return AnotherRunInProgress(log);
    }
    if (!logProblem.empty())
        return BadCommandLine(log, logProblem);

    if (!options.quiet &&
        AppMessageBox(nullptr, ResString(IDS_UNINSTALL_CONFIRM), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        log.Line(L"Not removed: the user said no. Exit code " + std::to_wstring(kRemovalCancelledExitCode) + L".");
        return kRemovalCancelledExitCode;
    }
    LogReport report(log);
    RemovalOutcome outcome = RemoveInstallation(context, report);
    // Run from the installer copy: the copy goes once this run has ended.
    if ((outcome == RemovalOutcome::Removed || outcome == RemovalOutcome::RemovedAtRestart) &&
        !DeleteProgramCopyAfterExit()) {
        log.Line(L"The installer copy could not be handed to a clean-up run: it is deleted when Windows restarts.");
        outcome = RemovalOutcome::RemovedAtRestart;
    }
    const int code = ExitCodeOf(outcome);
    log.Line(RemovalLogText(outcome) + L" Exit code " + std::to_wstring(code) + L".");
    if (!options.quiet)
        AppMessageBox(nullptr, ResString(RemovalMessageId(outcome)),
                      outcome == RemovalOutcome::Incomplete ? MB_ICONERROR : MB_ICONINFORMATION);
    return code;
}
