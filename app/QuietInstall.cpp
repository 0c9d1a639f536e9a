#include "app/QuietInstall.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/InstallLog.h"
#include "app/UnattendedRun.h"
#include "context/ConnectionRules.h"
#include "install/DeviceDetection.h"
#include "install/UsbDetection.h"
#include "catalog/ModelCatalogue.h"
#include "install/RecordingOperations.h"
#include "install/InstallSequence.h"
#include "install/SystemRunHost.h"
#include "support/ResString.h"
#include "wizard/SetupTexts.h"
#include "wizard/res/resource.h"

namespace {

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring Number(long value)
{
    return std::to_wstring(value);
}

std::wstring CableName(const std::wstring& connectionType)
{
    return connectionType == L"USB"   ? L"USB"
           : connectionType == L"NET" ? L"network"
           : connectionType == L"COM" ? L"serial"
                                      : L"parallel";
}

bool IsAutomaticModel(const std::wstring& name)
{
    return name.size() == 4 && (name[0] | 0x20) == L'a' && (name[1] | 0x20) == L'u' && (name[2] | 0x20) == L't' &&
           (name[3] | 0x20) == L'o';
}

struct AttachedModel {
    const PrinterModel* model;
    std::wstring connectionType;  // "USB" or "LPT"
};

// The listed models whose printer is connected, on the cable `cable`
// ("usb", "parallel", or empty for either), each by the same exact match as
// the USB check: the device key named after the model's hardware id.
std::vector<AttachedModel> AttachedModels(const ModelCatalogue& catalogue, const std::wstring& cable)
{
    std::vector<AttachedModel> attached;
    for (const PrinterModel& model : catalogue) {
        std::wstring description, port, key;
        if ((cable.empty() || cable == L"usb") && IsSuffixSupported(model.usbIdSuffix) &&
            DetectUsbPrinterPort(ModelDeviceKeyName(model, model.usbIdSuffix), description, port) ==
                InstallResult::Success)
            attached.push_back({&model, L"USB"});
        else if ((cable.empty() || cable == L"parallel") && IsSuffixSupported(model.lptIdSuffix) &&
                 FindDeviceKey(L"LPTENUM", ModelDeviceKeyName(model, model.lptIdSuffix), key))
            attached.push_back({&model, L"LPT"});
    }
    return attached;
}

// The setup page of a run without a window: the progress is kept only as
// far as the run reads it back, questions are answered from the command
// line, and failures go to the log.
class QuietPage : public ISetupPage {
public:
    QuietPage(CInstallLog& log, const PrinterModel& model, bool force) : m_log(log), m_model(model), m_force(force) {}

    void SetPhase(Phase) override {}
    void PrepareLines() override {}
    void ShowLines(bool) override {}
    void SetPrinterName(const std::wstring&) override {}
    void SetPortName(const std::wstring&) override {}
    void SetModel(const std::wstring&) override {}
    void HideStatus() override {}
    void ShowStatus(Status) override {}
    void ShowTestPageButton(bool) override {}
    void EnableButton(Button, bool) override {}
    void SetProgressRange(int low, int high) override
    {
        m_low = low;
        m_high = high;
    }
    void SetProgressStep(int step) override { m_step = step; }
    void SetProgressPos(int pos) override { m_pos = pos < m_low ? m_low : pos > m_high ? m_high : pos; }
    void StepProgress() override { SetProgressPos(m_pos + m_step); }
    int GetProgressPos() override { return m_pos; }
    void UpdatePage() override {}
    std::wstring CopySuffixFormat() override { return ResString(IDS_COPY_SUFFIX); }
    void ReportFailure(InstallResult result) override
    {
        m_log.Line(L"Failed: " + ResultLogText(result, m_model.displayName) + L".");
    }
    void ReportPrinterListError(std::uint32_t errorCode) override
    {
        m_log.Line(L"The printer list could not be read (system error " + Number(static_cast<long>(errorCode)) +
                   L").");
    }
    bool AskForceInstall() override
    {
        m_log.Line(m_force ? L"The connected USB printer is another model: installing on it, as /force asks."
                           : L"The connected USB printer is another model: not installing on it without /force.");
        return m_force;
    }
    bool AskInstallOnOtherModel(const std::wstring& printerSays) override
    {
        m_log.Line(L"The printer at that address says it is " + Quoted(printerSays) + L", not a " +
                   m_model.displayName + (m_force ? L": installing on it, as /force asks." : L": not installing on it without /force."));
        return m_force;
    }
    bool AskInstallWithoutAnswer(const std::wstring& address) override
    {
        m_log.Line(L"Nothing answers at " + address +
                   (m_force ? L": installing anyway, as /force asks (a printer switched off now)."
                            : L": not installing without /force."));
        return m_force;
    }
    void ReportHelperNotWritten(const std::wstring&) override
    {
        m_log.Line(L"The helper service program could not be written out, so the device records stay "
                   L"unfinished; restart the computer and run the installation again.");
    }
    void ReportHelperFailed(const std::wstring&, const HelperRunResult&) override
    {
        m_log.Line(L"The device records stay unfinished; restart the computer and run the installation again.");
    }
    void ReportNotRegistered(const std::wstring&) override
    {
        m_log.Line(L"The installation is not registered whole: removal cannot take away what is not recorded, "
                   L"and the entry in the list of programs may be missing; run the installation again.");
    }

private:
    CInstallLog& m_log;
    const PrinterModel& m_model;
    const bool m_force;
    int m_low = 0, m_high = 100, m_step = 10, m_pos = 0;
};

// The machine's operations, each step written to the log with its outcome.
class LoggedOperations : public IInstallOperations {
public:
    LoggedOperations(IInstallOperations& operations, CInstallLog& log) : m_ops(operations), m_log(log) {}

