// The installation run of the setup page, from the version check to the
// default printer, the device records and the helper service. It reaches the
// page, the system and the machine only through the three interfaces below,
// so every path can be driven with fakes; the program wires in the real page,
// the real host and the real operations.
#ifndef QV_INSTALL_INSTALLSEQUENCE_H
#define QV_INSTALL_INSTALLSEQUENCE_H

#include <cstdint>
#include <string>
#include <vector>

#include "context/InstallContext.h"
#include "context/InstallResult.h"
#include "install/HelperRun.h"
#include "install/NetworkProbe.h"

// What became of the default printer after the printer was created.
enum class DefaultPrinterOutcome {
    Set,         // the new printer is the default printer
    NotSet,      // it could not be made the default printer
    LeftToUser,  // a run as the local system account: the default printer is each user's own
};

// How the device records of a successful run ended.
enum class CompletionOutcome {
    NothingToFinish,   // no device to finish (no helper run needed)
    Finished,          // the helper service ran and was removed
    HelperNotWritten,  // the helper program could not be written out
    HelperFailed,      // a step of the helper service's run failed
};

// What the run shows on the setup page and the wizard around it, in the
// run's own terms; the page turns them into its texts and controls.
class ISetupPage {
public:
    enum class Button { Back, Next, Cancel, Finish };
    // The wizard's caption.
    enum class Phase { Installing, Complete };
    // The status line under the progress bar.
    enum class Status { None, SystemInfo, CopyFiles, AddDriver, AddPrinter, Succeeded, Failed };

    virtual ~ISetupPage() = default;
    virtual void SetPhase(Phase phase) = 0;
    // The heading and the bare labels of the printer-name, port and model
    // lines.
    virtual void PrepareLines() = 0;
    // The printer-name and port lines (the model line is never shown).
    virtual void ShowLines(bool show) = 0;
    virtual void SetPrinterName(const std::wstring& name) = 0;
    virtual void SetPortName(const std::wstring& port) = 0;
    virtual void SetModel(const std::wstring& driverName) = 0;
    // The status line is transparent: hiding it erases the old text, showing
    // it with a new status draws that.
    virtual void HideStatus() = 0;
    virtual void ShowStatus(Status status) = 0;
    virtual void ShowTestPageButton(bool show) = 0;
    virtual void EnableButton(Button button, bool enable) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressStep(int step) = 0;
    virtual void SetProgressPos(int pos) = 0;
    virtual void StepProgress() = 0;
    virtual int GetProgressPos() = 0;
    virtual void UpdatePage() = 0;
    // The copy-number format of a taken printer name (" (Copy %d)") in the
    // user's language.
    virtual std::wstring CopySuffixFormat() = 0;
    // The message of a failed run.
    virtual void ReportFailure(InstallResult result) = 0;
    // The printer list could not be read; `errorCode` is the system's.
    virtual void ReportPrinterListError(std::uint32_t errorCode) = 0;
    // Whether to install on a printer that is not the model's; true for yes.
    virtual bool AskForceInstall() = 0;
    // The network printer says it is another model (`printerSays`, its
    // device id or description): whether to install on it; true for yes.
    virtual bool AskInstallOnOtherModel(const std::wstring& printerSays) = 0;
    // Nothing answers at `address` ("host:port"): whether to install
    // anyway (a printer that is switched off now); true for yes.
    virtual bool AskInstallWithoutAnswer(const std::wstring& address) = 0;
    // The helper program could not be written out; `modelName` is the
    // model's display name.
    virtual void ReportHelperNotWritten(const std::wstring& modelName) = 0;
    // A step of the helper service's run failed (see `result`), so the
    // device records are not finished.
    virtual void ReportHelperFailed(const std::wstring& modelName, const HelperRunResult& result) = 0;
    // The printer is installed, but the entry in the list of programs, the
    // installer copy or the record of what was installed could not be
    // written.
    virtual void ReportNotRegistered(const std::wstring& modelName) = 0;
};

// What a staging step put in the driver folders, full paths: the files and
// folders it created where nothing of that name was (what it found there or
// replaced is not among them), and every file it wrote or found in place.
struct StagedPaths {
    std::vector<std::wstring> createdFiles;
    std::vector<std::wstring> createdFolders;
    std::vector<std::wstring> targets;
};

