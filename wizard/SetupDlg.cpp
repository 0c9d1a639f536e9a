#include "wizard/SetupDlg.h"

#include "support/ResString.h"
#include "wizard/res/resource.h"

CSetupDlg::CSetupDlg(InstallContext& context)
    : CNewWizPage(IDD_SETUP), m_context(context)
{
}

CSetupDlg::~CSetupDlg()
{
    if (m_headingFont)
        DeleteObject(m_headingFont);
}

BOOL CSetupDlg::OnInitDialog()
{
    CNewWizPage::OnInitDialog();
    if (!m_headingFont)
        m_headingFont = CreateFontW(20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                                    FF_SWISS, L"Arial");
    SendItem(IDC_SETUP_HEADING, WM_SETFONT, reinterpret_cast<WPARAM>(m_headingFont), TRUE);
    SetItemText(IDC_TEST_PAGE, ResString(IDS_PRINT_TEST_PAGE));
    return TRUE;
}

void CSetupDlg::OnSetActive()
{
    if (GetWizard())
        GetWizard()->SetTitle(ResString(IDS_CAPTION_INSTALLING));
    SetItemText(IDC_SETUP_HEADING, ResString(IDS_SETUP_HEADING));
}

void CSetupDlg::OnDestroy()
{
    if (m_headingFont) {
        DeleteObject(m_headingFont);
        m_headingFont = nullptr;
    }
    CNewWizPage::OnDestroy();
}
