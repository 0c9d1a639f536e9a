#include "install/InstallSequence.h"

#include "install/PrinterNaming.h"
#include "wizard/res/resource.h"

namespace {

// Controls of the setup page.
const int kNameLine = IDC_SETUP_NAME;
const int kPortLine = IDC_SETUP_PORT;
const int kModelLine = IDC_SETUP_MODEL;
const int kStatusLine = IDC_SETUP_STATUS;
const int kHeading = IDC_SETUP_HEADING;
const int kTestPageButton = IDC_TEST_PAGE;

const unsigned kStepsPerStatus = 12;

}  // namespace

unsigned MessageIdForResult(std::int32_t result)
{
    switch (result) {
    case UsbNoPrinter: return IDS_ERR_USB_NO_PRINTER;
    case UsbDeviceNotMatched: return IDS_ERR_DEVICE_MISMATCH;
    case UsbNotAvailable: return IDS_ERR_USB_NOT_AVAILABLE;
    case FilesNotStaged: return IDS_ERR_FILES_NOT_STAGED;
    case PrinterNotCreated: return IDS_ERR_UNKNOWN;
    case DriverNotAdded: return IDS_ERR_DRIVER_NOT_ADDED;
    case PrinterNotAdded: return IDS_ERR_PRINTER_NOT_ADDED;
    case SystemTooOld: return IDS_ERR_SYSTEM_TOO_OLD;
    default: return 0;
    }
}

std::wstring ComposeHelperServicePath(const std::wstring& commonFilesFolder, const std::wstring& exeName)
{
    std::wstring path = commonFilesFolder;
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path + L"Services\\" + exeName;
}

InstallSequence::InstallSequence(InstallContext& context, ISetupPageUi& ui, IInstallOperations& operations)
    : m_context(context), m_ui(ui), m_ops(operations)
{
}

std::wstring InstallSequence::Label(unsigned labelId, const std::wstring& value)
{
    // A blank and a tab between the label and its value.
    return m_ui.LoadText(labelId) + L" \t" + value;
}

void InstallSequence::OnSetActive()
{
    m_ui.SetWizardTitle(m_ui.LoadText(IDS_CAPTION_INSTALLING));
    ShowStatus(std::wstring(), 0, true);
    m_ui.ShowItem(kNameLine, false);
    m_ui.ShowItem(kPortLine, false);
    m_ui.SetItemText(kHeading, m_ui.LoadText(IDS_SETUP_HEADING));
    m_ui.SetItemText(kNameLine, m_ui.LoadText(IDS_NAME_LABEL));
    m_ui.SetItemText(kPortLine, m_ui.LoadText(IDS_PORT_LABEL));
    m_ui.SetItemText(kModelLine, m_ui.LoadText(IDS_MODEL_LINE_LABEL));
    m_ui.ShowItem(kNameLine, true);
    m_ui.ShowItem(kPortLine, true);

    m_serviceExeName = L"QPHelper.exe";
    m_serviceName = L"Quorvex Printer Helper";

    m_ui.SetProgressRange(1, 100);
    m_ui.SetProgressStep(1);
    m_ui.SetProgressPos(0);

    m_ui.ShowItem(kTestPageButton, false);
    m_ui.EnableButton(ISetupPageUi::Back, false);
    m_ui.EnableButton(ISetupPageUi::Next, false);
    m_ui.EnableButton(ISetupPageUi::Cancel, false);
    m_ui.EnableButton(ISetupPageUi::Finish, false);

    m_resultCode = RunInstallation();

    if (m_resultCode == Success) {
        CompleteInstallation();
        ShowStatus(m_ui.LoadText(IDS_INSTALL_SUCCESS), 0, true);
        m_ui.ShowItem(kTestPageButton, true);
    } else {
        m_ui.SetProgressPos(100);
        unsigned messageId = MessageIdForResult(m_resultCode);
        std::wstring message = messageId ? m_ui.LoadText(messageId) : std::wstring();
        ShowStatus(m_ui.LoadText(IDS_INSTALL_FAILED), 0, true);
        m_ui.ShowError(message);
    }
    m_ui.SetWizardTitle(m_ui.LoadText(IDS_CAPTION_COMPLETE));
}

void InstallSequence::OnAfterNext()
{
    m_ui.EnableButton(ISetupPageUi::Back, m_resultCode != Success);
}

long InstallSequence::OnWizardBack()
{
    m_ui.EnableButton(ISetupPageUi::Back, true);
    m_ui.EnableButton(ISetupPageUi::Next, true);
    m_ui.EnableButton(ISetupPageUi::Cancel, true);
    m_ui.EnableButton(ISetupPageUi::Finish, false);
    return 0;
}

void InstallSequence::Enumerate(std::vector<std::wstring>& names)
{
    std::wstring errorText;
    if (!m_ops.EnumeratePrinterNames(names, errorText))
        m_ui.ShowError(errorText);
}

