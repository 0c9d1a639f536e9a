#include "wizard/MasterDlg.h"

#include "support/ResString.h"
#include "wizard/res/resource.h"

CMasterDlg::CMasterDlg()
    : CNewWizDialog(IDD_WIZARD)
{
}

CMasterDlg::~CMasterDlg() = default;

BOOL CMasterDlg::OnInitDialog()
{
    SetPlaceholderId(IDC_PAGE_AREA);
    SetItemText(IDC_BACK, ResString(IDS_BACK));
    SetItemText(IDC_NEXT, ResString(IDS_NEXT));
    SetItemText(IDCANCEL, ResString(IDS_CANCEL));
    SetItemText(IDC_FINISH, ResString(IDS_FINISH));
    BOOL result = CNewWizDialog::OnInitDialog();
    if (!m_hotlineFont)
        m_hotlineFont.Reset(CreateArialFont(16, FW_NORMAL));
    return result;
}

bool CMasterDlg::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    RECT area = {0, 0, 0, 0};
    if (HWND placeholder = GetItem(IDC_PAGE_AREA)) {
        GetWindowRect(placeholder, &area);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
    }
    SetTextColor(dc, RGB(0xA0, 0xA0, 0xA0));
    std::wstring hotline = ResString(IDS_HOTLINE);
    HGDIOBJ previous = m_hotlineFont ? SelectObject(dc, m_hotlineFont.Get()) : nullptr;
    TextOutW(dc, 6, area.bottom + 16, hotline.c_str(), static_cast<int>(hotline.size()));
    if (previous)
        SelectObject(dc, previous);
    EndPaint(m_hWnd, &paint);
    return true;
}