// The system services the run needs whatever page it runs for: the message
// pumping that keeps a window painted and notices a quit, the clock and the
// sleeps of its pacing, and the notice to other programs. One real host
// serves the wizard and the unattended run alike (SystemRunHost).
class IRunHost {
public:
    virtual ~IRunHost() = default;
    // Dispatches the pending window messages; false when a quit message came.
    virtual bool PumpMessages() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    // A millisecond clock (any origin; it may wrap around).
    virtual std::uint32_t TickCount() = 0;
    // Tells running programs that the default printer changed.
    virtual void BroadcastSettingChange() = 0;
};

// The operations on the machine that the run calls, in its fixed order.
// Everything about the model comes with the call; only the platform's
// settings are the operations' own. (MakeDefaultPrinter: the system headers
// reserve the name SetDefaultPrinter for a macro.)
class IInstallOperations {
public:
    virtual ~IInstallOperations() = default;
    // The port of the USB printer whose device key is `deviceKeyName` (see
    // ModelDeviceKeyName).
    virtual InstallResult DetectUsbPrinterPort(const std::wstring& deviceKeyName, std::wstring& description,
                                               std::wstring& port) = 0;
    // Fills `names` (emptied first); false with the system's error code on
    // failure.
    virtual bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode) = 0;
    virtual bool StageDriverFiles(const PrinterModel& model) = 0;
    virtual bool StageInfAndCatalog(const PrinterModel& model) = 0;
    // After a staging step failed: the package file the installer's digest
    // list refused (its path in the package), or empty.
    virtual std::wstring RefusedPackageFile() const { return std::wstring(); }
    // After a staging step: what it put in the driver folders.
    virtual StagedPaths LastStaged() const { return StagedPaths(); }
    // The model's driver for its connection type.
    virtual bool RegisterPrinterDriver(const PrinterModel& model) = 0;
    // A local printer on driver `driverName` and port `port` (its name in
    // `printer`); false when there is none or the list cannot be read.
    virtual bool FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port, std::wstring& printer)
    {
        (void)driverName, (void)port, (void)printer;
        return false;
    }
    // The model's driver registered again from the staged files, with no
    // printer added: the installation path's own way (the spooler directly,
    // or the system's printer installation of the driver alone).
    virtual bool UpdatePrinterDriver(const PrinterModel& model)
    {
        (void)model;
        return false;
    }
    // Whether the network printer of `connection` answers, and what it says
    // it is.
    virtual NetworkProbeResult ProbeNetworkPrinter(const ConnectionSettings& connection)
    {
        (void)connection;
        return NetworkProbeResult();
    }
    // The Standard TCP/IP port of `connection` (one of the same address and
    // number is reused) in `port`; `created` when this call made it. SNMP
    // status queries are on only where the printer answered SNMP.
    virtual bool PrepareNetworkPort(const ConnectionSettings& connection, bool snmpAnswered, std::wstring& port,
                                    bool& created)
    {
        (void)connection, (void)snmpAnswered, (void)port, (void)created;
        return false;
    }
    // The serial port of `connection` opened once (nothing sent) and set up
    // for printing; `port` the spooler's name of it ("COM3:"), `created`
    // when the spooler had no such port and this call added it. Success,
    // SerialPortNotOpened or SerialPortNotConfigured.
    virtual InstallResult PrepareSerialPort(const ConnectionSettings& connection, std::wstring& port, bool& created)
    {
        (void)connection, (void)port, (void)created;
        return InstallResult::SerialPortNotOpened;
    }
    // A port this run made, taken away again because the run failed after
    // making it.
    virtual void DeleteMadePort(const std::wstring& port, const std::wstring& connectionType)
    {
        (void)port, (void)connectionType;
    }
    // Whether the connected device of the model already has its records
    // finished by an installation of ours (tied to a class instance of the
    // model), or there is no device to finish.
    virtual bool DeviceRecordsFinished(const PrinterModel& model)
    {
        (void)model;
        return false;
    }
    virtual bool AddPrinterDirect(const std::wstring& printerName, const std::wstring& port,
                                  const std::wstring& driverName) = 0;
    // Driver and printer `printerName` through the system's printer
    // installation; false when it could not be run, did not end in time or
    // reported a failure.
    virtual bool InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                           const std::wstring& port) = 0;
    virtual DefaultPrinterOutcome MakeDefaultPrinter(const std::wstring& printerName,
                                                     const std::wstring& connectionType,
                                                     const std::wstring& port) = 0;
    // The class instance key, and the hand-off values for the helper when
    // the device's key is there; true when they were handed over.
    virtual bool WriteUsbDeviceRecords(const PrinterModel& model) = 0;
    virtual bool WriteLptDeviceRecords(const PrinterModel& model) = 0;
    // Removes whatever hand-off values are left in the class key: after the
    // helper's run (it takes them) and on every path without one, so that no
    // later run of the helper applies them.
    virtual void ClearHelperHandOff() = 0;
    virtual bool ExtractHelperService(const std::wstring& exeName) = 0;
    // The common program-files folder, as the shell reports it.
    virtual std::wstring CommonFilesFolder() = 0;
    virtual HelperRunResult RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName) = 0;
    // After a successful run: the entry in the system's list of programs and
    // the copy of the installer it starts for removal; false when not all of
    // it could be written, or the run's record of what it installed could
    // not be written whole.
    virtual bool RegisterInstallation(const PrinterModel& model) = 0;
    // After RegisterInstallation failed: what failed, in the log's words.
    virtual std::wstring RegistrationProblem() const { return std::wstring(); }
};

