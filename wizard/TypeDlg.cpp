#include "wizard/TypeDlg.h"

#include <vector>

#include "support/ResString.h"
#include "wizard/AppMessage.h"
#include "wizard/res/resource.h"

CTypeDlg::CTypeDlg(InstallContext& context)
    : CNewWizPage(IDD_MODEL), m_context(context)
{
}

BOOL CTypeDlg::OnInitDialog()
{
    // The plain dialog look: this page skips the page initialisation.
    CDialog::OnInitDialog();
    SetItemText(IDC_MODEL_LABEL, ResString(IDS_MODEL_LABEL));

    m_catalogue = BuildModelCatalogue(GetProgramFolder());
    for (const PrinterModel& model : m_catalogue)
        SendItem(IDC_MODEL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(model.displayName.c_str()));

    if (SendItem(IDC_MODEL_LIST, LB_GETCOUNT) == 1) {
        SendItem(IDC_MODEL_LIST, LB_SETCURSEL, 0);
        OnModelSelChange();
    }
    return TRUE;
}

bool CTypeDlg::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    if (id == IDC_MODEL_LIST && notifyCode == LBN_SELCHANGE) {
        OnModelSelChange();
        return true;
    }
    return CNewWizPage::OnCommand(id, notifyCode, control);
}

void CTypeDlg::OnModelSelChange()
{
    LRESULT index = SendItem(IDC_MODEL_LIST, LB_GETCURSEL);
    if (index == LB_ERR)
        return;
    LRESULT length = SendItem(IDC_MODEL_LIST, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR)
        return;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    LRESULT got = SendItem(IDC_MODEL_LIST, LB_GETTEXT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(buffer.data()));
    std::wstring text(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);

    SetItemText(IDC_MODEL_SELECTED, text);
    m_context.model.displayName = text;
    // The static is transparent: erase the previous name behind it.
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CTypeDlg::OnSetActive()
{
    if (GetWizard())
        GetWizard()->SetTitle(ResString(IDS_CAPTION_MODEL));
}

LONG CTypeDlg::OnWizardNext()
{
    LRESULT index = SendItem(IDC_MODEL_LIST, LB_GETCURSEL);
    if (index != LB_ERR && index >= 0 && static_cast<size_t>(index) < m_catalogue.size()) {
        m_context.model = m_catalogue[static_cast<size_t>(index)];
        return 0;
    }
    AppMessageBox(m_hWnd, ResString(IDS_SELECT_MODEL_FIRST), MB_OK | MB_ICONINFORMATION);
    return -1;
}

void CTypeDlg::OnDestroy()
{
    m_catalogue.clear();
    CNewWizPage::OnDestroy();
}
