#include "support/Window.h"

#include <commctrl.h>

#include "support/MessageLoop.h"
#include "support/SystemLibrary.h"

#include <algorithm>
#include <vector>

// ---------------------------------------------------------------- CWnd

HWND CWnd::GetItem(int id) const
{
    return m_hWnd ? GetDlgItem(m_hWnd, id) : nullptr;
}

void CWnd::SetItemText(int id, const std::wstring& text) const
{
    if (HWND item = GetItem(id))
        SetWindowTextW(item, text.c_str());
}

void CWnd::ShowItem(int id, bool show) const
{
    if (HWND item = GetItem(id))
        ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

void CWnd::EnableItem(int id, bool enable) const
{
    if (HWND item = GetItem(id))
        EnableWindow(item, enable ? TRUE : FALSE);
}

LRESULT CWnd::SendItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const
{
    HWND item = GetItem(id);
    return item ? SendMessageW(item, message, wParam, lParam) : 0;
}

void CWnd::SetTitle(const std::wstring& text) const
{
    if (m_hWnd)
        SetWindowTextW(m_hWnd, text.c_str());
}

HWND CWnd::TopLevelOf(HWND window)
{
    while (window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(window);
        if (!parent)
            break;
        window = parent;
    }
    return window;
}

RECT CWnd::RectIn(HWND window, HWND parent)
{
    RECT r = {0, 0, 0, 0};
    if (window && GetWindowRect(window, &r))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring CWnd::TextOf(HWND window)
{
    if (!window)
        return std::wstring();
    int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    int got = GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), got > 0 ? got : 0);
}

// ---------------------------------------------------------------- CControl

namespace {
const wchar_t kControlProp[] = L"QvControlObject";
}

CControl::~CControl()
{
    Unsubclass();
}

bool CControl::Subclass(HWND window)
{
    if (!window || m_hWnd || FromHandle(window))
        return false;
    if (!SetPropW(window, kControlProp, this))
        return false;
    m_hWnd = window;
    m_oldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CControl::SubclassProc)));
    if (!m_oldProc) {
        RemovePropW(window, kControlProp);
        m_hWnd = nullptr;
        return false;
    }
    OnAttach();
    return true;
}

bool CControl::SubclassItem(HWND dialog, int id)
{
    return Subclass(GetDlgItem(dialog, id));
}

void CControl::Unsubclass()
{
    if (!m_hWnd)
        return;
    if (IsWindow(m_hWnd)) {
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
        RemovePropW(m_hWnd, kControlProp);
    }
    m_hWnd = nullptr;
    m_oldProc = nullptr;
}

CControl* CControl::FromHandle(HWND window)
{
    return window ? static_cast<CControl*>(GetPropW(window, kControlProp)) : nullptr;
}

bool CControl::OnReflectedCtlColor(HDC, HBRUSH&)
{
    return false;
}

bool CControl::OnReflectedCommand(WORD)
{
    return false;
}

bool CControl::PreTranslateMessage(MSG*)
{
    return false;
}

LRESULT CControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(message, wParam, lParam);
}

LRESULT CControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_oldProc ? CallWindowProcW(m_oldProc, m_hWnd, message, wParam, lParam)
                     : DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CControl* self = FromHandle(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is going away: hand it back before the last message so
        // that the object never sees a dead handle.
        WNDPROC old = self->m_oldProc;
        self->Unsubclass();
        return CallWindowProcW(old, window, message, wParam, lParam);
    }
    // No exception may cross into the system's code that called us: one that
    // reaches here (memory ran out, say) leaves the message to the control's
    // own procedure.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        return CallWindowProcW(self->m_oldProc, window, message, wParam, lParam);
    }
}

// ---------------------------------------------------------------- CDialog

CDialog::CDialog(UINT templateId)
    : m_templateId(templateId)
{
}

CDialog::~CDialog()
{
    DestroyWindowNow();
}

namespace {

// The dialogs running modally, innermost last (a dialog's loop can run
// inside another's): the pre-translation goes to the innermost.
std::vector<CDialog*> g_modalDialogs;

}  // namespace

CDialog* CDialog::ActiveModal()
{
    return g_modalDialogs.empty() ? nullptr : g_modalDialogs.back();
}

