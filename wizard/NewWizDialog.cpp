#include "wizard/NewWizDialog.h"

#include "support/Handle.h"
#include "wizard/res/resource.h"

// ---------------------------------------------------------------- CNewWizPage

CNewWizPage::CNewWizPage(UINT templateId)
    : CDialog(templateId), m_pageId(templateId)
{
}

CNewWizPage::~CNewWizPage()
{
    DestroyWindowNow();
}

BOOL CNewWizPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_whiteBrush)
        m_whiteBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
    return TRUE;
}

HFONT CNewWizPage::HeadingFont()
{
    return m_wizard ? m_wizard->Look().HeadingFont() : nullptr;
}

void CNewWizPage::ShowPicture(int controlId, UINT pictureId, PictureAnchor anchor)
{
    HWND control = GetItem(controlId);
    if (!control || !m_wizard)
        return;
    RECT frame = RectIn(control, m_hWnd);
    RECT page = {0, 0, 0, 0};
    GetClientRect(m_hWnd, &page);
    if (!IntersectRect(&frame, &frame, &page))
        return;
    PixelSize size;
    size.width = frame.right - frame.left;
    size.height = frame.bottom - frame.top;
    HBITMAP picture = m_wizard->Look().Picture(pictureId, size, anchor);
    if (!picture)
        return;
    SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    // The control takes the picture's size, which is the frame's.
    MoveWindow(control, frame.left, frame.top, size.width, size.height, FALSE);
}

