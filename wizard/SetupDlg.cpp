#include "wizard/SetupDlg.h"

#include <commctrl.h>
#include <winspool.h>

#include <vector>

#include "install/RecordingOperations.h"
#include "install/Printers.h"
#include "support/ResString.h"
#include "wizard/AppMessage.h"
#include "wizard/PrintTestPageDialog.h"
#include "wizard/SetupTexts.h"
#include "wizard/res/resource.h"

namespace {

IInstallOperations& OwnOperations(const InstallContext& context, const RunningProgramFile& program,
                                  std::unique_ptr<RecordedMachine>& owner)
{
    owner.reset(new RecordedMachine(context, program));
    return owner->operations;
}

}  // namespace

CSetupDlg::CSetupDlg(InstallContext& context, const RunningProgramFile& program)
    : CNewWizPage(IDD_SETUP), m_sequence(context, *this, m_host, OwnOperations(context, program, m_ownOperations))
{
}

CSetupDlg::CSetupDlg(InstallContext& context, IInstallOperations& operations)
    : CNewWizPage(IDD_SETUP), m_sequence(context, *this, m_host, operations)
{
}

CSetupDlg::~CSetupDlg() = default;

BOOL CSetupDlg::OnInitDialog()
{
    CNewWizPage::OnInitDialog();
    SendItem(IDC_SETUP_HEADING, WM_SETFONT, reinterpret_cast<WPARAM>(HeadingFont()), TRUE);
    ShowPicture(IDC_PAGE_PICTURE, IDB_BANNER_WELCOME, PictureAnchor::Top);
    CWnd::SetItemText(IDC_TEST_PAGE, ResString(IDS_PRINT_TEST_PAGE));
    // The template's placeholder status would flash before the run starts.
    CWnd::SetItemText(IDC_SETUP_STATUS, std::wstring());
    return TRUE;
}

void CSetupDlg::OnSetActive()
{
    m_sequence.OnSetActive();
}

void CSetupDlg::OnAfterNext()
{
    m_sequence.OnAfterNext();
}

LONG CSetupDlg::OnWizardBack()
{
    return m_sequence.OnWizardBack();
}

bool CSetupDlg::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    if (notifyCode == BN_CLICKED && id == IDC_TEST_PAGE) {
        OnTestPage();
        return true;
    }
    if (notifyCode == BN_CLICKED && id == IDC_PRINTER_SETTINGS) {
        ApplyPrinterDefaults();
        return true;
    }
    return CNewWizPage::OnCommand(id, notifyCode, control);
}

INT_PTR CSetupDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (message == WM_INSTALL_PRINT_TEST_PAGE) {
        PrintTestPage(GetPrinterName());
        handled = true;
        return 0;
    }
    return CNewWizPage::OnMessage(message, wParam, lParam, handled);
}

void CSetupDlg::OnTestPage()
{
    if (GetPrinterName().empty())
        return;
    // The posted request runs inside the dialog's loop before it shows.
    PostMessageW(m_hWnd, WM_INSTALL_PRINT_TEST_PAGE, 0, 0);
    CPrintTestPageDialog dialog;
    dialog.m_printerNameText = GetPrinterName();
    dialog.DoModal(TopLevelOf(m_hWnd));
}

void CSetupDlg::ShowSystemError()
{
    wchar_t text[1024] = {0};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(), 0, text, 1024, nullptr);
    MessageBoxW(m_hWnd, text, nullptr, MB_OK);
}

