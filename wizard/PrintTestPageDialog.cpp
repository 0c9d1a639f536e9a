#include "wizard/PrintTestPageDialog.h"

#include "support/ResString.h"
#include "wizard/res/resource.h"

CPrintTestPageDialog::CPrintTestPageDialog()
    : CDialog(IDD_TEST_PAGE)
{
}

BOOL CPrintTestPageDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetItemText(IDC_TEST_PAGE_TEXT, ResString(IDS_TEST_PAGE_TEXT));
    // The template's button texts are Chinese; the buttons speak the UI's
    // language like the text above them.
    SetItemText(IDOK, ResString(IDS_OK));
    SetItemText(IDCANCEL, ResString(IDS_CANCEL));
    SetTitle(m_printerNameText);
    return TRUE;
}