    InstallResult DetectUsbPrinterPort(const std::wstring& deviceKeyName, std::wstring& description,
                                       std::wstring& port) override
    {
        const InstallResult result = m_ops.DetectUsbPrinterPort(deviceKeyName, description, port);
        const std::wstring code = L" (result " + Number(ResultValue(result)) + L").";
        if (result == InstallResult::Success)
            m_log.Line(L"USB printer " + deviceKeyName + L" found on port " + port + L".");
        else if (result == InstallResult::UsbDeviceNotMatched)
            m_log.Line(L"USB printer " + deviceKeyName + L" is not among the connected USB printers" + code);
        else
            m_log.Line(L"USB printer " + deviceKeyName + L" not found" + code);
        return result;
    }
    bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode) override
    {
        const bool ok = m_ops.EnumeratePrinterNames(names, errorCode);
        if (ok)
            m_log.Line(L"Printers on this computer: " + Number(static_cast<long>(names.size())) + L".");
        return ok;
    }
    bool StageDriverFiles(const PrinterModel& model) override
    {
        return Outcome(m_ops.StageDriverFiles(model), L"Driver files copied to the driver directory",
                       L"Driver files could not be copied to the driver directory" + Refused());
    }
    bool StageInfAndCatalog(const PrinterModel& model) override
    {
        return Outcome(m_ops.StageInfAndCatalog(model), L"INF and catalogue files copied",
                       L"INF and catalogue files could not be copied" + Refused());
    }
    std::wstring RefusedPackageFile() const override { return m_ops.RefusedPackageFile(); }
    bool RegisterPrinterDriver(const PrinterModel& model) override
    {
        return Outcome(m_ops.RegisterPrinterDriver(model), L"Printer driver " + Quoted(model.driverName) +
                       L" registered with the spooler", L"The spooler refused the printer driver " +
                       Quoted(model.driverName));
    }
    bool FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port, std::wstring& printer) override
    {
        const bool found = m_ops.FindPrinterOnPort(driverName, port, printer);
        if (found)
            m_log.Line(L"Already installed: printer " + Quoted(printer) + L" uses " + Quoted(driverName) + L" on " +
                       port + L"; no printer is added, the driver's files are checked and registered again.");
        return found;
    }
    bool UpdatePrinterDriver(const PrinterModel& model) override
    {
        return Outcome(m_ops.UpdatePrinterDriver(model),
                       L"Printer driver " + Quoted(model.driverName) + L" registered again from the checked files",
                       L"The printer driver " + Quoted(model.driverName) + L" could not be registered again");
    }
    NetworkProbeResult ProbeNetworkPrinter(const ConnectionSettings& connection) override
    {
        const NetworkProbeResult probe = m_ops.ProbeNetworkPrinter(connection);
        const std::wstring at = connection.networkHost + L":" + Number(static_cast<long>(connection.networkPort));
        if (!probe.answered) {
            m_log.Line(L"The printer at " + at + L" does not answer (" +
                       (probe.resolved ? L"address " + probe.ipAddress + L", " : std::wstring(L"the name was not found, ")) +
                       L"system error " + Number(static_cast<long>(probe.error)) + L").");
        } else {
            m_log.Line(L"The printer at " + at + L" (address " + probe.ipAddress + L") answers" +
                       (!probe.snmpAnswered ? std::wstring(L"; it does not answer SNMP.")
                        : probe.deviceId.empty()
                            ? std::wstring(L"; SNMP gives no device id.")
                            : (probe.deviceIdIsDescription ? L"; it describes itself as " : L"; its device id is ") +
                                  Quoted(probe.deviceId) + L"."));
        }
        return probe;
    }
    bool PrepareNetworkPort(const ConnectionSettings& connection, bool snmpAnswered, std::wstring& port,
                            bool& created) override
    {
        const bool ok = m_ops.PrepareNetworkPort(connection, snmpAnswered, port, created);
        const std::wstring at = connection.networkHost + L":" + Number(static_cast<long>(connection.networkPort));
        m_log.Line(!ok      ? L"Failed: no Standard TCP/IP port could be made for " + at + L"."
                   : created ? L"Standard TCP/IP port " + port + L" made for " + at + L"."
                             : L"Standard TCP/IP port " + port + L" for " + at + L" is there already and is used.");
        return ok;
    }
    InstallResult PrepareSerialPort(const ConnectionSettings& connection, std::wstring& port, bool& created) override
    {
        const InstallResult result = m_ops.PrepareSerialPort(connection, port, created);
        const wchar_t* flow = connection.flow == FlowControl::None      ? L"no flow control"
                              : connection.flow == FlowControl::XonXoff ? L"Xon/Xoff flow control"
                                                                        : L"hardware flow control";
        if (result == InstallResult::Success)
            m_log.Line(L"Serial port " + connection.serialPort + L" opened (nothing sent) and set to " +
                       Number(static_cast<long>(connection.baud)) + L" baud, 8 data bits, no parity, 1 stop bit, " +
                       flow + (created ? L"; the spooler's port " + port + L" added." : std::wstring(L".")));
        else if (result == InstallResult::SerialPortNotOpened)
            m_log.Line(L"Failed: serial port " + connection.serialPort + L" is not there or cannot be opened.");
        else
            m_log.Line(L"Failed: serial port " + connection.serialPort +
                       L" could not be set up, or the spooler has no port of it.");
        return result;
    }
    void DeleteMadePort(const std::wstring& port, const std::wstring& connectionType) override
    {
        m_ops.DeleteMadePort(port, connectionType);
        m_log.Line(L"The port " + port + L" made by this run is taken away again.");
    }
    bool DeviceRecordsFinished(const PrinterModel& model) override
    {
        const bool finished = m_ops.DeviceRecordsFinished(model);
        if (finished)
            m_log.Line(L"The device records are there already.");
        return finished;
    }
    bool AddPrinterDirect(const std::wstring& printerName, const std::wstring& port,
                          const std::wstring& driverName) override
    {
        return Outcome(m_ops.AddPrinterDirect(printerName, port, driverName),
                       L"Printer " + Quoted(printerName) + L" created on " + port,
                       L"The spooler refused to create printer " + Quoted(printerName) + L" on " + port);
    }
    bool InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                   const std::wstring& port) override
    {
        return Outcome(m_ops.InstallPrinterWithPrintUI(model, printerName, port),
                       L"Driver and printer installed on " + port + L" by the system's printer installation",
                       L"The system's printer installation could not be run, did not end in time or reported a failure");
    }
    DefaultPrinterOutcome MakeDefaultPrinter(const std::wstring& printerName, const std::wstring& connectionType,
                                             const std::wstring& port) override
    {
        const DefaultPrinterOutcome outcome = m_ops.MakeDefaultPrinter(printerName, connectionType, port);
        switch (outcome) {
        case DefaultPrinterOutcome::Set:
            m_log.Line(L"Default printer: " + Quoted(printerName) + L".");
            break;
        case DefaultPrinterOutcome::NotSet:
            m_log.Line(L"Failed: " + Quoted(printerName) + L" could not be made the default printer.");
            break;
        case DefaultPrinterOutcome::LeftToUser:
            m_log.Line(L"Default printer left as it is: this run is the local system account's, and the "
                       L"default printer is each user's own to choose.");
            break;
        }
        return outcome;
    }
    bool WriteUsbDeviceRecords(const PrinterModel& model) override
    {
        return Outcome(m_ops.WriteUsbDeviceRecords(model), L"Device records written for the USB printer",
                       L"No device records handed over for the USB printer: its device key is gone or could not "
                       L"be written");
    }
    bool WriteLptDeviceRecords(const PrinterModel& model) override
    {
        return Outcome(m_ops.WriteLptDeviceRecords(model), L"Device records written for the parallel printer",
                       L"No device records handed over for the parallel printer: the parallel-port enumerator "
                       L"lists no device of the model, or a key could not be written");
    }
    void ClearHelperHandOff() override { m_ops.ClearHelperHandOff(); }
    bool ExtractHelperService(const std::wstring& exeName) override
    {
        return Outcome(m_ops.ExtractHelperService(exeName), L"Helper service program " + exeName + L" written",
                       L"Helper service program " + exeName + L" could not be written");
    }
    std::wstring CommonFilesFolder() override { return m_ops.CommonFilesFolder(); }
    HelperRunResult RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName) override
    {
        const HelperRunResult result = m_ops.RunHelperServiceOnce(binaryPath, serviceName);
        if (result.Ran()) {
            m_log.Line(L"Helper service " + Quoted(serviceName) + L" ran and was removed.");
            return result;
        }
        const wchar_t* step = L"";
        switch (result.failed) {
        case HelperRunResult::Step::Install: step = L"could not be installed"; break;
        case HelperRunResult::Step::Start: step = L"could not be started"; break;
        case HelperRunResult::Step::Stop: step = L"did not stop"; break;
        case HelperRunResult::Step::Remove: step = L"could not be removed"; break;
        case HelperRunResult::Step::None: break;
        }
        m_log.Line(L"Failed: helper service " + Quoted(serviceName) + L" " + step + L" (system error " +
                   Number(static_cast<long>(result.error)) + L").");
        return result;
    }

    bool RegisterInstallation(const PrinterModel& model) override
    {
        const bool registered = m_ops.RegisterInstallation(model);
        return Outcome(registered, L"Registered in the list of programs, with a copy of the installer for removal",
                       L"Failed: the installation could not be registered: " + m_ops.RegistrationProblem());
    }
    std::wstring RegistrationProblem() const override { return m_ops.RegistrationProblem(); }

