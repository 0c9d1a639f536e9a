#include "wizard/MasterDlg.h"

#include "support/Handle.h"
#include "support/ResString.h"
#include "wizard/PageLayout.h"
#include "wizard/res/resource.h"

namespace {

// The window property that marks this program's wizard frame.
const wchar_t kWizardWindowMark[] = L"QuorvexSetup.WizardFrame";

BOOL CALLBACK FindMarkedWizard(HWND window, LPARAM found)
{
    if (GetPropW(window, kWizardWindowMark) == nullptr)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

bool BringRunningWizardToFront()
{
    HWND wizard = nullptr;
    EnumWindows(FindMarkedWizard, reinterpret_cast<LPARAM>(&wizard));
    if (wizard == nullptr)
        return false;
    if (IsIconic(wizard))
        ShowWindow(wizard, SW_RESTORE);
    // A message box of the wizard's stays in front of it.
    SetForegroundWindow(GetLastActivePopup(wizard));
    return true;
}

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
    SetPropW(m_hWnd, kWizardWindowMark, reinterpret_cast<HANDLE>(1));
    return result;
}

bool CMasterDlg::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    CWizardLook& look = Look();
    const RECT area = RectIn(GetItem(IDC_PAGE_AREA), m_hWnd);
    SetTextColor(dc, RGB(0xA0, 0xA0, 0xA0));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring hotline = ResString(IDS_HOTLINE);
    const int left = look.Scaled(6);
    int available = 0;
    if (HWND back = GetItem(IDC_BACK))
        available = HotlineWidth(left, RectIn(back, m_hWnd).left, left);
    {
        const SelectedObject font(dc, look.HotlineFont(dc, hotline, available));
        // Clipped to the space before the buttons whatever happens.
        const int top = area.bottom + look.Scaled(16);
        RECT clip = {left, top, left + available, top + look.Scaled(24)};
        ExtTextOutW(dc, left, top, ETO_CLIPPED, &clip, hotline.c_str(), static_cast<UINT>(hotline.size()), nullptr);
    }
    EndPaint(m_hWnd, &paint);
    return true;
}

void CMasterDlg::OnDestroy()
{
    // A window's properties are removed before it goes.
    RemovePropW(m_hWnd, kWizardWindowMark);
    CNewWizDialog::OnDestroy();
}
