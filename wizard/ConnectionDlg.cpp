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
    ShowPicture(IDC_PAGE_PICTURE, IDB_BANNER_CONNECTION, PictureAnchor::Top);
    ShowPicture(IDC_USB_PICTURE, IDB_USB_CABLE, PictureAnchor::Centre);
    ShowPicture(IDC_LPT_PICTURE, IDB_PARALLEL_CABLE, PictureAnchor::Centre);
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
        const RECT area = RectIn(GetItem(id), m_hWnd);
        RedrawWindow(m_hWnd, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    UpdateTabStop();
}

void CConnectionDlg::UpdateTabStop() const
{
    // Tab enters the choices at the one that is checked (the arrow keys go
    // from there): a tab stop on a disabled or unchecked choice would skip
    // them or land on the wrong one.
    int stop = 0;
    for (int id : {IDC_RADIO_USB, IDC_RADIO_LPT})
        if (SendItem(id, BM_GETCHECK) == BST_CHECKED && IsWindowEnabled(GetItem(id)))
            stop = id;
    for (int id : {IDC_RADIO_USB, IDC_RADIO_LPT}) {
        HWND choice = GetItem(id);
        LONG style = GetWindowLongW(choice, GWL_STYLE);
        style = id == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        SetWindowLongW(choice, GWL_STYLE, style);
    }
}

bool CConnectionDlg::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    if ((id == IDC_RADIO_USB || id == IDC_RADIO_LPT) && notifyCode == BN_CLICKED)
        UpdateTabStop();
    return CNewWizPage::OnCommand(id, notifyCode, control);
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