private:
    // Why a staging step failed, when the package's digest list refused a file.
    std::wstring Refused() const
    {
        const std::wstring file = m_ops.RefusedPackageFile();
        return file.empty() ? std::wstring()
                            : L": the package file " + Quoted(file) +
                                  L" is missing, a link, or not the one this installer's digest list names";
    }

    bool Outcome(bool ok, const std::wstring& done, const std::wstring& failed)
    {
        m_log.Line((ok ? done : failed) + L".");
        return ok;
    }

    IInstallOperations& m_ops;
    CInstallLog& m_log;
};

}  // namespace

int RunUnattendedInstallation(InstallContext& context, const CommandLineOptions& options,
                              const std::wstring& commandLine, const RunningProgramFile& program)
{
    UnattendedRun run(options);
    CInstallLog& log = run.Log();
    int exitCode = 0;
    if (!run.Begin(L"Unattended installation: " + commandLine, exitCode))
        return exitCode;

    const std::wstring folder = GetProgramFolder();
    const ModelCatalogue catalogue = BuildModelCatalogue(folder);
    const bool automatic = IsAutomaticModel(options.model);
    const PrinterModel* model = nullptr;
    std::wstring connectionType;
    if (!automatic) {
        model = FindNamedModel(catalogue, options.model);
        if (!model) {
            std::wstring offered;
            for (const PrinterModel& m : catalogue)
                offered += (offered.empty() ? L"" : L", ") + m.infBaseName + L" (" + m.displayName + L")";
            return run.Refuse(L"no model " + Quoted(options.model) + L" in " + folder + L"; it offers " +
                              (offered.empty() ? L"none" : offered));
        }
        std::wstring why;
        if (!ChooseConnection(*model, options.cable, connectionType, why))
            return run.Refuse(why);
    }

    // The command line is right: from here on this run changes the machine,
    // and only when no other run does.
    if (!run.TakeLock(exitCode))
        return exitCode;
    // What this computer does not take: nothing is changed, whatever is
    // connected.
    const InstallationCheck allowed = CheckInstallationAllowed(context, options.force);
    if (!allowed.log.empty())
        log.Line(allowed.log);
    if (allowed.exitCode != 0) {
        log.Line(L"Not installed. Exit code " + Number(allowed.exitCode) + L".");
        return allowed.exitCode;
    }

    if (automatic) {
        // The one listed model whose printer is connected.
        const std::vector<AttachedModel> attached = AttachedModels(catalogue, options.cable);
        std::wstring found;
        for (const AttachedModel& a : attached)
            found += (found.empty() ? L"" : L", ") + a.model->infBaseName + L" (" + CableName(a.connectionType) +
                     L")";
        if (attached.empty()) {
            log.Line(L"No connected " + std::wstring(options.cable.empty() ? L"USB or parallel" : options.cable) +
                     L" printer is one of the listed models. Nothing was changed. Exit code " +
                     Number(kNoAttachedModelExitCode) + L".");
            return kNoAttachedModelExitCode;
        }
        if (attached.size() > 1) {
            log.Line(L"Printers of more than one listed model are connected: " + found +
                     L"; name the model with /model. Nothing was changed. Exit code " +
                     Number(kSeveralAttachedModelsExitCode) + L".");
            return kSeveralAttachedModelsExitCode;
        }
        log.Line(L"The connected printer is a " + found + L".");
        model = attached.front().model;
        connectionType = attached.front().connectionType;
    }

    context.model = *model;
    context.model.connectionType = connectionType;
    context.connection = options.connection;
    const std::wstring where =
        connectionType == L"NET"   ? L"the network printer at " + options.connection.networkHost + L":" +
                                       Number(static_cast<long>(options.connection.networkPort))
        : connectionType == L"COM" ? L"serial port " + options.connection.serialPort
                                   : L"the " + CableName(connectionType) + L" cable";
    log.Line(L"Installing " + model->displayName + L" (" + model->infBaseName + L".INF) on " + where + L", Windows " +
             Number(static_cast<long>(context.osMajorVersion)) +
             L"." + Number(static_cast<long>(context.osMinorVersion)) + L", spooler environment " + context.environment + L", " +
             (context.useLegacyInstall ? L"through the spooler directly." : L"through the system's printer installation."));

    RecordedMachine machine(context, program);
    machine.machine.SetUnattended(true);
    LoggedOperations operations(machine.operations, log);
    QuietPage page(log, context.model, options.force);
    SystemRunHost host;
    InstallSequence sequence(context, page, host, operations);
    sequence.SetPaced(false);
    // Run again, or over an older release: a printer of the model on the
    // port stays the printer, and no copy is added.
    sequence.SetKeepExistingPrinter(true);
    sequence.OnSetActive();

    const InstallResult result = sequence.GetResultCode();
    if (result != InstallResult::Success) {
        log.Line(L"Not installed. Exit code " + Number(ResultValue(result)) + L".");
        return ResultValue(result);
    }
    // Installed: the exit code says what is still missing, the unfinished
    // device records before the default printer.
    const std::wstring printer = sequence.GetPrinterName();
    const CompletionOutcome completion = sequence.GetCompletionOutcome();
    if (completion == CompletionOutcome::HelperNotWritten || completion == CompletionOutcome::HelperFailed) {
        log.Line(L"Installed: printer " + Quoted(printer) + L", but its device records are not finished. Exit code " +
                 Number(kHelperNotFinishedExitCode) + L".");
        return kHelperNotFinishedExitCode;
    }
    if (!sequence.IsRegistered()) {
        log.Line(L"Installed: printer " + Quoted(printer) + L", but not registered. Exit code " +
                 Number(kNotRegisteredExitCode) + L".");
        return kNotRegisteredExitCode;
    }
    if (printer.empty()) {
        log.Line(L"Installed, but the new printer does not carry the model's name and was not made the default "
                 L"printer. Exit code " + Number(kDefaultPrinterNotSetExitCode) + L".");
        return kDefaultPrinterNotSetExitCode;
    }
    if (sequence.GetDefaultPrinterOutcome() == DefaultPrinterOutcome::NotSet) {
        log.Line(L"Installed: printer " + Quoted(printer) + L", but it is not the default printer. Exit code " +
                 Number(kDefaultPrinterNotSetExitCode) + L".");
        return kDefaultPrinterNotSetExitCode;
    }
    log.Line((sequence.KeptExistingPrinter() ? L"Already installed: printer " : L"Installed: printer ") +
             Quoted(printer) + L". Exit code 0.");
    return 0;
}