class InstallSequence {
public:
    InstallSequence(InstallContext& context, ISetupPage& page, IRunHost& host, IInstallOperations& operations);

    // The page's activation: the whole run with its status, progress, and
    // the message of a failure. When the program is told to end during the
    // run (the host's pumping reports a quit), the run stops before its next
    // step with the result Interrupted, and shows and asks nothing more.
    void OnSetActive();
    // After the frame set its buttons for the last page: Back only after a failure.
    void OnAfterNext();
    // Back to the connection page for another attempt.
    long OnWizardBack();

    // Whether the progress is paced for a person watching (the default). An
    // unattended run goes straight on; the helper service's waits stay.
    void SetPaced(bool paced) { m_paced = paced; }
    // Whether a printer of the model already on the port is kept instead of
    // a copy being added (an unattended run, run again or over an older
    // release): its driver's files are checked and registered again, the
    // default printer set as always, and device records written only where
    // they are missing. The wizard adds a copy, as a person asks for it.
    void SetKeepExistingPrinter(bool keep) { m_keepExisting = keep; }
    // The run kept a printer that was there (see SetKeepExistingPrinter).
    bool KeptExistingPrinter() const { return m_keptExisting; }

    InstallResult RunInstallation();
    CompletionOutcome CompleteInstallation();
    void ShowStatus(ISetupPage::Status status, unsigned steps);
    void WaitPumping(unsigned totalMs, unsigned sliceMs);
    std::wstring GetHelperServicePath();

    InstallResult GetResultCode() const { return m_resultCode; }
    DefaultPrinterOutcome GetDefaultPrinterOutcome() const { return m_defaultPrinter; }
    CompletionOutcome GetCompletionOutcome() const { return m_completion; }
    // Whether the successful run was registered (see RegisterInstallation).
    bool IsRegistered() const { return m_registered; }
    const std::wstring& GetPrinterName() const { return m_printerName; }
    const std::vector<std::wstring>& GetPrintersBefore() const { return m_printersBefore; }
    const std::vector<std::wstring>& GetPrintersAfter() const { return m_printersAfter; }

private:
    void Enumerate(std::vector<std::wstring>& names);
    // The run's steps; RunInstallation takes away a port they made when
    // they fail.
    InstallResult RunSteps();
    // The rest of a run that keeps printer `printer` on `port`.
    InstallResult KeepPrinter(const std::wstring& printer, const std::wstring& port);
    // The port of a network or serial printer, made or found; the questions
    // when the network printer does not answer or is another model.
    InstallResult FindNetworkPrinter(std::wstring& port);
    InstallResult FindSerialPrinter(std::wstring& port);

    InstallContext& m_context;
    ISetupPage& m_page;
    IRunHost& m_host;
    IInstallOperations& m_ops;

    InstallResult m_resultCode = InstallResult::Success;
    DefaultPrinterOutcome m_defaultPrinter = DefaultPrinterOutcome::NotSet;
    CompletionOutcome m_completion = CompletionOutcome::NothingToFinish;
    bool m_registered = false;
    // A quit message came while the run pumped messages: the run ends
    // before its next step.
    bool m_quitting = false;
    bool m_paced = true;
    bool m_keepExisting = false;
    bool m_keptExisting = false;
    // The pacing's schedule: the run's start on the host's clock, and how
    // long after it the current wait is due to end.
    std::uint32_t m_scheduleStart = 0;
    std::uint32_t m_scheduledMs = 0;
    std::wstring m_printerName;
    std::vector<std::wstring> m_printersBefore;
    std::vector<std::wstring> m_printersAfter;
    std::wstring m_serviceExeName;
    std::wstring m_serviceName;
    // A port this run made (network or serial), until the run succeeded.
    std::wstring m_madePort;
};

#endif