INT_PTR CDialog::DoModal(HWND owner)
{
    if (m_hWnd)
        return -1;
    m_modal = true;
    m_endRequested = false;
    m_result = IDCANCEL;

    // Like a system modal dialog: the owner is disabled while we run.
    bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (!CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                            &CDialog::DialogProc, reinterpret_cast<LPARAM>(this))) {
        m_modal = false;
        return -1;
    }
    if (ownerEnabled)
        EnableWindow(owner, FALSE);
    CenterOver(owner);

    bool shown = (GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
    g_modalDialogs.push_back(this);
    MSG msg;
    while (!m_endRequested && m_hWnd) {
        if (!shown && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            ShowWindow(m_hWnd, SW_SHOW);
            UpdateWindow(m_hWnd);
            shown = true;
            continue;
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0)
            break;
        message_loop::Dispatch(msg);
    }
    g_modalDialogs.erase(std::find(g_modalDialogs.begin(), g_modalDialogs.end(), this));

    if (ownerEnabled)
        EnableWindow(owner, TRUE);
    if (owner && m_hWnd && GetActiveWindow() == m_hWnd)
        SetActiveWindow(owner);
    DestroyWindowNow();
    m_modal = false;
    return m_result;
}

void CDialog::CenterOver(HWND owner)
{
    // Popups open centred over their owner (the screen's work area when
    // there is none), as users expect of a dialog.
    RECT area;
    if (owner && IsWindowVisible(owner))
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT window;
    GetWindowRect(m_hWnd, &window);
    int width = window.right - window.left, height = window.bottom - window.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(m_hWnd, nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::CreateChild(HWND parent)
{
    if (m_hWnd)
        return true;
    m_modal = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent,
                              &CDialog::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

bool CDialog::CreateModeless(HWND owner)
{
    if (m_hWnd)
        return false;
    m_modal = false;
    m_result = IDCANCEL;
    if (!CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                            &CDialog::DialogProc, reinterpret_cast<LPARAM>(this)))
        return false;
    ShowWindow(m_hWnd, SW_SHOW);
    return true;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_result = result;
    m_endRequested = true;
    if (!m_modal)
        DestroyWindowNow();
    else if (m_hWnd)
        PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop
}

void CDialog::DestroyWindowNow()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool CDialog::PreTranslateMessage(MSG* msg)
{
    // Controls see their own messages first (a link relays them to its tooltip).
    if (CControl* control = CControl::FromHandle(msg->hwnd)) {
        if (control->PreTranslateMessage(msg))
            return true;
    }
    return m_hWnd && IsDialogMessageW(m_hWnd, msg);
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;
}

bool CDialog::OnCommand(WORD id, WORD, HWND)
{
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

HBRUSH CDialog::OnCtlColor(HDC, HWND, UINT, bool& handled)
{
    handled = false;
    return nullptr;
}

INT_PTR CDialog::OnMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    return 0;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_hWnd = window;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self)
        return FALSE;
    // No exception may cross into the system's code that called us: one that
    // reaches here (memory ran out, say) leaves the message to the default
    // dialog handling.
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(message, wParam, lParam);
    } catch (...) {
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        if (self->m_hWnd == window)
            self->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();

    case WM_COMMAND: {
        HWND control = reinterpret_cast<HWND>(lParam);
        if (CControl* child = CControl::FromHandle(control)) {
            if (child->OnReflectedCommand(HIWORD(wParam)))
                return TRUE;
        }
        return OnCommand(LOWORD(wParam), HIWORD(wParam), control) ? TRUE : FALSE;
    }

    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        HBRUSH brush = nullptr;
        if (CControl* child = CControl::FromHandle(control)) {
            if (child->OnReflectedCtlColor(dc, brush))
                return reinterpret_cast<INT_PTR>(brush);
        }
        bool handled = false;
        brush = OnCtlColor(dc, control, message - WM_CTLCOLORMSGBOX, handled);
        // A dialog procedure answers these messages with the brush itself;
        // FALSE leaves the default colours.
        return handled ? reinterpret_cast<INT_PTR>(brush) : FALSE;
    }

    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;

    case WM_DESTROY:
        OnDestroy();
        return FALSE;

    default: {
        bool handled = false;
        INT_PTR result = OnMessage(message, wParam, lParam, handled);
        if (handled) {
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
    }
}

// ---------------------------------------------------------------- CWinApp

int CWinApp::Run()
{
    // The common controls (progress bar, tooltips) are looked up at run time
    // rather than imported: the loader would look for an imported
    // comctl32.dll in the program's folder first on Windows 2000. The
    // library stays loaded for the life of the process.
    typedef BOOL(WINAPI * InitCommonControlsExFn)(const INITCOMMONCONTROLSEX*);
    HMODULE library = LoadCommonControlsLibrary();
    InitCommonControlsExFn initialise =
        LookUpFunction<InitCommonControlsExFn>(library, "InitCommonControlsEx");
    if (initialise) {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
        initialise(&controls);
    } else {
        // Before version 4.70 (Windows NT 4.0 as it shipped) only the old
        // call exists; it registers the same classes.
        typedef void(WINAPI * InitCommonControlsFn)();
        InitCommonControlsFn initialiseAll = LookUpFunction<InitCommonControlsFn>(library, "InitCommonControls");
        if (initialiseAll)
            initialiseAll();
    }
    InitInstance();
    return m_exitCode;
}
