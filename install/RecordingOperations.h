// The installation run's operations with the record of what they put on the
// machine kept as they go, so that removal takes away exactly that. Only
// what our own calls produced is recorded, by name as it was made: the files
// and folders the staging created, the files the spooler copied for our
// driver that were not there before, the driver and the printer once they
// exist, the printer class instances made for our model, the class key's
// values that were missing and that we wrote, and for the device records,
// before the helper service is handed anything, the values the device had.
// Nothing is recorded for merely being new in a folder: another program's
// files that appear meanwhile are not ours.
//
// A record that cannot be written is not passed over: the run goes on (what
// was done is done) but ends unregistered (RegisterInstallation is false),
// so that the exit code and the wizard say so. And every path the run
// writes or relies on is taken off the system's list of deletions at the
// next restart, where an earlier removal may have left it.
#ifndef QV_INSTALL_RECORDINGOPERATIONS_H
#define QV_INSTALL_RECORDINGOPERATIONS_H

#include <set>
#include <string>

#include "context/InstallContext.h"
#include "context/InstallRecord.h"
#include "install/InstallOperations.h"
#include "install/InstallSequence.h"

class RecordingOperations : public IInstallOperations {
public:
    RecordingOperations(IInstallOperations& operations, const InstallContext& context);

    InstallResult DetectUsbPrinterPort(const std::wstring& deviceKeyName, std::wstring& description,
                                       std::wstring& port) override;
    bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode) override;
    bool StageDriverFiles(const PrinterModel& model) override;
    bool StageInfAndCatalog(const PrinterModel& model) override;
    std::wstring RefusedPackageFile() const override { return m_ops.RefusedPackageFile(); }
    bool RegisterPrinterDriver(const PrinterModel& model) override;
    bool FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port, std::wstring& printer) override
    {
        return m_ops.FindPrinterOnPort(driverName, port, printer);
    }
    bool UpdatePrinterDriver(const PrinterModel& model) override;
    bool DeviceRecordsFinished(const PrinterModel& model) override { return m_ops.DeviceRecordsFinished(model); }
    NetworkProbeResult ProbeNetworkPrinter(const ConnectionSettings& connection) override
    {
        return m_ops.ProbeNetworkPrinter(connection);
    }
    bool PrepareNetworkPort(const ConnectionSettings& connection, bool snmpAnswered, std::wstring& port,
                            bool& created) override;
    InstallResult PrepareSerialPort(const ConnectionSettings& connection, std::wstring& port, bool& created) override;
    void DeleteMadePort(const std::wstring& port, const std::wstring& connectionType) override;
    bool AddPrinterDirect(const std::wstring& printerName, const std::wstring& port,
                          const std::wstring& driverName) override;
    bool InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                   const std::wstring& port) override;
    DefaultPrinterOutcome MakeDefaultPrinter(const std::wstring& printerName, const std::wstring& connectionType,
                                             const std::wstring& port) override;
    bool WriteUsbDeviceRecords(const PrinterModel& model) override;
    bool WriteLptDeviceRecords(const PrinterModel& model) override;
    void ClearHelperHandOff() override;
    bool ExtractHelperService(const std::wstring& exeName) override;
    std::wstring CommonFilesFolder() override;
    HelperRunResult RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName) override;
    bool RegisterInstallation(const PrinterModel& model) override;
    std::wstring RegistrationProblem() const override;

private:
    // The record of `model` as a model of its own, with nothing in its lists.
    static RecordedModel ModelEntry(const PrinterModel& model);
    // Adds `additions` to the record; a failure is remembered with `what`.
    bool Record(const InstallRecord& additions, const std::wstring& what);
    // Takes `paths` off the deletions at the next restart; a failure is
    // remembered.
    void KeepAfterRestart(const std::vector<std::wstring>& paths);
    // What a staging step for `model` created, and every path it wrote.
    void RecordStaged(const PrinterModel& model);
    // The files the spooler lists for `model`'s driver now that were not in
    // the driver folders before (`before`), with their new folders; and the
    // driver itself, under the version the spooler gave it.
    void RecordDriver(const PrinterModel& model, const std::set<std::wstring>& before);
    // The files and folders below the spooler's driver folder now.
    std::set<std::wstring> DriverFolderContents();
    bool WriteDeviceRecords(const PrinterModel& model, bool usb);
    // A port the model's printer goes on: one this run made (`port`, with
    // what it was made for), or one an earlier run of ours made, which the
    // model then shares; a port that was there before is not ours.
    void RecordPort(const RecordedPort& port, bool created);

    IInstallOperations& m_ops;
    const InstallContext& m_context;
    std::wstring m_driverDirectory;
    // The first record that could not be written, in the log's words.
    std::wstring m_recordProblem;
};

// The real machine's operations with their record: what the wizard and the
// unattended run install through.
struct RecordedMachine {
    RecordedMachine(const InstallContext& context, const RunningProgramFile& program)
        : machine(context, program), operations(machine, context)
    {
    }

    SystemInstallOperations machine;
    RecordingOperations operations;
};

#endif