void CSetupDlg::ApplyPrinterDefaults()
{
    // Two rounds: landscape orientation, then A3 paper.
    for (int round = 0; round < 2; ++round) {
        SetLastError(0);
        UniquePrinter printer;
        std::wstring name = GetPrinterName();
        if (!OpenPrinterW(&name[0], printer.Put(), nullptr)) {
            printer.Release();  // whatever a failed call left there is no handle
            ShowSystemError();
            continue;
        }
        DWORD needed = 0;
        std::vector<BYTE> buffer(4096);
        BOOL ok = GetPrinterW(printer.Get(), 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
        if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
            buffer.resize(needed);
            ok = GetPrinterW(printer.Get(), 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
        }
        if (!ok) {
            ShowSystemError();
        } else {
            PRINTER_INFO_2W* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
            if (info->pDevMode) {
                if (round == 0) {
                    info->pDevMode->dmFields |= DM_ORIENTATION;
                    info->pDevMode->dmOrientation = DMORIENT_LANDSCAPE;
                } else {
                    info->pDevMode->dmFields |= DM_PAPERSIZE;
                    info->pDevMode->dmPaperSize = DMPAPER_A3;
                }
                SetPrinterW(printer.Get(), 2, buffer.data(), PRINTER_CONTROL_SET_STATUS);
            }
        }
    }
}

void CSetupDlg::OnDestroy()
{
    CNewWizPage::OnDestroy();
}

// ---- what the installation run shows on the page

namespace {

// A blank and a tab between a line's label and its value.
std::wstring Label(unsigned labelId, const std::wstring& value)
{
    return ResString(labelId) + L" \t" + value;
}

}  // namespace

void CSetupDlg::SetPhase(Phase phase)
{
    if (GetWizard())
        GetWizard()->SetTitle(ResString(PhaseTitleId(phase)));
}

void CSetupDlg::PrepareLines()
{
    CWnd::SetItemText(IDC_SETUP_HEADING, ResString(IDS_SETUP_HEADING));
    CWnd::SetItemText(IDC_SETUP_NAME, ResString(IDS_NAME_LABEL));
    CWnd::SetItemText(IDC_SETUP_PORT, ResString(IDS_PORT_LABEL));
    CWnd::SetItemText(IDC_SETUP_MODEL, ResString(IDS_MODEL_LINE_LABEL));
}

void CSetupDlg::ShowLines(bool show)
{
    CWnd::ShowItem(IDC_SETUP_NAME, show);
    CWnd::ShowItem(IDC_SETUP_PORT, show);
}

void CSetupDlg::SetPrinterName(const std::wstring& name)
{
    CWnd::SetItemText(IDC_SETUP_NAME, Label(IDS_NAME_LABEL, name));
}

void CSetupDlg::SetPortName(const std::wstring& port)
{
    CWnd::SetItemText(IDC_SETUP_PORT, Label(IDS_PORT_LABEL, port));
}

void CSetupDlg::SetModel(const std::wstring& driverName)
{
    CWnd::SetItemText(IDC_SETUP_MODEL, Label(IDS_MODEL_LINE_LABEL, driverName));
}

void CSetupDlg::HideStatus()
{
    CWnd::ShowItem(IDC_SETUP_STATUS, false);
}

void CSetupDlg::ShowStatus(Status status)
{
    const unsigned id = StatusTextId(status);
    CWnd::SetItemText(IDC_SETUP_STATUS, id ? ResString(id) : std::wstring());
    CWnd::ShowItem(IDC_SETUP_STATUS, true);
}

void CSetupDlg::ShowTestPageButton(bool show)
{
    CWnd::ShowItem(IDC_TEST_PAGE, show);
}

void CSetupDlg::EnableButton(Button button, bool enable)
{
    CNewWizDialog* wizard = GetWizard();
    if (!wizard)
        return;
    switch (button) {
    case Button::Back: wizard->EnableBack(enable); break;
    case Button::Next: wizard->EnableNext(enable); break;
    case Button::Cancel: wizard->EnableCancel(enable); break;
    case Button::Finish: wizard->EnableFinish(enable); break;
    }
}

void CSetupDlg::SetProgressRange(int low, int high)
{
    SendItem(IDC_SETUP_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void CSetupDlg::SetProgressStep(int step)
{
    SendItem(IDC_SETUP_PROGRESS, PBM_SETSTEP, static_cast<WPARAM>(step));
}

void CSetupDlg::SetProgressPos(int pos)
{
    SendItem(IDC_SETUP_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(pos));
}

void CSetupDlg::StepProgress()
{
    SendItem(IDC_SETUP_PROGRESS, PBM_STEPIT);
}

int CSetupDlg::GetProgressPos()
{
    return static_cast<int>(SendItem(IDC_SETUP_PROGRESS, PBM_GETPOS));
}

void CSetupDlg::UpdatePage()
{
    UpdateWindow(m_hWnd);
}

std::wstring CSetupDlg::CopySuffixFormat()
{
    return ResString(IDS_COPY_SUFFIX);
}

void CSetupDlg::ReportFailure(InstallResult result)
{
    const unsigned id = MessageIdForResult(result);
    AppMessageBox(m_hWnd, id ? ResString(id) : std::wstring(), MB_ICONERROR);
}

void CSetupDlg::ReportPrinterListError(std::uint32_t errorCode)
{
    AppMessageBox(m_hWnd, FormatText(ResString(IDS_ERR_ENUM_PRINTERS), static_cast<long>(errorCode)), MB_ICONERROR);
}

bool CSetupDlg::AskForceInstall()
{
    return AppMessageBox(m_hWnd, ResString(IDS_ASK_FORCE_INSTALL), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool CSetupDlg::AskInstallOnOtherModel(const std::wstring&)
{
    // The same question as for a USB printer of another model.
    return AskForceInstall();
}

bool CSetupDlg::AskInstallWithoutAnswer(const std::wstring& address)
{
    return AppMessageBox(m_hWnd, FormatText(ResString(IDS_ASK_NO_ANSWER), address), MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void CSetupDlg::ReportHelperNotWritten(const std::wstring& modelName)
{
    const std::wstring caption = SetupUtilityCaption(ResString(IDS_SETUP_UTILITY_CAPTION), modelName);
    MessageBoxW(m_hWnd, ResString(IDS_ERR_EXTRACT_HELPER).c_str(), caption.c_str(), MB_OK);
}

void CSetupDlg::ReportHelperFailed(const std::wstring& modelName, const HelperRunResult&)
{
    const std::wstring caption = SetupUtilityCaption(ResString(IDS_SETUP_UTILITY_CAPTION), modelName);
    MessageBoxW(m_hWnd, ResString(IDS_ERR_HELPER_SERVICE).c_str(), caption.c_str(), MB_OK);
}

void CSetupDlg::ReportNotRegistered(const std::wstring& modelName)
{
    const std::wstring caption = SetupUtilityCaption(ResString(IDS_SETUP_UTILITY_CAPTION), modelName);
    MessageBoxW(m_hWnd, ResString(IDS_ERR_NOT_REGISTERED).c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}
