#include "wizard/WelcomeDlg.h"

#include "context/ProductInfo.h"
#include "support/ResString.h"
#include "wizard/res/resource.h"

CWelcomeDlg::CWelcomeDlg()
    : CNewWizPage(IDD_WELCOME)
{
}

CWelcomeDlg::~CWelcomeDlg() = default;

const wchar_t* CWelcomeDlg::MakerAddress()
{
    return product::kWebAddress;
}

BOOL CWelcomeDlg::OnInitDialog()
{
    // The plain dialog look: this page skips the page initialisation.
    CDialog::OnInitDialog();
    SendItem(IDC_WELCOME_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(HeadingFont()), TRUE);
    SetItemText(IDC_WELCOME_TITLE, ResString(IDS_WELCOME_TITLE));
    SetItemText(IDC_WELCOME_TEXT, ResString(IDS_WELCOME_TEXT));
    SetItemText(IDC_WELCOME_LINK, ResString(IDS_WELCOME_LINK));
    m_link.SubclassItem(m_hWnd, IDC_WELCOME_LINK);
    m_link.SetURL(MakerAddress());
    m_link.SetAddressPrompt(ResString(IDS_LINK_ADDRESS_PROMPT));
    return TRUE;
}

void CWelcomeDlg::OnSetActive()
{
    if (GetWizard())
        GetWizard()->SetTitle(ResString(IDS_CAPTION_WELCOME));
}

void CWelcomeDlg::OnDestroy()
{
    m_link.Unsubclass();
    CNewWizPage::OnDestroy();
}
