#include "wizard/NewWizDialog.h"

#include "wizard/res/resource.h"

HFONT CreateArialFont(int height, int weight)
{
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FF_SWISS, L"Arial");
}

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
    if (!m_titleFont)
        m_titleFont.Reset(CreateArialFont(20, FW_BOLD));
    return m_titleFont.Get();
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
    m_titleFont.Reset();
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
}

void CNewWizDialog::EnableNext(bool enable) const
{
    EnableItem(IDC_NEXT, enable);
}

void CNewWizDialog::EnableFinish(bool enable) const
{
    EnableItem(IDC_FINISH, enable);
}

void CNewWizDialog::EnableCancel(bool enable) const
{
    EnableItem(IDCANCEL, enable);
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
        if (!page->CreateChild(m_hWnd))
            return FALSE;
        page->m_isCreated = true;
        page->m_wizard = this;
        if (!page->OnCreatePage())
            return FALSE;
    }
    if (!DeactivateCurrent())
        return FALSE;

    RECT area = {0, 0, 0, 0};
    if (HWND placeholder = GetItem(m_placeholderId)) {
        GetWindowRect(placeholder, &area);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
    }
    HWND pageWindow = page->GetHwnd();
    SetWindowPos(pageWindow, nullptr, area.left, area.top, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    EnableWindow(pageWindow, TRUE);
    ShowWindow(pageWindow, SW_SHOW);
    InvalidateRect(pageWindow, nullptr, TRUE);
    UpdateWindow(pageWindow);

    page->OnSetActive();
    page->m_isActive = true;
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
    return TRUE;
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

bool CNewWizDialog::PreTranslateMessage(MSG* msg)
{
    // Enter never presses a button of the wizard.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
        return true;
    return CDialog::PreTranslateMessage(msg);
}
