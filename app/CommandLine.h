// The installer's command line. Without arguments the program is the
// wizard; the switches below run an unattended installation instead:
//
//   /quiet            install with no window at all (needs /model)
//   /model NAME       the model, by INF base name ("QX1000") or display
//                     name ("Quorvex QX1000")
//   /cable usb|parallel|network|serial
//                     default: USB where the model supports it, otherwise
//                     parallel (the connection page's rule)
//   /address HOST[:PORT]
//                     with /cable network: the printer's IPv4 address or
//                     host name and its raw-printing port (default 9100)
//   /port COMn [/baud N] [/flow none|xonxoff|hardware]
//                     with /cable serial: the serial port, its speed
//                     (default 9600) and its handshake (default hardware)
//   /force            install on a USB printer of another model
//   /log FILE         append one timestamped line per step and the result
//   /model auto       the one listed model whose printer is connected
//   /force            also: install over a newer version (a downgrade)
//   /uninstall        remove what our installations put on the machine,
//                     after a question; with /quiet (and /log) no window;
//                     with /model NAME only that model
//   /?                the usage, in a message box
//
// Switches start with '/' or '-' and are read regardless of letter case.
//
// One run at a time (install/RunLock.h): a run that would change the
// machine while another run does ends at once with exit code 1618
// (kAlreadyRunningExitCode), changing nothing. A command line that cannot be
// followed gets 87 first, whether or not another run is under way.
// Pure text; the catalogue decides which models exist.
#ifndef QV_APP_COMMANDLINE_H
#define QV_APP_COMMANDLINE_H

#include <string>
#include <vector>

#include "catalog/CatalogueCore.h"
#include "context/ConnectionSettings.h"
#include "context/ExitCodes.h"

struct CommandLineOptions {
    bool help = false;
    bool quiet = false;
    bool force = false;
    bool uninstall = false;
    // "/cleanup PID": the copy of the program that a removal run from the
    // installer copy under Program Files starts from the temporary folder,
    // to delete that copy once process PID has ended. Not for people: a
    // wrong one ends with 87 and shows nothing. `cleanup`: the switch was
    // given, whether or not its value could be read.
    bool cleanup = false;
    unsigned long cleanupProcess = 0;
    std::wstring model;    // as given
    std::wstring cable;    // "usb", "parallel", "network", "serial" or empty for the default
    // The network or serial printer's settings, read from /address, /port,
    // /baud and /flow (the defaults where they are not given).
    ConnectionSettings connection;
    std::wstring logPath;  // as given; empty for no log
    // Why the log cannot be used, when that is so (see ResolveLogPath); the
    // reason can then not go to the log.
    std::wstring logProblem;
    // Why the command line cannot be followed; empty when it can.
    std::wstring error;
    // One of /address, /port, /baud or /flow was given.
    bool connectionGiven = false;

    // No argument at all: the wizard.
    bool IsWizard() const
    {
        return !help && !quiet && !force && !uninstall && !cleanup && model.empty() && cable.empty() &&
               logPath.empty() && !connectionGiven;
    }
};

// The /model value that asks for the attached printer's model.
extern const wchar_t kAutomaticModel[];  // "auto"

// Reads the arguments after the program's name. Every problem found is
// described in `error`; a log path is kept even then, so that the reason
// can be written where the caller asked for it.
CommandLineOptions ParseCommandLine(const std::vector<std::wstring>& arguments);

// The model that `name` names: its INF base name or its display name, ASCII
// letters compared regardless of case. Null when none does.
const PrinterModel* FindNamedModel(const ModelCatalogue& catalogue, const std::wstring& name);

// The connection type ("USB", "LPT", "NET" or "COM") for `cable` ("usb",
// "parallel", "network", "serial" or empty for the default) on `model`.
// False with the reason in `error` when the model does not offer it.
bool ChooseConnection(const PrinterModel& model, const std::wstring& cable, std::wstring& connectionType,
                      std::wstring& error);

#endif
