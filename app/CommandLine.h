// The installer's command line. Without arguments the program is the
// wizard; the switches below run an unattended installation instead:
//
//   /quiet            install with no window at all (needs /model)
//   /model NAME       the model, by INF base name ("QX1000") or display
//                     name ("Quorvex QX1000")
//   /cable usb|parallel
//                     default: USB where the model supports it, otherwise
//                     parallel (the connection page's rule)
//   /force            install on a USB printer of another model
//   /log FILE         append one timestamped line per step and the result
//   /uninstall        remove what our installations put on the machine,
//                     after a question; with /quiet (and /log) no window
//   /?                the usage, in a message box
//
// Switches start with '/' or '-' and are read regardless of letter case.
//
// One run at a time (app/SingleInstance.h): a run that would change the
// machine while another run does ends at once with exit code 1618
// (kAlreadyRunningExitCode), changing nothing. A command line that cannot be
// followed gets 87 first, whether or not another run is under way.
// Pure text; the catalogue decides which models exist.
#ifndef QV_APP_COMMANDLINE_H
#define QV_APP_COMMANDLINE_H

#include <string>
#include <vector>

#include "catalog/CatalogueCore.h"

// The exit code of a command line the program cannot follow
// (ERROR_INVALID_PARAMETER).
const int kBadCommandLineExitCode = 87;
// Installed, but the helper service did not finish the device records (its
// program could not be written out, or a step of its run failed).
const int kHelperNotFinishedExitCode = 80;
// Installed, but the printer could not be made the default printer.
const int kDefaultPrinterNotSetExitCode = 81;
// Removal: removed, but a file in use is deleted when Windows restarts
// (ERROR_SUCCESS_REBOOT_REQUIRED, which deployment tools know).
const int kRemovedAtRestartExitCode = 3010;
// Removal: nothing of ours is installed (ERROR_UNKNOWN_PRODUCT).
const int kNothingInstalledExitCode = 1605;
// Removal: a printer or driver could not be removed; the entry in the list
// of programs stays for another attempt (ERROR_INSTALL_FAILURE).
const int kRemovalIncompleteExitCode = 1603;
// The user answered no to the removal's question (ERROR_INSTALL_USEREXIT).
const int kRemovalCancelledExitCode = 1602;
// Another run of the installer is under way; nothing was changed
// (ERROR_INSTALL_ALREADY_RUNNING, what Windows Installer answers too).
const int kAlreadyRunningExitCode = 1618;

struct CommandLineOptions {
    bool help = false;
    bool quiet = false;
    bool force = false;
    bool uninstall = false;
    // "/cleanup PID": the copy of the program that a removal run from the
    // installer copy under Program Files starts from the temporary folder,
    // to delete that copy once process PID has ended. Not for people.
    unsigned long cleanupProcess = 0;
    std::wstring model;    // as given
    std::wstring cable;    // "usb", "parallel" or empty for the default
    std::wstring logPath;  // as given; empty for no log
    // Why the log cannot be used, when that is so (see ResolveLogPath); the
    // reason can then not go to the log.
    std::wstring logProblem;
    // Why the command line cannot be followed; empty when it can.
    std::wstring error;

    // No argument at all: the wizard.
    bool IsWizard() const
    {
        return !help && !quiet && !force && !uninstall && cleanupProcess == 0 && model.empty() && cable.empty() &&
               logPath.empty();
    }
};

// Reads the arguments after the program's name. Every problem found is
// described in `error`; a log path is kept even then, so that the reason
// can be written where the caller asked for it.
CommandLineOptions ParseCommandLine(const std::vector<std::wstring>& arguments);

// The model that `name` names: its INF base name or its display name, ASCII
// letters compared regardless of case. Null when none does.
const PrinterModel* FindNamedModel(const ModelCatalogue& catalogue, const std::wstring& name);

// The connection type ("USB" or "LPT") for `cable` ("usb", "parallel" or
// empty for the default) on `model`. False with the reason in `error` when
// the model does not support that cable.
bool ChooseConnection(const PrinterModel& model, const std::wstring& cable, std::wstring& connectionType,
                      std::wstring& error);

#endif
