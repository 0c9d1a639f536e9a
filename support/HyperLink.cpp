#include "support/HyperLink.h"

#include "support/HyperLinkText.h"
#include "support/Security.h"
#include "support/SystemLibrary.h"

#include <commctrl.h>
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

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

// Token information classes and elevation types of Windows Vista and later,
// which this program's headers (for Windows 2000) do not name.
const int kTokenElevationType = 18;  // TokenElevationType
const DWORD kElevationTypeDefault = 1, kElevationTypeFull = 2, kElevationTypeLimited = 3;

// Reads the elevation of this process's token into `facts`.
void ReadTokenElevation(LinkOpeningFacts& facts) {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
        token.Release();  // a failed call leaves no handle
        return;
    }
    DWORD value = 0;
    DWORD size = 0;
    if (GetTokenInformation(token.Get(), static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationType), &value,
                            sizeof(value), &size)) {
        switch (value) {
        case kElevationTypeDefault: facts.elevationType = TokenElevationKind::Default; break;
        case kElevationTypeFull: facts.elevationType = TokenElevationKind::Full; break;
        case kElevationTypeLimited: facts.elevationType = TokenElevationKind::Limited; break;
        default: break;
        }
    }
    facts.elevated = ProcessTokenIsElevated(&facts.elevationKnown);
}

// The desktop's shell window, or null. Looked up at run time, so that the
// program does not import it for a click that may never come.
HWND DesktopShellWindow() {
    typedef HWND(WINAPI * GetShellWindowFn)();
    const GetShellWindowFn getShellWindow =
        LookUpFunction<GetShellWindowFn>(GetModuleHandleW(L"user32.dll"), "GetShellWindow");
    return getShellWindow ? getShellWindow() : nullptr;
}

// The user of `token` (opened with TOKEN_QUERY) into `buffer`; null when it
// cannot be read. The SID points into the buffer.
PSID TokenUserOf(HANDLE token, std::vector<DWORD>& buffer) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return nullptr;
    buffer.assign(size / sizeof(DWORD) + 1, 0);
    if (!GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                             &size)) {
        return nullptr;
    }
    return reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
}

// The COM and automation functions the hand-over to the shell needs. They
// are loaded from the system folder when a link is first handed over, so
// that the program does not load COM at start-up for a click that may never
// come. The libraries stay loaded: COM keeps state in them beyond any call.
struct ComFunctions {
    typedef HRESULT(WINAPI* CoInitializeExFn)(LPVOID, DWORD);
    typedef void(WINAPI* CoUninitializeFn)();
    typedef HRESULT(WINAPI* CoCreateInstanceFn)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    typedef BSTR(WINAPI* SysAllocStringFn)(const OLECHAR*);
    typedef void(WINAPI* SysFreeStringFn)(BSTR);

    CoInitializeExFn coInitializeEx = nullptr;
    CoUninitializeFn coUninitialize = nullptr;
    CoCreateInstanceFn coCreateInstance = nullptr;
    SysAllocStringFn sysAllocString = nullptr;
    SysFreeStringFn sysFreeString = nullptr;

    bool Complete() const {
        return coInitializeEx && coUninitialize && coCreateInstance && sysAllocString && sysFreeString;
    }

    static const ComFunctions& Get() {
        static const ComFunctions functions = Load();
        return functions;
    }

private:
    static ComFunctions Load() {
        ComFunctions f;
        const HMODULE ole = LoadSystemLibrary(L"ole32.dll");
        const HMODULE automation = LoadSystemLibrary(L"oleaut32.dll");
        f.coInitializeEx = LookUpFunction<CoInitializeExFn>(ole, "CoInitializeEx");
        f.coUninitialize = LookUpFunction<CoUninitializeFn>(ole, "CoUninitialize");
        f.coCreateInstance = LookUpFunction<CoCreateInstanceFn>(ole, "CoCreateInstance");
        f.sysAllocString = LookUpFunction<SysAllocStringFn>(automation, "SysAllocString");
        f.sysFreeString = LookUpFunction<SysFreeStringFn>(automation, "SysFreeString");
        return f;
    }
};

// COM on this thread for one hand-over; a thread that already has it keeps
// it as it was.
class ComApartment {
public:
    explicit ComApartment(const ComFunctions& com)
        : m_com(com), m_result(com.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_result)) m_com.coUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    // RPC_E_CHANGED_MODE: COM is there already, in the other threading model.
    bool Usable() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }

private:
    const ComFunctions& m_com;
    HRESULT m_result;
};