void CNewWizPage::GrowToText(int id, int limitId)
{
    HWND text = GetItem(id);
    if (!text)
        return;
    const RECT box = RectIn(text, m_hWnd);
    const std::wstring content = TextOf(text);
    RECT needed = {0, 0, box.right - box.left, 0};
    {
        const WindowDc dc(text);
        if (!dc.IsValid())
            return;
        const SelectedObject font(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
        DrawTextW(dc.Get(), content.c_str(), static_cast<int>(content.size()), &needed,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    }
    int bottom = box.top + (needed.bottom - needed.top);
    if (HWND limit = GetItem(limitId)) {
        const int limitTop = RectIn(limit, m_hWnd).top;
        if (bottom > limitTop)
            bottom = limitTop;
    }
    if (bottom > box.bottom)
        MoveWindow(text, box.left, box.top, box.right - box.left, bottom - box.top, FALSE);
}

HBRUSH CNewWizPage::OnCtlColor(HDC dc, HWND, UINT kind, bool& handled)
{
    handled = true;
    switch (kind) {
    case CTLCOLOR_STATIC:
        // Static texts are drawn over whatever the page shows behind them.
        SetBkMode(dc, TRANSPARENT);
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case CTLCOLOR_EDIT:
    case CTLCOLOR_LISTBOX:
    case CTLCOLOR_BTN:
    case CTLCOLOR_SCROLLBAR:
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        break;
    default:
        break;
    }
    // A page without the page initialisation has no brush: the default
    // dialog colours stay in effect.
    if (!m_whiteBrush)
        handled = false;
    return m_whiteBrush.Get();
}

void CNewWizPage::OnDestroy()
{
    m_whiteBrush.Reset();
}

// ---------------------------------------------------------------- CNewWizDialog

CNewWizDialog::CNewWizDialog(UINT templateId)
    : CDialog(templateId)
{
}

void CNewWizDialog::AddPage(CNewWizPage& page, UINT templateId)
{
    page.m_pageId = templateId;
    m_pages.push_back(&page);
}

void CNewWizDialog::EnableBack(bool enable) const
{
    EnableItem(IDC_BACK, enable);
    UpdateKeyboard();
}

void CNewWizDialog::EnableNext(bool enable) const
{
    EnableItem(IDC_NEXT, enable);
    UpdateKeyboard();
}

void CNewWizDialog::EnableFinish(bool enable) const
{
    EnableItem(IDC_FINISH, enable);
    UpdateKeyboard();
}

void CNewWizDialog::EnableCancel(bool enable) const
{
    EnableItem(IDCANCEL, enable);
    UpdateKeyboard();
}

CWizardLook& CNewWizDialog::Look()
{
    if (!m_look)
        m_look.reset(new CWizardLook(SystemDpi()));
    return *m_look;
}

namespace {

bool CanTakeFocus(HWND window)
{
    return window && IsWindowVisible(window) && IsWindowEnabled(window);
}

// A button of the frame that Enter may press: enabled and not hidden (the
// frame itself may not be shown yet).
bool IsPressable(HWND button)
{
    return button && IsWindowEnabled(button) && (GetWindowLongW(button, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace

void CNewWizDialog::UpdateKeyboard() const
{
    if (!m_hWnd)
        return;
    HWND next = GetItem(IDC_NEXT);
    HWND finish = GetItem(IDC_FINISH);
    HWND preferred = IsPressable(next) ? next : IsPressable(finish) ? finish : nullptr;
    if (preferred)
        SendMessageW(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(preferred)), 0);

    // A control that was disabled or hidden while it had the focus (Next on
    // the last page, the buttons during the installation) leaves the
    // keyboard nowhere: the focus goes to the default button, else to the
    // page's first control, else to Cancel. While another window is active
    // (a message box of the wizard's keeps its own focus) this waits until
    // the wizard is activated again.
    const bool active = GetActiveWindow() == m_hWnd;
    HWND focus = active ? GetFocus() : m_pendingFocus;
    if (focus && focus != m_hWnd && IsChild(m_hWnd, focus) && CanTakeFocus(focus) &&
        (active || focus == preferred) && !(preferred && focus == m_stopgapFocus))
        return;
    HWND target = preferred;
    if (!target) {
        HWND first = GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
        if (first && first != GetItem(IDCANCEL) && CanTakeFocus(first) && IsChild(m_hWnd, first))
            target = first;
    }
    if (!target && CanTakeFocus(GetItem(IDCANCEL)))
        target = GetItem(IDCANCEL);
    m_stopgapFocus = target == preferred ? nullptr : target;
    if (!active)
        m_pendingFocus = target;
    else if (target)
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

CNewWizPage* CNewWizDialog::GetActivePage() const
{
    for (CNewWizPage* page : m_pages)
        if (page->m_isActive)
            return page;
    return nullptr;
}

CNewWizPage* CNewWizDialog::FindPage(LONG templateId) const
{
    for (CNewWizPage* page : m_pages)
        if (static_cast<LONG>(page->m_pageId) == templateId)
            return page;
    return nullptr;
}

size_t CNewWizDialog::IndexOf(const CNewWizPage* page) const
{
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == page)
            return i;
    return m_pages.size();
}

bool CNewWizDialog::DeactivateCurrent()
{
    CNewWizPage* current = GetActivePage();
    if (!current)
        return true;
    if (!current->OnKillActive())
        return false;
    ShowWindow(current->GetHwnd(), SW_HIDE);
    current->m_isActive = false;
    return true;
}

BOOL CNewWizDialog::ActivatePage(CNewWizPage* page)
{
    if (!page)
        return FALSE;
    if (!page->m_isCreated) {
        // The page's initialisation asks the wizard for its fonts.
        page->m_wizard = this;
        if (!page->CreateChild(m_hWnd))
            return FALSE;
        page->m_isCreated = true;
        if (!page->OnCreatePage())
            return FALSE;
    }
    if (!DeactivateCurrent())
        return FALSE;

    const RECT area = RectIn(GetItem(m_placeholderId), m_hWnd);
    HWND pageWindow = page->GetHwnd();
    // First among the frame's children: Tab goes through the page's controls
    // before the buttons under it, in reading order.
    SetWindowPos(pageWindow, HWND_TOP, area.left, area.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    EnableWindow(pageWindow, TRUE);
    ShowWindow(pageWindow, SW_SHOW);
    InvalidateRect(pageWindow, nullptr, TRUE);
    UpdateWindow(pageWindow);

    page->OnSetActive();
    page->m_isActive = true;
    UpdateKeyboard();
    return TRUE;
}

BOOL CNewWizDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);

    DeactivateCurrent();
    EnableBack(false);
    if (m_pages.size() < 2) {
        EnableFinish(true);
        EnableNext(false);
    } else {
        EnableFinish(false);
        EnableNext(true);
    }
    if (!m_pages.empty())
        ActivatePage(m_pages.front());
    UpdateKeyboard();
    return TRUE;
}

INT_PTR CNewWizDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && m_pendingFocus) {
        // After the dialog's own restoring of the focus.
        if (CanTakeFocus(m_pendingFocus))
            PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_pendingFocus), TRUE);
        m_pendingFocus = nullptr;
    }
    if (message == WM_SHOWWINDOW && wParam && !m_shown) {
        // The keyboard starts on the default button, so that Enter goes on
        // (not on the page's first control, which the dialog would choose
        // when it is first activated: after the window shows).
        m_shown = true;
        HWND next = GetItem(IDC_NEXT), finish = GetItem(IDC_FINISH);
        if (HWND first = next && IsWindowEnabled(next) ? next : finish && IsWindowEnabled(finish) ? finish : nullptr)
            PostMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
    return CDialog::OnMessage(message, wParam, lParam, handled);
}

bool CNewWizDialog::OnCommand(WORD id, WORD notifyCode, HWND control)
{
    switch (id) {
    case IDC_NEXT:
        OnNext();
        return true;
    case IDC_BACK:
        OnBack();
        return true;
    case IDC_FINISH:
        OnFinish();
        return true;
    default:
        return CDialog::OnCommand(id, notifyCode, control);
    }
}

namespace {

// Marks a move between pages for as long as it lasts.
class MovingScope {
public:
    explicit MovingScope(bool& moving) : m_moving(moving) { m_moving = true; }
    ~MovingScope() { m_moving = false; }
    MovingScope(const MovingScope&) = delete;
    MovingScope& operator=(const MovingScope&) = delete;

private:
    bool& m_moving;
};

}  // namespace

void CNewWizDialog::OnNext()
{
    if (m_moving)
        return;
    const MovingScope moving(m_moving);
    CNewWizPage* current = GetActivePage();
    if (!current || current->IsNextLocked())
        return;
    LONG answer = current->OnWizardNext();
    if (answer == -1)
        return;
    CNewWizPage* target = nullptr;
    if (answer == 0) {
        size_t index = IndexOf(current);
        if (index + 1 < m_pages.size())
            target = m_pages[index + 1];
    } else {
        target = FindPage(answer);
    }
    if (!target || !ActivatePage(target))
        return;
    if (target == m_pages.back()) {
        EnableNext(false);
        EnableFinish(true);
    }
    EnableBack(true);
    target->OnAfterNext();
}

void CNewWizDialog::OnBack()
{
    if (m_moving)
        return;
    const MovingScope moving(m_moving);
    CNewWizPage* current = GetActivePage();
    if (!current)
        return;
    LONG answer = current->OnWizardBack();
    if (answer == -1)
        return;
    CNewWizPage* target = nullptr;
    if (answer == 0) {
        size_t index = IndexOf(current);
        if (index > 0 && index < m_pages.size())
            target = m_pages[index - 1];
    } else {
        target = FindPage(answer);
    }
    if (!target || !ActivatePage(target))
        return;
    if (target == m_pages.front()) {
        EnableBack(false);
        EnableFinish(false);
    }
    EnableNext(true);
}

void CNewWizDialog::OnFinish()
{
    if (m_moving)
        return;
    CNewWizPage* current = GetActivePage();
    if (current && !current->OnKillActive())
        return;
    for (CNewWizPage* page : m_pages)
        if (page->m_isCreated && !page->OnWizardFinish())
            return;
    EndDialog(IDC_FINISH);
}

void CNewWizDialog::OnCancel()
{
    // Escape and the close box ask for Cancel too; while the Cancel button
    // is disabled (an installation is running, or has just succeeded) the
    // request is ignored, so that no run is cut off halfway; so is one that
    // arrives while a move between pages (a run among them) is under way.
    HWND cancel = GetItem(IDCANCEL);
    if (m_moving || (cancel && !IsWindowEnabled(cancel)))
        return;
    for (CNewWizPage* page : m_pages)
        if (page->m_isCreated && !page->OnQueryCancel())
            return;
    EndDialog(IDCANCEL);
}

void CNewWizDialog::OnDestroy()
{
    for (CNewWizPage* page : m_pages) {
        if (!page->m_isCreated)
            continue;
        if (!page->OnKillActive())
            continue;
        page->OnDestroyPage();
        page->DestroyWindowNow();
        page->m_isCreated = false;
        page->m_isActive = false;
    }
}

namespace {

bool IsRadioButton(HWND window)
{
    wchar_t kind[16] = {0};
    GetClassNameW(window, kind, 16);
    const LONG type = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
    return lstrcmpiW(kind, L"Button") == 0 && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON);
}

// The next (or previous) choice of the radio button group `choice` belongs
// to (from a control marked WS_GROUP to the next one, in the order of the
// page's controls, wrapping round), skipping disabled and hidden ones.
HWND NextInGroup(HWND choice, bool forward)
{
    HWND start = choice;
    while (!(GetWindowLongW(start, GWL_STYLE) & WS_GROUP) && GetWindow(start, GW_HWNDPREV))
        start = GetWindow(start, GW_HWNDPREV);
    std::vector<HWND> group;
    for (HWND w = start; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != start && (GetWindowLongW(w, GWL_STYLE) & WS_GROUP))
            break;
        group.push_back(w);
    }
    size_t at = 0;
    while (at < group.size() && group[at] != choice)
        ++at;
    for (size_t step = 1; step < group.size(); ++step) {
        const size_t i = forward ? (at + step) % group.size() : (at + group.size() - step) % group.size();
        if (IsRadioButton(group[i]) && CanTakeFocus(group[i]))
            return group[i];
    }
    return nullptr;
}

}  // namespace

bool CNewWizDialog::PreTranslateMessage(MSG* msg)
{
    // The arrow keys move among a group of the page's controls (the cable
    // choices): the page's own dialog handling knows its groups, the
    // frame's would leave the page for the buttons.
    if (msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT || msg->wParam == VK_UP || msg->wParam == VK_DOWN)) {
        CNewWizPage* page = GetActivePage();
        if (page && page->GetHwnd() && IsChild(page->GetHwnd(), msg->hwnd) && IsRadioButton(msg->hwnd)) {
            const bool forward = msg->wParam == VK_RIGHT || msg->wParam == VK_DOWN;
            if (HWND next = NextInGroup(msg->hwnd, forward)) {
                SetFocus(next);
                SendMessageW(next, BM_CLICK, 0, 0);
            }
            return true;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CNewWizDialog::OnOK()
{
    if (IsPressable(GetItem(IDC_NEXT)))
        OnNext();
    else if (IsPressable(GetItem(IDC_FINISH)))
        OnFinish();
}
