#include "install/InstallOperations.h"

#include <shlobj.h>

#include "install/DeviceDetection.h"
#include "install/DeviceRecords.h"
#include "install/DriverRegistration.h"
#include "install/InstallRecordStore.h"
#include "install/Printers.h"
#include "install/ServiceHelper.h"
#include "support/Security.h"

SystemInstallOperations::SystemInstallOperations(const InstallContext& context, const RunningProgramFile& program)
    : m_program(program), m_context(context), m_stager(context)
{
}

InstallContext SystemInstallOperations::WithModel(const PrinterModel& model) const
{
    InstallContext context = m_context;
    context.model = model;
    return context;
}

InstallResult SystemInstallOperations::DetectUsbPrinterPort(const std::wstring& deviceKeyName,
                                                            std::wstring& description, std::wstring& port)
{
    return ::DetectUsbPrinterPort(deviceKeyName, description, port);
}

bool SystemInstallOperations::EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode)
{
    return ::EnumeratePrinterNames(names, &errorCode);
}

template <class Step>
bool SystemInstallOperations::Stage(const PrinterModel& model, Step stage)
{
    const InstallContext context = WithModel(model);
    DriverFileStager stager(context);
    std::vector<DriverFileStager::Record> outcomes;
    stager.SetOutcomeLog(&outcomes);
    const bool staged = stage(stager);
    m_refusedFile = stager.RefusedFile();
    m_staged = StagedPaths();
    m_staged.createdFolders = stager.CreatedFolders();
    for (const DriverFileStager::Record& record : outcomes) {
        m_staged.targets.push_back(record.target);
        if (record.outcome == StageOutcome::Generated)
            m_staged.createdFiles.push_back(record.target);
    }
    return staged;
}

bool SystemInstallOperations::StageDriverFiles(const PrinterModel& model)
{
    return Stage(model, [&model](DriverFileStager& stager) { return stager.StageDriverFiles(model.infBaseName); });
}

bool SystemInstallOperations::StageInfAndCatalog(const PrinterModel& model)
{
    return Stage(model, [&model](DriverFileStager& stager) { return stager.StageInfAndCatalog(model.infBaseName); });
}

bool SystemInstallOperations::RegisterPrinterDriver(const PrinterModel& model)
{
    return ::RegisterPrinterDriver(WithModel(model), model.infBaseName, model.driverName, model.connectionType);
}

bool SystemInstallOperations::FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port,
                                                std::wstring& printer)
{
    return ::FindPrinterOnPort(driverName, port, printer);
}

bool SystemInstallOperations::UpdatePrinterDriver(const PrinterModel& model)
{
    // The installation path's own way: where the spooler takes the driver
    // directly, the same record again; elsewhere the system's printer
    // installation, of the driver alone.
    if (m_context.useLegacyInstall)
        return RegisterPrinterDriver(model);
    return ::InstallDriverWithPrintUI(WithModel(model), std::wstring(), m_unattended);
}

bool SystemInstallOperations::DeviceRecordsFinished(const PrinterModel& model)
{
    if (model.connectionType != L"USB" && model.connectionType != L"LPT")
        return true;
    return ::DeviceRecordsFinished(WithModel(model), model.connectionType == L"USB");
}

bool SystemInstallOperations::AddPrinterDirect(const std::wstring& printerName, const std::wstring& port,
                                               const std::wstring& driverName)
{
    return ::AddPrinterDirect(printerName, port, driverName);
}

bool SystemInstallOperations::InstallPrinterWithPrintUI(const PrinterModel& model, const std::wstring& printerName,
                                                        const std::wstring& port)
{
    return ::InstallPrinterWithPrintUI(WithModel(model), printerName, port, std::wstring(), m_unattended);
}

DefaultPrinterOutcome SystemInstallOperations::MakeDefaultPrinter(const std::wstring& printerName,
                                                                  const std::wstring& connectionType,
                                                                  const std::wstring& port)
{
    // The default printer is a setting of the user's profile: the system
    // account's own would change no user's.
    if (ProcessIsLocalSystemAccount())
        return DefaultPrinterOutcome::LeftToUser;
    return ::SetDefaultPrinter(printerName, connectionType, port) ? DefaultPrinterOutcome::Set
                                                                  : DefaultPrinterOutcome::NotSet;
}

bool SystemInstallOperations::WriteUsbDeviceRecords(const PrinterModel& model)
{
    return ::WriteUsbDeviceRecords(WithModel(model), model.usbIdSuffix);
}

bool SystemInstallOperations::WriteLptDeviceRecords(const PrinterModel& model)
{
    return ::WriteLptDeviceRecords(WithModel(model), model.lptIdSuffix);
}

void SystemInstallOperations::ClearHelperHandOff()
{
    ::ClearHelperHandOff();
}

bool SystemInstallOperations::ExtractHelperService(const std::wstring& exeName)
{
    return m_stager.ExtractHelperService(exeName);
}

std::wstring SystemInstallOperations::CommonFilesFolder()
{
    wchar_t folder[MAX_PATH] = {0};
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES_COMMON, FALSE);
    return folder;
}

HelperRunResult SystemInstallOperations::RunHelperServiceOnce(const std::wstring& binaryPath,
                                                              const std::wstring& serviceName)
{
    // Nobody watches an unattended run: it waits for what the service
    // reports, not for the seconds the wizard gives it.
    const HelperRunResult result = ::RunHelperServiceOnce(
        binaryPath, serviceName, m_unattended ? HelperPacing::AsReported : HelperPacing::FixedWaits);
    m_stager.ReleaseHelperService();
    return result;
}

bool SystemInstallOperations::RegisterInstallation(const PrinterModel&)
{
    return RegisterInstalledProduct(m_program, m_registrationProblem);
}
