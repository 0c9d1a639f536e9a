#include "app/DriverApp.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/LogFileRules.h"
#include "app/PlatformDetection.h"
#include "app/QuietInstall.h"
#include "app/RemovalRun.h"
#include "app/UnattendedRun.h"
#include "install/ProgramCopy.h"
#include "install/RunLock.h"
#include "support/Handle.h"
#include "support/ResString.h"
#include "wizard/AppMessage.h"
#include "wizard/ConnectionDlg.h"
#include "wizard/MasterDlg.h"
#include "wizard/SetupDlg.h"
#include "wizard/TypeDlg.h"
#include "wizard/WelcomeDlg.h"
#include "wizard/res/resource.h"

namespace {

// The program's arguments, after its own name.
std::vector<std::wstring> ProgramArguments()
{
    std::vector<std::wstring> arguments;
    int count = 0;
    const UniqueLocal list(CommandLineToArgvW(GetCommandLineW(), &count));
    wchar_t** argv = static_cast<wchar_t**>(list.Get());
    for (int i = 1; argv && i < count; ++i)
        arguments.push_back(argv[i]);
    return arguments;
}

}  // namespace

BOOL CDriverApp::InitInstance()
{
    InitialisePlatformContext(m_context);

    const std::vector<std::wstring> arguments = ProgramArguments();
    if (!arguments.empty()) {
        CommandLineOptions options = ParseCommandLine(arguments);
        // Read against the folder the program was started in, never against
        // the current folder, which is the system folder by now.
        options.logPath = ResolveLogPath(m_startFolder, options.logPath, options.logProblem);
        RunCommandLine(options);
        return FALSE;
    }

    // Held until the wizard has closed. A wizard started while another run
    // holds it shows that run's wizard instead, if it has one, and ends.
    RunLock run;
    const LockOutcome lock = run.Acquire();
    if (lock == LockOutcome::HeldByAnotherRun) {
        BringRunningWizardToFront();
        SetExitCode(kAlreadyRunningExitCode);
        return FALSE;
    }
    if (lock == LockOutcome::Unavailable) {
        // Not an administrator: the manifest asks for the rights, but Windows
        // 2000 and XP start the program for anyone.
        AppMessageBox(nullptr, ResString(IDS_ERR_NOT_ADMINISTRATOR), MB_OK | MB_ICONERROR);
        SetExitCode(kLockUnavailableExitCode);
        return FALSE;
    }
    // What this computer does not take, said before the wizard starts.
    const InstallationCheck allowed = CheckInstallationAllowed(m_context, false);
    if (allowed.exitCode != 0) {
        const std::wstring text = allowed.exitCode == kBlockedByPolicyExitCode
                                      ? ResString(IDS_PROTECTED_PRINT)
                                      : FormatText(ResString(IDS_DOWNGRADE), allowed.installedVersion);
        AppMessageBox(nullptr, text, MB_OK | MB_ICONWARNING);
        SetExitCode(allowed.exitCode);
        return FALSE;
    }

    std::unique_ptr<CMasterDlg> wizard(new CMasterDlg());
    std::unique_ptr<CWelcomeDlg> welcome(new CWelcomeDlg());
    std::unique_ptr<CConnectionDlg> connection(new CConnectionDlg(m_context));
    std::unique_ptr<CTypeDlg> model(new CTypeDlg(m_context));
    std::unique_ptr<CSetupDlg> setup(new CSetupDlg(m_context, m_program));

    // Until the model page is left, the cable defaults to USB.
    m_context.model.connectionType = L"USB";

    wizard->AddPage(*welcome, IDD_WELCOME);
    wizard->AddPage(*model, IDD_MODEL);
    wizard->AddPage(*connection, IDD_CONNECTION);
    wizard->AddPage(*setup, IDD_SETUP);
    wizard->DoModal();

    setup.reset();
    model.reset();
    connection.reset();
    welcome.reset();
    wizard.reset();
    // The application ends once its wizard has closed.
    return FALSE;
}

void CDriverApp::RunCommandLine(const CommandLineOptions& options)
{
    if (options.cleanup) {
        // Started by a removal, with nobody to read a box.
        if (!options.error.empty()) {
            WriteStandardError(L"Wrong command line: " + options.error + L". Exit code " +
                               std::to_wstring(kBadCommandLineExitCode) + L".");
            SetExitCode(kBadCommandLineExitCode);
            return;
        }
        FinishProgramCopyDeletion(options.cleanupProcess);
        SetExitCode(0);
        return;
    }
    if (options.help || (!options.quiet && !options.error.empty())) {
        // Someone is at the machine: the usage, in the user's language, after
        // the reasons the command line was refused.
        const std::wstring reasons = options.help ? std::wstring() : LogRefusedCommandLine(options, GetCommandLineW());
        const std::wstring text = (reasons.empty() ? L"" : reasons + L"\r\n\r\n") + ResString(IDS_USAGE);
        MessageBoxW(nullptr, text.c_str(), AppTitle(),
                    options.help ? MB_OK | MB_ICONINFORMATION : MB_OK | MB_ICONWARNING);
        SetExitCode(options.help ? 0 : kBadCommandLineExitCode);
        return;
    }
    if (options.uninstall && options.error.empty()) {
        SetExitCode(RunRemoval(m_context, options, GetCommandLineW(), m_program));
        return;
    }
    SetExitCode(RunUnattendedInstallation(m_context, options, GetCommandLineW(), m_program));
}
