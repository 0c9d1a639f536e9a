#include "support/HyperLink.h"

#include "support/HyperLinkText.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// The ".htm" association is read with values of at most this many bytes.
const DWORD kAssociationBytes = 260;

// The unnamed value of HKEY_CLASSES_ROOT\<path> as text, or false. Only the
// bytes the registry returned are used; the value need not end in a NUL.
bool ReadClassesValue(const std::wstring& path, std::wstring& text) {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
        key.Release();  // a failed open leaves no key
        return false;
    }
    wchar_t buffer[kAssociationBytes / sizeof(wchar_t)] = {};
    DWORD size = kAssociationBytes;
    DWORD type = 0;
    LONG status = RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                                   &size);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    if (size > kAssociationBytes) size = kAssociationBytes;
    const DWORD chars = size / sizeof(wchar_t);
    DWORD length = 0;
    while (length < chars && buffer[length] != L'\0') ++length;
    text.assign(buffer, length);
    return !text.empty();
}

}  // namespace

CHyperLink::CHyperLink()
    : m_crLinkColor(RGB(0, 0, 238)),
      m_crVisitedColor(RGB(85, 26, 139)),
      m_crHoverColor(RGB(255, 0, 0)),
      m_bOverControl(false),
      m_bVisited(false),
      m_nUnderline(kUnderlineHover),
      m_bAdjustToFit(true),
      m_hOriginalFont(nullptr),
      m_hLinkCursor(nullptr),
      m_hToolTip(nullptr),
      m_bTimerRunning(false),
      m_crInUse(CLR_INVALID) {}

CHyperLink::~CHyperLink() {
    ReleaseResources();
}

void CHyperLink::ReleaseResources() {
    // A window that outlives us must not keep a font we are about to delete.
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        if (m_bTimerRunning) KillTimer(m_hWnd, kTimerId);
        SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hOriginalFont), FALSE);
    }
    m_bTimerRunning = false;
    if (m_hToolTip != nullptr && IsWindow(m_hToolTip)) DestroyWindow(m_hToolTip);
    m_hToolTip = nullptr;
    m_hUnderlineFont.Reset();
    m_hStdFont.Reset();
    if (m_hLinkCursor != nullptr) DestroyCursor(m_hLinkCursor);
    m_hLinkCursor = nullptr;
}

void CHyperLink::SetURL(const std::wstring& url) {
    m_sURL = url;
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        PositionWindow();
        if (m_hToolTip != nullptr) {
            TOOLINFOW info = {};
            info.cbSize = TTTOOLINFOW_V2_SIZE;
            info.hwnd = m_hWnd;
            info.uId = 1;
            info.lpszText = const_cast<wchar_t*>(m_sURL.c_str());
            SendMessageW(m_hToolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
        }
    }
}

void CHyperLink::SetUnderline(int mode) {
    if (mode == m_nUnderline) return;
    m_nUnderline = mode;
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        const bool underline = mode == kUnderlineAlways || (mode == kUnderlineHover && m_bOverControl);
        ApplyFont(underline ? m_hUnderlineFont.Get() : m_hStdFont.Get());
        PositionWindow();
    }
}

