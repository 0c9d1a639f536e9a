#include "app/RemovalRun.h"

#include <windows.h>

#include "app/UnattendedRun.h"
#include "install/ProgramCopy.h"
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

}  // namespace

int RunRemoval(const InstallContext& context, const CommandLineOptions& options, const std::wstring& commandLine,
               const RunningProgramFile& program)
{
    UnattendedRun run(options);
    CInstallLog& log = run.Log();
    int exitCode = 0;
    if (!run.Begin(L"Removal: " + commandLine, exitCode))
        return exitCode;
    if (!run.TakeLock(exitCode)) {
        if (!options.quiet && run.AnotherRunHeldTheLock())
            BringRunningWizardToFront();
        return exitCode;
    }

    // One model of several (/model): the question and the answer name it.
    const bool oneModel = !options.model.empty();
    const std::wstring question = oneModel ? FormatText(ResString(IDS_UNINSTALL_MODEL_CONFIRM), options.model)
                                           : ResString(IDS_UNINSTALL_CONFIRM);
    if (!options.quiet && AppMessageBox(nullptr, question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        log.Line(L"Not removed: the user said no. Exit code " + std::to_wstring(kRemovalCancelledExitCode) + L".");
        return kRemovalCancelledExitCode;
    }
    LogReport report(log);
    RemovalOutcome outcome = RemoveInstallation(context, report, program, options.model);
    // Run from the installer copy: the copy goes once this run has ended.
    if ((outcome == RemovalOutcome::Removed || outcome == RemovalOutcome::RemovedAtRestart) &&
        !StartProgramCopyCleanup(program)) {
        log.Line(L"The installer copy could not be handed to a clean-up run: it is deleted when Windows restarts.");
        outcome = RemovalOutcome::RemovedAtRestart;
    }
    const int code = RemovalExitCode(outcome);
    const bool modelMissing = oneModel && outcome == RemovalOutcome::NothingInstalled;
    log.Line((modelMissing ? std::wstring(L"Nothing to remove.") : RemovalLogText(outcome)) + L" Exit code " +
             std::to_wstring(code) + L".");
    if (!options.quiet)
        AppMessageBox(nullptr,
                      modelMissing ? FormatText(ResString(IDS_UNINSTALL_MODEL_NOTHING), options.model)
                                   : ResString(RemovalMessageId(outcome)),
                      outcome == RemovalOutcome::Incomplete ? MB_ICONERROR : MB_ICONINFORMATION);
    return code;
}
