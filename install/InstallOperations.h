// The installation run's operations on the real machine.
#ifndef QV_INSTALL_INSTALLOPERATIONS_H
#define QV_INSTALL_INSTALLOPERATIONS_H

#include "context/InstallContext.h"
#include "install/DriverFileStager.h"
#include "install/InstallSequence.h"

class RunningProgramFile;

class SystemInstallOperations : public IInstallOperations {
public:
    // `program`: the running program's file, held since start-up, which
    // registration copies under Program Files.
    SystemInstallOperations(const InstallContext& context, const RunningProgramFile& program);

    // Nobody is at the machine: the system's printer installation is asked
    // to show no message either, and the helper service's run waits for
    // what the service reports instead of the wizard's fixed seconds.
    void SetUnattended(bool unattended) { m_unattended = unattended; }

    InstallResult DetectUsbPrinterPort(const std::wstring& deviceKeyName, std::wstring& description,
                                       std::wstring& port) override;
    bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode) override;
    bool StageDriverFiles(const PrinterModel& model) override;
    bool StageInfAndCatalog(const PrinterModel& model) override;
    std::wstring RefusedPackageFile() const override { return m_refusedFile; }
    StagedPaths LastStaged() const override { return m_staged; }
    bool RegisterPrinterDriver(const PrinterModel& model) override;
    bool FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port, std::wstring& printer) override;
    bool UpdatePrinterDriver(const PrinterModel& model) override;
    bool DeviceRecordsFinished(const PrinterModel& model) override;
    NetworkProbeResult ProbeNetworkPrinter(const ConnectionSettings& connection) override;
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
    std::wstring RegistrationProblem() const override { return m_registrationProblem; }

private:
    // Runs a staging step with `stage` on a stager of its own and keeps what
    // it put in the driver folders.
    template <class Step>
    bool Stage(const PrinterModel& model, Step stage);

    std::wstring m_refusedFile;
    StagedPaths m_staged;
    std::wstring m_registrationProblem;
    const RunningProgramFile& m_program;
    // The platform's settings with `model` as the model.
    InstallContext WithModel(const PrinterModel& model) const;

    const InstallContext& m_context;  // only its platform settings are read
    // The address the last probe found for its host name.
    std::wstring m_probedAddress;
    DriverFileStager m_stager;
    bool m_unattended = false;
};

#endif
