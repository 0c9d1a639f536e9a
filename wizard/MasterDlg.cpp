#include "wizard/MasterDlg.h"

#include <utility>

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
    if (!m_hotlineFont)
        m_hotlineFont.Reset(CreateArialFont(16, FW_NORMAL));
    return result;
}

HGDIOBJ CMasterDlg::HotlineFont(HDC dc, const std::wstring& text, int available)
{
    // The designed size when the whole line fits before the buttons (the
    // Chinese texts do); otherwise the largest size down to 10 pixels that
    // does, chosen once.
    if (m_hotlineFitFont)
        return m_hotlineFitFont.Get();
    for (int height = 16; height >= 10; --height) {
        UniqueFont font(height == 16 ? nullptr : CreateArialFont(height, FW_NORMAL));
        HFONT candidate = height == 16 ? m_hotlineFont.Get() : font.Get();
        if (!candidate)
            continue;
        HGDIOBJ previous = SelectObject(dc, candidate);
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, previous);
        if (size.cx <= available || height == 10) {
            if (height == 16)
                return candidate;
            m_hotlineFitFont = std::move(font);
            return m_hotlineFitFont.Get();
        }
    }
    return m_hotlineFont.Get();
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
    const std::wstring hotline = ResString(IDS_HOTLINE);
    const int left = 6;
    int available = 0;
    if (HWND back = GetItem(IDC_BACK)) {
        RECT button = {0, 0, 0, 0};
        GetWindowRect(back, &button);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&button), 2);
        available = HotlineWidth(left, button.left, left);
    }
    HGDIOBJ previous = SelectObject(dc, HotlineFont(dc, hotline, available));
    // Clipped to the space before the buttons whatever happens.
    RECT clip = {left, area.bottom + 16, left + (available > 0 ? available : 0), area.bottom + 40};
    ExtTextOutW(dc, left, area.bottom + 16, ETO_CLIPPED, &clip, hotline.c_str(), static_cast<UINT>(hotline.size()),
                nullptr);
    if (previous)
        SelectObject(dc, previous);
    EndPaint(m_hWnd, &paint);
    return true;
}

void CMasterDlg::OnDestroy()
{
    // A window's properties are removed before it goes.
    RemovePropW(m_hWnd, kWizardWindowMark);
    CNewWizDialog::OnDestroy();
}