void CHyperLink::ApplyFont(HFONT font) {
    if (font != nullptr) {
        SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void CHyperLink::OnAttach() {
    // Clicks are reported only with SS_NOTIFY.
    SetWindowLongW(m_hWnd, GWL_STYLE, GetWindowLongW(m_hWnd, GWL_STYLE) | SS_NOTIFY);

    // Text and address stand in for each other.
    const std::wstring text = TextOf(m_hWnd);
    if (m_sURL.empty()) m_sURL = text;
    if (text.empty()) SetWindowTextW(m_hWnd, m_sURL.c_str());

    // Attached once more (to a new window): the fonts and the tooltip of the
    // last attachment are built afresh for this one.
    if (m_hToolTip != nullptr && IsWindow(m_hToolTip)) DestroyWindow(m_hToolTip);
    m_hToolTip = nullptr;
    m_hUnderlineFont.Reset();
    m_hStdFont.Reset();
    m_bOverControl = false;

    m_hOriginalFont = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    HFONT base = m_hOriginalFont;
    if (base == nullptr) base = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (base == nullptr) base = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTW font = {};
    if (base != nullptr && GetObjectW(base, sizeof(font), &font) == sizeof(font)) {
        m_hStdFont.Reset(CreateFontIndirectW(&font));
        font.lfUnderline = TRUE;
        m_hUnderlineFont.Reset(CreateFontIndirectW(&font));
    }

    PositionWindow();
    SetDefaultCursor();
    // The requested underline mode is already in force (the control keeps
    // its font until the mouse first enters), unless "always" was chosen
    // before attaching.
    if (m_nUnderline == kUnderlineAlways) ApplyFont(m_hUnderlineFont.Get());

    m_hToolTip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (m_hToolTip != nullptr) {
        TOOLINFOW info = {};
        info.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every comctl32
        info.hwnd = m_hWnd;
        info.uId = 1;
        GetClientRect(m_hWnd, &info.rect);
        info.lpszText = const_cast<wchar_t*>(m_sURL.c_str());
        SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void CHyperLink::PositionWindow() {
    if (m_hWnd == nullptr || !IsWindow(m_hWnd) || !m_bAdjustToFit) return;

    const std::wstring text = TextOf(m_hWnd);
    SIZE extent = {0, 0};
    HDC dc = GetDC(m_hWnd);
    if (dc == nullptr) return;
    HGDIOBJ old = m_hUnderlineFont ? SelectObject(dc, m_hUnderlineFont.Get()) : nullptr;
    BOOL measured = GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    if (old != nullptr) SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);
    if (!measured) return;

    RECT window, client;
    GetWindowRect(m_hWnd, &window);
    GetClientRect(m_hWnd, &client);
    HWND parent = GetParent(m_hWnd);
    if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);

    const LONG width = extent.cx + (window.right - window.left) - (client.right - client.left);
    const LONG height = extent.cy + (window.bottom - window.top) - (client.bottom - client.top);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_STYLE));

    LONG top = window.top;
    if (style & SS_CENTERIMAGE) {
        top = window.top + ((window.bottom - window.top) - height) / 2;
    }
    LONG left = window.left;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: left = window.left + ((window.right - window.left) - width) / 2; break;
    case SS_RIGHT: left = window.right - width; break;
    default: break;
    }
    SetWindowPos(m_hWnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_hToolTip != nullptr) {
        TOOLINFOW info = {};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.hwnd = m_hWnd;
        info.uId = 1;
        GetClientRect(m_hWnd, &info.rect);
        SendMessageW(m_hToolTip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void CHyperLink::SetDefaultCursor() {
    if (m_hLinkCursor != nullptr) return;
    // The hand of the Windows help program; loaded as data only, since
    // nothing of it is to run in this process.
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::wstring path = std::wstring(folder, length);
    if (path.back() != L'\\') path += L'\\';
    path += L"winhlp32.exe";
    const UniqueLibrary module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return;
    HCURSOR hand = LoadCursorW(module.Get(), MAKEINTRESOURCEW(106));
    if (hand != nullptr) m_hLinkCursor = CopyIcon(hand);
}

LRESULT CHyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        if (m_hLinkCursor != nullptr) {
            SetCursor(m_hLinkCursor);
            return TRUE;
        }
        return FALSE;

    case WM_MOUSEMOVE:
        if (!m_bOverControl) {
            m_bOverControl = true;
            if (m_nUnderline == kUnderlineHover) ApplyFont(m_hUnderlineFont.Get());
            InvalidateRect(m_hWnd, nullptr, TRUE);
            if (SetTimer(m_hWnd, kTimerId, kHoverInterval, nullptr)) m_bTimerRunning = true;
        }
        break;

    case WM_TIMER:
        if (wParam == kTimerId) OnHoverTimer();
        break;

    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(m_hWnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }

    case WM_DESTROY:
        if (m_bTimerRunning) {
            KillTimer(m_hWnd, kTimerId);
            m_bTimerRunning = false;
        }
        // The tooltip is a popup, so its owner is the dialog, not this control:
        // left alone it would outlive a control destroyed on its own.
        if (m_hToolTip != nullptr && IsWindow(m_hToolTip)) DestroyWindow(m_hToolTip);
        m_hToolTip = nullptr;
        break;

    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

void CHyperLink::OnHoverTimer() {
    // Where the cursor is now. The position that came with the timer message
    // is not enough: Wine leaves it at the last mouse input this program
    // received, so a pointer that left the window for another program's
    // would keep the link lit.
    POINT point = {0, 0};
    if (!GetCursorPos(&point)) return;
    ScreenToClient(m_hWnd, &point);
    RECT client;
    GetClientRect(m_hWnd, &client);
    if (PtInRect(&client, point)) return;

    m_bOverControl = false;
    KillTimer(m_hWnd, kTimerId);
    m_bTimerRunning = false;
    if (m_nUnderline != kUnderlineAlways) ApplyFont(m_hStdFont.Get());
    client.bottom += 10;
    InvalidateRect(m_hWnd, &client, TRUE);
}

bool CHyperLink::OnReflectedCtlColor(HDC dc, HBRUSH& brush) {
    if (m_bOverControl) {
        m_crInUse = m_crHoverColor;
    } else if (m_bVisited) {
        m_crInUse = m_crVisitedColor;
    } else {
        m_crInUse = m_crLinkColor;
    }
    SetTextColor(dc, m_crInUse);
    SetBkMode(dc, TRANSPARENT);
    brush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    return true;
}

bool CHyperLink::OnReflectedCommand(WORD notifyCode) {
    if (notifyCode != STN_CLICKED) return false;
    OnClicked();
    return true;
}

void CHyperLink::OnClicked() {
    m_bOverControl = false;
    const INT_PTR result = GotoURL(m_sURL, SW_SHOW);
    if (result > 32) {
        m_bVisited = true;
        InvalidateRect(m_hWnd, nullptr, TRUE);
    } else {
        m_bVisited = false;
        MessageBeep(MB_ICONEXCLAMATION);
        ReportError(result);
    }
}

void CHyperLink::ReportError(INT_PTR result) {
    const std::wstring text = HyperLinkErrorMessage(static_cast<long>(result));
    MessageBoxW(GetParent(m_hWnd), text.c_str(), nullptr, MB_ICONEXCLAMATION | MB_OK);
}

bool CHyperLink::PreTranslateMessage(MSG* msg) {
    if (m_hToolTip != nullptr) {
        SendMessageW(m_hToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    }
    return CControl::PreTranslateMessage(msg);
}

INT_PTR CHyperLink::GotoURL(const std::wstring& url, int showCommand) {
    const INT_PTR shellResult = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, showCommand));
    if (shellResult > 32) return shellResult;

    // The shell could not open it: run the command of the ".htm" files'
    // association with the address as its argument.
    std::wstring progId;
    if (!ReadClassesValue(L".htm", progId)) return shellResult;
    std::wstring association;
    if (!ReadClassesValue(progId + L"\\shell\\open\\command", association)) return shellResult;
    std::wstring command;
    if (!BuildAssociationCommand(association, url, command)) return shellResult;

    // WinExec takes the thread's ANSI code page. A character without an exact
    // counterpart there would become a look-alike (a full-width quote turning
    // into a real one) or a default character, and the command run would not
    // be the one built: only a command that converts back unchanged is run.
    const int bytes =
        WideCharToMultiByte(CP_THREAD_ACP, 0, command.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return shellResult;
    std::vector<char> ansi(static_cast<size_t>(bytes));
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, command.c_str(), -1, ansi.data(), bytes, nullptr,
                            nullptr) != bytes) {
        return shellResult;
    }
    const int chars = MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.data(), -1, nullptr, 0);
    std::vector<wchar_t> back(static_cast<size_t>(chars > 0 ? chars : 1));
    if (chars <= 0 || MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.data(), -1, back.data(), chars) != chars ||
        command != back.data()) {
        return shellResult;
    }
    return static_cast<INT_PTR>(WinExec(ansi.data(), static_cast<UINT>(showCommand)));
}