std::int32_t InstallSequence::RunInstallation()
{
    m_resultCode = Success;
    m_printersBefore.clear();
    m_printersAfter.clear();
    if (static_cast<std::int32_t>(m_context.osMajorVersion) < 5)
        return m_resultCode = SystemTooOld;

    const PrinterModel& model = m_context.model;
    std::wstring port = L"LPT1:";
    m_ui.ShowItem(kNameLine, false);
    m_ui.ShowItem(kPortLine, false);

    if (model.connectionType == L"USB") {
        std::wstring description;
        m_resultCode = m_ops.DetectUsbPrinterPort(description, port);
        if (m_resultCode == UsbDeviceNotMatched && m_ui.AskYesNo(m_ui.LoadText(IDS_ASK_FORCE_INSTALL)))
            m_resultCode = Success;  // forced: goes on with the port as detection left it
    }
    if (m_resultCode != Success)
        return m_resultCode;

    m_ui.ShowItem(kNameLine, true);
    m_ui.ShowItem(kPortLine, true);
    m_printerName.clear();

    Enumerate(m_printersBefore);
    std::wstring candidate =
        MakeUniquePrinterName(model.displayName, m_printersBefore, m_ui.LoadText(IDS_COPY_SUFFIX));
    m_ui.SetItemText(kNameLine, Label(IDS_NAME_LABEL, candidate));
    m_ui.SetItemText(kPortLine, Label(IDS_PORT_LABEL, port));
    m_ui.SetItemText(kModelLine, Label(IDS_MODEL_LINE_LABEL, model.driverName));

    ShowStatus(m_ui.LoadText(IDS_STATUS_SYSTEM_INFO), kStepsPerStatus, true);
    ShowStatus(m_ui.LoadText(IDS_STATUS_COPY_FILES), kStepsPerStatus, true);

    if (!m_ops.StageDriverFiles(model.infBaseName) || !m_ops.StageInfAndCatalog(model.infBaseName))
        return m_resultCode = FilesNotStaged;

    if (m_context.useLegacyInstall) {
        ShowStatus(m_ui.LoadText(IDS_STATUS_ADD_DRIVER), kStepsPerStatus, true);
        if (!m_ops.RegisterPrinterDriver(model.infBaseName, model.driverName, model.connectionType))
            return m_resultCode = DriverNotAdded;
        ShowStatus(m_ui.LoadText(IDS_STATUS_ADD_PRINTER), kStepsPerStatus, true);
        if (!m_ops.AddPrinterDirect(candidate, port))
            return m_resultCode = PrinterNotAdded;
    } else {
        ShowStatus(m_ui.LoadText(IDS_STATUS_ADD_DRIVER), kStepsPerStatus, true);
        if (!m_ops.InstallPrinterWithPrintUI(port))
            return m_resultCode = PrinterNotCreated;
        ShowStatus(m_ui.LoadText(IDS_STATUS_ADD_PRINTER), kStepsPerStatus, true);
    }

    Enumerate(m_printersAfter);
    if (m_printersAfter.size() == m_printersBefore.size())
        return m_resultCode = PrinterNotCreated;

    std::wstring newPrinter;
    if (FindNewPrinter(m_printersBefore, m_printersAfter, model.displayName, newPrinter)) {
        m_ops.MakeDefaultPrinter(newPrinter, model.connectionType, port);
        m_printerName = newPrinter;
        m_ui.SetItemText(kNameLine, Label(IDS_NAME_LABEL, newPrinter));
    }

    while (m_ui.GetProgressPos() < 100) {
        m_ui.StepProgress();
        WaitPumping(20, 10);
    }
    m_ui.UpdatePage();
    m_ui.BroadcastSettingChange();
    return m_resultCode = Success;
}

bool InstallSequence::CompleteInstallation()
{
    const PrinterModel& model = m_context.model;
    std::wstring caption = m_ui.LoadText(IDS_SETUP_UTILITY_CAPTION);
    size_t at = caption.find(L"%s");
    if (at != std::wstring::npos)
        caption.replace(at, 2, model.displayName);

    if (model.connectionType == L"LPT") {
        m_ops.WriteLptDeviceRecords(model.lptIdSuffix);
    } else if (model.connectionType == L"USB") {
        std::wstring description, port;
        if (m_ops.DetectUsbPrinterPort(description, port) != Success)
            return true;  // no device to finish: no records, no helper
        m_ops.WriteUsbDeviceRecords(model.usbIdSuffix);
    } else {
        return true;
    }

    if (!m_ops.ExtractHelperService(m_serviceExeName)) {
        m_ui.ShowMessage(caption, m_ui.LoadText(IDS_ERR_EXTRACT_HELPER));
        return false;
    }
    m_ops.RunHelperServiceOnce(GetHelperServicePath(), m_serviceName);
    return true;
}

void InstallSequence::ShowStatus(const std::wstring& text, unsigned steps, bool repaint)
{
    // The status line is transparent: hiding and showing it erases the old text.
    if (repaint)
        m_ui.ShowItem(kStatusLine, false);
    WaitPumping(0, 10);
    m_ui.SetItemText(kStatusLine, text);
    if (repaint)
        m_ui.ShowItem(kStatusLine, true);
    WaitPumping(0, 10);
    for (unsigned i = 0; i < steps; ++i) {
        m_ui.StepProgress();
        WaitPumping(25, 5);
    }
}

void InstallSequence::WaitPumping(unsigned totalMs, unsigned sliceMs)
{
    // Waits about totalMs in slices, keeping the window painted in between.
    // The time spent painting counts towards the wait, so that a progress
    // step takes its 25 ms however long the repaint of the page takes.
    const std::uint32_t start = m_ui.TickCount();
    m_ui.PumpMessages();
    if (sliceMs == 0)
        return;
    for (;;) {
        // Unsigned differences stay right when the clock wraps around.
        std::uint32_t elapsed = m_ui.TickCount() - start;
        if (elapsed >= totalMs)
            break;
        std::uint32_t left = totalMs - elapsed;
        m_ui.Sleep(left < sliceMs ? left : sliceMs);
        m_ui.PumpMessages();
    }
}

std::wstring InstallSequence::GetHelperServicePath()
{
    return ComposeHelperServicePath(m_ops.CommonFilesFolder(), m_serviceExeName);
}
