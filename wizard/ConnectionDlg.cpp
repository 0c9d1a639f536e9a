#include "wizard/ConnectionDlg.h"

#include "support/ResString.h"
#include "context/ConnectionRules.h"
#include "wizard/res/resource.h"

CConnectionDlg::CConnectionDlg(InstallContext& context)
    : CNewWizPage(IDD_CONNECTION), m_context(context)
{
}

void CConnectionDlg::SetChoice(int id, bool enabled, bool checked) const
{
    EnableItem(id, enabled);
    SendItem(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

BOOL CConnectionDlg::OnInitDialog()
{
    CNewWizPage::OnInitDialog();
    SetItemText(IDC_CONNECT_STEP1, ResString(IDS_CONNECT_STEP1));
    SetItemText(IDC_CONNECT_STEP2, ResString(IDS_CONNECT_STEP2));
    SetItemText(IDC_CONNECT_STEP3, ResString(IDS_CONNECT_STEP3));
    SetItemText(IDC_RADIO_USB, ResString(IDS_USE_USB));
    SetItemText(IDC_RADIO_LPT, ResString(IDS_USE_LPT));
    // USB is the default choice.
    SetChoice(IDC_RADIO_LPT, true, false);
    SetChoice(IDC_RADIO_USB, true, true);
    UpdateConnectionChoices();
    return TRUE;
}

void CConnectionDlg::UpdateConnectionChoices()
{
    EnableItem(IDC_RADIO_LPT, true);
    EnableItem(IDC_RADIO_USB, true);
    if (!IsSuffixSupported(m_context.model.lptIdSuffix)) {
        SetChoice(IDC_RADIO_LPT, false, false);
        SendItem(IDC_RADIO_USB, BM_SETCHECK, BST_CHECKED);
    }
    if (!IsSuffixSupported(m_context.model.usbIdSuffix)) {
        SetChoice(IDC_RADIO_USB, false, false);
        SendItem(IDC_RADIO_LPT, BM_SETCHECK, BST_CHECKED);
    }
    // The choices' texts are transparent: a text drawn disabled over the
    // enabled one would show both. The page behind them is painted afresh
    // first, then the choices.
    for (int id : {IDC_RADIO_USB, IDC_RADIO_LPT}) {
        RECT area = {0, 0, 0, 0};
        GetWindowRect(GetItem(id), &area);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(m_hWnd, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void CConnectionDlg::OnSetActive()
{
    if (GetWizard())
        GetWizard()->SetTitle(ResString(IDS_CAPTION_CONNECT));
    UpdateConnectionChoices();
}

LONG CConnectionDlg::OnWizardNext()
{
    m_context.model.connectionType =
        SendItem(IDC_RADIO_USB, BM_GETCHECK) == BST_CHECKED ? L"USB" : L"LPT";
    return 0;
}
