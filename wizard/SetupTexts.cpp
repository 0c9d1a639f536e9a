#include "wizard/SetupTexts.h"

#include "context/ExitCodes.h"
#include "wizard/res/resource.h"

namespace {

// `format` with its first "%s" replaced by `value`.
std::wstring FillIn(const std::wstring& format, const std::wstring& value)
{
    std::wstring text = format;
    const std::size_t at = text.find(L"%s");
    if (at != std::wstring::npos)
        text.replace(at, 2, value);
    return text;
}

}  // namespace

const ResultText kResultTexts[] = {
    {InstallResult::UsbNoPrinter, IDS_ERR_USB_NO_PRINTER,
     L"the USB printing service lists no printer now: connect the printer and switch it on"},
    {InstallResult::UsbDeviceNotMatched, IDS_ERR_DEVICE_MISMATCH,
     L"no connected USB printer is a %s; /force installs on it anyway"},
    {InstallResult::UsbNotAvailable, IDS_ERR_USB_NOT_AVAILABLE,
     L"no USB printer has ever been connected to this computer"},
    {InstallResult::FilesNotStaged, IDS_ERR_FILES_NOT_STAGED,
     L"the driver files could not be copied into the spooler's driver directory"},
    {InstallResult::PrinterNotCreated, IDS_ERR_UNKNOWN, L"the printer was not created"},
    {InstallResult::NetworkNoAnswer, IDS_ERR_NET_NO_ANSWER,
     L"the printer does not answer on the network; /force installs it anyway"},
    {InstallResult::NetworkDeviceNotMatched, IDS_ERR_DEVICE_MISMATCH,
     L"the printer at that address says it is not a %s; /force installs on it anyway"},
    {InstallResult::NetworkPortNotCreated, IDS_ERR_PORT_NOT_CREATED, L"the printer's network port could not be created"},
    {InstallResult::SerialPortNotOpened, IDS_ERR_SERIAL_PORT,
     L"the serial port is not there or cannot be opened (another program may be using it)"},
    {InstallResult::SerialPortNotConfigured, IDS_ERR_SERIAL_SETTINGS,
     L"the serial port's settings could not be set, or the spooler has no port of that name"},
    {InstallResult::DriverNotAdded, IDS_ERR_DRIVER_NOT_ADDED, L"the spooler did not accept the printer driver"},
    {InstallResult::PrinterNotAdded, IDS_ERR_PRINTER_NOT_ADDED, L"the spooler did not create the printer"},
    {InstallResult::SystemTooOld, IDS_ERR_SYSTEM_TOO_OLD,
     L"this Windows is too old: Windows 2000 or later is needed"},
    // The program is ending: the wizard shows nothing more.
    {InstallResult::Interrupted, 0, L"the program was told to end"},
};

const std::size_t kResultTextCount = sizeof(kResultTexts) / sizeof(kResultTexts[0]);

const ResultText* FindResultText(InstallResult result)
{
    for (const ResultText& row : kResultTexts)
        if (row.result == result)
            return &row;
    return nullptr;
}

unsigned MessageIdForResult(InstallResult result)
{
    const ResultText* row = FindResultText(result);
    return row ? row->messageId : 0;
}

std::wstring ResultLogText(InstallResult result, const std::wstring& modelName)
{
    const ResultText* row = FindResultText(result);
    return row ? FillIn(row->logText, modelName) : std::wstring();
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
    return FillIn(format, modelName);
}

unsigned PhaseTitleId(ISetupPage::Phase phase)
{
    return phase == ISetupPage::Phase::Installing ? IDS_CAPTION_INSTALLING : IDS_CAPTION_COMPLETE;
}

const RemovalText kRemovalTexts[] = {
    {RemovalOutcome::Removed, 0, IDS_UNINSTALL_DONE, L"Removed."},
    {RemovalOutcome::RemovedAtRestart, kRemovedAtRestartExitCode, IDS_UNINSTALL_RESTART,
     L"Removed, but a file in use is deleted when Windows restarts."},
    {RemovalOutcome::NothingInstalled, kNothingInstalledExitCode, IDS_UNINSTALL_NOTHING,
     L"Nothing to remove: the Quorvex printer driver is not installed."},
    {RemovalOutcome::Incomplete, kRemovalIncompleteExitCode, IDS_UNINSTALL_FAILED,
     L"Not everything could be removed."},
};

const std::size_t kRemovalTextCount = sizeof(kRemovalTexts) / sizeof(kRemovalTexts[0]);

namespace {

const RemovalText& FindRemovalText(RemovalOutcome outcome)
{
    for (const RemovalText& row : kRemovalTexts)
        if (row.outcome == outcome)
            return row;
    return kRemovalTexts[kRemovalTextCount - 1];  // unknown: not removed
}

}  // namespace

unsigned RemovalMessageId(RemovalOutcome outcome)
{
    return FindRemovalText(outcome).messageId;
}

std::wstring RemovalLogText(RemovalOutcome outcome)
{
    return FindRemovalText(outcome).logText;
}

int RemovalExitCode(RemovalOutcome outcome)
{
    return FindRemovalText(outcome).exitCode;
}
