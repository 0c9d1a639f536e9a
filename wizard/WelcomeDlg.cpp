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
    ShowPicture(IDC_PAGE_PICTURE, IDB_BANNER_WELCOME, PictureAnchor::Top);
    SetItemText(IDC_WELCOME_TITLE, ResString(IDS_WELCOME_TITLE));
    SetItemText(IDC_WELCOME_TEXT, ResString(IDS_WELCOME_TEXT));
    SetItemText(IDC_WELCOME_LINK, ResString(IDS_WELCOME_LINK));
    // The English text takes a line more than the template's place holds.
    GrowToText(IDC_WELCOME_TEXT, IDC_WELCOME_LINK);
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
