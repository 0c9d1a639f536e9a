// The installation run's operations with the record of what they put on the
// machine kept as they go: every file and folder a step created in the
// spooler's driver folders or the helper folder, the driver and the printer
// once they exist, and for the device records the new printer class
// instances and, before the helper service is handed anything, the values
// the device had. The record is written after each step, so that a run
// ended halfway is recorded as far as it got.
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
    bool RegisterInstallation() override;

private:
    // The files and folders below the spooler's driver folder now.
    std::set<std::wstring> DriverFolderContents() const;
    // Records what is below the driver folder now and was not in `before`.
    void RecordNewFiles(const std::set<std::wstring>& before);
    void RecordDriver(const std::wstring& driverName);
    // The instance keys of the devices whose values the helper will write,
    // with the values they have now; and the class instance keys now.
    bool WriteDeviceRecords(const PrinterModel& model, bool usb);

    IInstallOperations& m_ops;
    const InstallContext& m_context;
    std::wstring m_driverDirectory;
};

// The real machine's operations with their record: what the wizard and the
// unattended run install through.
struct RecordedMachine {
    explicit RecordedMachine(const InstallContext& context) : machine(context), operations(machine, context) {}

    SystemInstallOperations machine;
    RecordingOperations operations;
};

#endif
