#include "wizard/SetupTexts.h"

#include "wizard/res/resource.h"

unsigned MessageIdForResult(InstallResult result)
{
    switch (result) {
    case InstallResult::UsbNoPrinter: return IDS_ERR_USB_NO_PRINTER;
    case InstallResult::UsbDeviceNotMatched: return IDS_ERR_DEVICE_MISMATCH;
    case InstallResult::UsbNotAvailable: return IDS_ERR_USB_NOT_AVAILABLE;
    case InstallResult::FilesNotStaged: return IDS_ERR_FILES_NOT_STAGED;
    case InstallResult::PrinterNotCreated: return IDS_ERR_UNKNOWN;
    case InstallResult::DriverNotAdded: return IDS_ERR_DRIVER_NOT_ADDED;
    case InstallResult::PrinterNotAdded: return IDS_ERR_PRINTER_NOT_ADDED;
    case InstallResult::SystemTooOld: return IDS_ERR_SYSTEM_TOO_OLD;
    case InstallResult::Success:
    case InstallResult::Interrupted: break;
    }
    return 0;
}

unsigned StatusTextId(ISetupPage::Status status)
{
    switch (status) {
    case ISetupPage::Status::SystemInfo: return IDS_STATUS_SYSTEM_INFO;
    case ISetupPage::Status::CopyFiles: return IDS_STATUS_COPY_FILES;
    case ISetupPage::Status::AddDriver: return IDS_STATUS_ADD_DRIVER;
    case ISetupPage::Status::AddPrinter: return IDS_STATUS_ADD_PRINTER;
    case ISetupPage::Status::Succeeded: return IDS_INSTALL_SUCCESS;
    case ISetupPage::Status::Failed: return IDS_INSTALL_FAILED;
    case ISetupPage::Status::None: break;
    }
    return 0;
}

std::wstring SetupUtilityCaption(const std::wstring& format, const std::wstring& modelName)
{
    std::wstring caption = format;
    const std::size_t at = caption.find(L"%s");
    if (at != std::wstring::npos)
        caption.replace(at, 2, modelName);
    return caption;
}

unsigned PhaseTitleId(ISetupPage::Phase phase)
{
    return phase == ISetupPage::Phase::Installing ? IDS_CAPTION_INSTALLING : IDS_CAPTION_COMPLETE;
}

unsigned RemovalMessageId(RemovalOutcome outcome)
{
    switch (outcome) {
    case RemovalOutcome::Removed: return IDS_UNINSTALL_DONE;
    case RemovalOutcome::RemovedAtRestart: return IDS_UNINSTALL_RESTART;
    case RemovalOutcome::NothingInstalled: return IDS_UNINSTALL_NOTHING;
    case RemovalOutcome::Incomplete: return IDS_UNINSTALL_FAILED;
    }
    return IDS_UNINSTALL_FAILED;
}

std::wstring RemovalLogText(RemovalOutcome outcome)
{
    switch (outcome) {
    case RemovalOutcome::Removed: return L"Removed.";
    case RemovalOutcome::RemovedAtRestart: return L"Removed, but a file in use is deleted when Windows restarts.";
    case RemovalOutcome::NothingInstalled: return L"Nothing to remove: the Quorvex printer driver is not installed.";
    case RemovalOutcome::Incomplete: return L"Not everything could be removed.";
    }
    return std::wstring();
}
