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
    SetTitle(m_printerNameText);
    return TRUE;
}
