#include "install/InstallOperations.h"

#include <shlobj.h>

#include "install/DeviceDetection.h"
#include "install/DeviceRecords.h"
#include "install/DriverRegistration.h"
#include "install/Printers.h"
#include "install/ServiceHelper.h"

SystemInstallOperations::SystemInstallOperations(const InstallContext& context)
    : m_context(context), m_stager(context)
{
}

InstallResult SystemInstallOperations::DetectUsbPrinterPort(std::wstring& description, std::wstring& port)
{
    const PrinterModel& model = m_context.model;
    return ::DetectUsbPrinterPort(ModelDeviceKeyName(model, model.usbIdSuffix), description, port);
}

bool SystemInstallOperations::EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t& errorCode)
{
    return ::EnumeratePrinterNames(names, &errorCode);
}

bool SystemInstallOperations::StageDriverFiles(const std::wstring& infBaseName)
{
    return m_stager.StageDriverFiles(infBaseName);
}

bool SystemInstallOperations::StageInfAndCatalog(const std::wstring& infBaseName)
{
    return m_stager.StageInfAndCatalog(infBaseName);
}

bool SystemInstallOperations::RegisterPrinterDriver(const std::wstring& infBaseName, const std::wstring& driverName,
                                                    const std::wstring& connectionType)
{
    return ::RegisterPrinterDriver(m_context, infBaseName, driverName, connectionType);
}

bool SystemInstallOperations::AddPrinterDirect(const std::wstring& printerName, const std::wstring& port)
{
    return ::AddPrinterDirect(m_context, printerName, port);
}

bool SystemInstallOperations::InstallPrinterWithPrintUI(const std::wstring& port)
{
    return ::InstallPrinterWithPrintUI(m_context, port);
}

void SystemInstallOperations::MakeDefaultPrinter(const std::wstring& printerName, const std::wstring& connectionType,
                                                const std::wstring& port)
{
    ::SetDefaultPrinter(printerName, connectionType, port);
}

void SystemInstallOperations::WriteUsbDeviceRecords(const std::wstring& usbIdSuffix)
{
    ::WriteUsbDeviceRecords(m_context, usbIdSuffix);
}

void SystemInstallOperations::WriteLptDeviceRecords(const std::wstring& lptIdSuffix)
{
    ::WriteLptDeviceRecords(m_context, lptIdSuffix);
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

void SystemInstallOperations::RunHelperServiceOnce(const std::wstring& binaryPath, const std::wstring& serviceName)
{
    ::RunHelperServiceOnce(binaryPath, serviceName);
    m_stager.ReleaseHelperService();
}
