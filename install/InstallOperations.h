// The installation run's operations on the real machine.
#ifndef QV_INSTALL_INSTALLOPERATIONS_H
#define QV_INSTALL_INSTALLOPERATIONS_H

#include "context/InstallContext.h"
#include "install/DriverFileStager.h"
#include "install/InstallSequence.h"

class SystemInstallOperations : public IInstallOperations {
public:
    explicit SystemInstallOperations(const InstallContext& context);

    InstallResult DetectUsbPrinterPort(std::wstring& description, std::wstring& port) override;
    bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode) override;
    bool StageDriverFiles(const std::wstring& infBaseName) override;
    bool StageInfAndCatalog(const std::wstring& infBaseName) override;
    bool RegisterPrinterDriver(const std::wstring& infBaseName, const std::wstring& driverName,
                               const std::wstring& connectionType) override;
    bool AddPrinterDirect(const std::wstring& printerName, const std::wstring& port) override;
    bool InstallPrinterWithPrintUI(const std::wstring& port) override;
    void MakeDefaultPrinter(const std::wstring& printerName, const std::wstring& connectionType,
                           const std::wstring& port) override;
    void WriteUsbDeviceRecords(const std::wstring& usbIdSuffix) override;
    void WriteLptDeviceRecords(const std::wstring& lptIdSuffix) override;
    bool ExtractHelperService(const std::wstring& exeName) override;
    std::wstring CommonFilesFolder() override;
    void RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName) override;

private:
    const InstallContext& m_context;
    DriverFileStager m_stager;
};

#endif