// The one owner of a COM interface pointer.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (m_p != nullptr) m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// A BSTR for one call, freed with it.
class ComString {
public:
    ComString(const ComFunctions& com, const wchar_t* text) : m_com(com), m_text(com.sysAllocString(text)) {}
    ~ComString() {
        if (m_text != nullptr) m_com.sysFreeString(m_text);
    }
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;
    BSTR Get() const { return m_text; }

private:
    const ComFunctions& m_com;
    BSTR m_text;
};

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
    // Clicks are reported only with SS_NOTIFY; Tab reaches the link too.
    SetWindowLongW(m_hWnd, GWL_STYLE, GetWindowLongW(m_hWnd, GWL_STYLE) | SS_NOTIFY | WS_TABSTOP);

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
    BOOL measured = FALSE;
    {
        const WindowDc dc(m_hWnd);
        if (!dc.IsValid()) return;
        const SelectedObject font(dc.Get(), m_hUnderlineFont.Get());
        measured = GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    }
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

    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focus mark comes and goes with the keyboard focus.
        InvalidateRect(m_hWnd, nullptr, TRUE);
        break;

    case WM_PAINT: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        if (GetFocus() == m_hWnd) {
            const WindowDc dc(m_hWnd);
            RECT client;
            GetClientRect(m_hWnd, &client);
            DrawFocusRect(dc.Get(), &client);
        }
        return result;
    }

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
    switch (ChooseLinkOpening(OpeningFacts())) {
    case LinkOpening::InThisProcess: {
        const INT_PTR result = GotoURL(m_sURL, SW_SHOW);
        if (result > 32) {
            m_bVisited = true;
            InvalidateRect(m_hWnd, nullptr, TRUE);
        } else {
            m_bVisited = false;
            MessageBeep(MB_ICONEXCLAMATION);
            ReportError(result);
        }
        return;
    }
    case LinkOpening::ByDesktopShell:
        if (OpenByDesktopShell(m_sURL, SW_SHOW)) {
            m_bVisited = true;
            InvalidateRect(m_hWnd, nullptr, TRUE);
            return;
        }
        break;  // the shell would not take it: the user opens it
    case LinkOpening::ShowAddress:
        break;
    }
    ShowAddress();
}

void CHyperLink::ShowAddress() {
    const std::wstring prompt = m_sAddressPrompt.empty() ? DefaultAddressPrompt() : m_sAddressPrompt;
    const std::wstring text = AddressMessage(prompt, m_sURL);
    const std::wstring caption = TextOf(TopLevelOf(m_hWnd));
    MessageBoxW(GetParent(m_hWnd), text.c_str(), caption.empty() ? nullptr : caption.c_str(),
                MB_ICONINFORMATION | MB_OK);
}

LinkOpeningFacts CHyperLink::OpeningFacts() const {
    return SystemOpeningFacts();
}

bool CHyperLink::RunsAsUserOf(HWND window) {
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0 || processId == 0) return false;
    // Windows 2000 and XP know no lesser right that lets a process's token
    // be opened (PROCESS_QUERY_LIMITED_INFORMATION is Vista's).
    const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process) return false;
    UniqueKernelHandle otherToken;
    if (!OpenProcessToken(process.Get(), TOKEN_QUERY, otherToken.Put())) {
        otherToken.Release();  // a failed call leaves no handle
        return false;
    }
    std::vector<DWORD> otherBuffer;
    const PSID otherUser = TokenUserOf(otherToken.Get(), otherBuffer);
    return otherUser != nullptr && ProcessUserIs(otherUser);
}

LinkOpeningFacts CHyperLink::SystemOpeningFacts() {
    LinkOpeningFacts facts;
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version)) facts.osMajorVersion = version.dwMajorVersion;
    const HWND shell = DesktopShellWindow();
    facts.shellWindow = shell != nullptr;
    // Windows 2000 and XP know neither the token's elevation (the question
    // fails there) nor a desktop to hand over to; there it matters whose
    // desktop this process is on.
    ReadTokenElevation(facts);
    if (facts.osMajorVersion < 6 && !facts.elevationKnown)
        facts.desktopUser = RunsAsUserOf(shell);
    return facts;
}

bool CHyperLink::OpenByDesktopShell(const std::wstring& url, int showCommand) {
    // The documented way to have the desktop's explorer open something: its
    // view's automation object (Shell.Application) runs ShellExecute in
    // explorer's process, with the signed-in user's own token and class
    // registry.
    const ComFunctions& com = ComFunctions::Get();
    if (!com.Complete()) return false;
    const ComApartment apartment(com);
    if (!apartment.Usable()) return false;

    ComPtr<IShellWindows> windows;
    if (FAILED(com.coCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                    windows.PutVoid()))) {
        return false;
    }
    VARIANT location = {};
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    VARIANT root = {};  // VT_EMPTY
    long window = 0;
    ComPtr<IDispatch> desktop;
    const int kDesktopWindow = 8;  // SWC_DESKTOP, Windows Vista and later
    if (windows->FindWindowSW(&location, &root, kDesktopWindow, &window, SWFO_NEEDDISPATCH, desktop.Put()) !=
            S_OK ||
        !desktop) {
        return false;
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.PutVoid())) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid())) ||
        FAILED(browser->QueryActiveShellView(view.Put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.PutVoid())) ||
        FAILED(folderView->get_Application(application.Put())) || !application ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.PutVoid()))) {
        return false;
    }

    const ComString file(com, url.c_str());
    const ComString verb(com, L"open");
    if (file.Get() == nullptr || verb.Get() == nullptr) return false;
    VARIANT arguments = {}, folder = {}, operation = {}, show = {};
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.Get();
    show.vt = VT_I4;
    show.lVal = showCommand;
    return SUCCEEDED(shell->ShellExecute(file.Get(), arguments, folder, operation, show));
}

void CHyperLink::ReportError(INT_PTR result) {
    const std::wstring text = HyperLinkErrorMessage(static_cast<long>(result));
    MessageBoxW(GetParent(m_hWnd), text.c_str(), nullptr, MB_ICONEXCLAMATION | MB_OK);
}

bool CHyperLink::PreTranslateMessage(MSG* msg) {
    // With the focus on it, Enter or Space opens the link as a click does
    // (once per press, not again while the key repeats).
    if (msg->hwnd == m_hWnd && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_SPACE)) {
        if ((msg->lParam & 0x40000000) == 0) OnClicked();
        return true;
    }
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
