// CHyperLink on a real dialog under Wine (with an X server): text and address,
// fitting to the text, hover colours and the hover timer, opening through the
// shell, the ".htm" association fallback, and the error report; for an
// elevated process, the hand-over to the desktop's shell or the address
// shown instead, never the association; and before Vista, the address shown
// to a process that is not the desktop user's.
#include "support/HyperLink.h"

#include "support/HyperLinkText.h"
#include "support/Window.h"
#include "tests/support/HyperLinkTestRes.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::wstring kFolder = L"C:\\QvLinkTest";
const std::wstring kRecorder = kFolder + L"\\rec.exe";
const std::wstring kRecord = kFolder + L"\\record.txt";  // written by the recorder beside itself
const std::wstring kAddress = L"https://www.quorvex.example/";

// A link whose clicks decide by the facts a test gives it, where the test
// gives any, instead of by this process's own.
class FactsLink : public CHyperLink {
public:
    void UseFacts(const LinkOpeningFacts& facts) {
        m_facts = facts;
        m_injected = true;
    }
    void UseSystemFacts() { m_injected = false; }

protected:
    LinkOpeningFacts OpeningFacts() const override {
        return m_injected ? m_facts : CHyperLink::OpeningFacts();
    }

private:
    LinkOpeningFacts m_facts;
    bool m_injected = false;
};

// A program with the user's own token on Vista and later (the consent
// prompt's filtered token), which opens addresses itself.
const LinkOpeningFacts kOwnToken = {6, TokenElevationKind::Limited, true, false, true};

// An elevated program, with or without a desktop shell to hand over to.
LinkOpeningFacts ElevatedFacts(bool shellWindow) {
    return LinkOpeningFacts{10, TokenElevationKind::Full, true, true, shellWindow, false};
}

// A program on Windows XP, as the desktop's user or as another account (the
// local system account on the user's desktop).
LinkOpeningFacts WindowsXpFacts(bool desktopUser) {
    return LinkOpeningFacts{5, TokenElevationKind::Unknown, false, false, true, desktopUser};
}

class LinkDlg : public CDialog {
public:
    LinkDlg() : CDialog(IDD_LINK_TEST) {}

    FactsLink text;
    CHyperLink empty, centre, right, middle;
    RECT before[5] = {};

protected:
    BOOL OnInitDialog() override {
        const int ids[5] = {IDC_LINK_TEXT, IDC_LINK_EMPTY, IDC_LINK_CENTER, IDC_LINK_RIGHT,
                            IDC_LINK_MIDDLE};
        for (int i = 0; i < 5; ++i) RectOf(GetItem(ids[i]), before[i]);
        empty.SetURL(kAddress);
        CHyperLink* links[5] = {&text, &empty, &centre, &right, &middle};
        for (int i = 0; i < 5; ++i) links[i]->SubclassItem(m_hWnd, ids[i]);
        return TRUE;
    }

public:
    // A control's rectangle in the dialog's client coordinates.
    void RectOf(HWND control, RECT& rect) const {
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    }
};

// Runs the dialog's messages (with its pre-translation) for `ms` milliseconds
// or until `done` says so; returns whether `done` was reached.
template <typename Done>
bool PumpUntil(CDialog& dlg, DWORD ms, Done done) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!dlg.PreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void Pump(CDialog& dlg, DWORD ms) {
    PumpUntil(dlg, ms, [] { return false; });
}

// Moves the mouse as a user would: the pointer and a mouse input event.
void MoveMouse(int x, int y) {
    SetCursorPos(x, y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((x * 65535LL) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>((y * 65535LL) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

// The stand-in browser's record: its command line, and the program that
// started it (after a line feed).
std::wstring ReadWholeRecord() {
    HANDLE file = CreateFileW(kRecord.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::wstring();
    wchar_t buffer[1024] = {};
    DWORD bytes = 0;
    ReadFile(file, buffer, sizeof(buffer) - sizeof(wchar_t), &bytes, nullptr);
    CloseHandle(file);
    return std::wstring(buffer, bytes / sizeof(wchar_t));
}

std::wstring ReadRecord() {
    const std::wstring record = ReadWholeRecord();
    return record.substr(0, record.find(L'\n'));
}

std::wstring RecordedParent() {
    const std::wstring record = ReadWholeRecord();
    const size_t feed = record.find(L'\n');
    return feed == std::wstring::npos ? std::wstring() : record.substr(feed + 1);
}

std::wstring ThisProgramName() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(path.find_last_of(L'\\') + 1);
}

bool SetClassesDefault(const std::wstring& path, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool IsUnderlined(HWND control) {
    LOGFONTW font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    return handle && GetObjectW(handle, sizeof(font), &font) && font.lfUnderline;
}

// Saves the dialog as it is on screen to QV_TEST_OUTPUT\<name>.bmp (the
// test script keeps PNG copies), for a person to look at.
void SaveScreenshot(HWND window, const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"QV_TEST_OUTPUT", folder, MAX_PATH)) return;
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    const DWORD stride = ((width * 3 + 3) & ~3), size = stride * height;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(bmi.bmiHeader);
    file.bfSize = file.bfOffBits + size;
    const std::wstring path = std::wstring(folder) + L"\\" + name + L".bmp";
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE && bits) {
        DWORD written = 0;
        WriteFile(out, &file, sizeof(file), &written, nullptr);
        WriteFile(out, &bmi.bmiHeader, sizeof(bmi.bmiHeader), &written, nullptr);
        WriteFile(out, bits, size, &written, nullptr);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// The message box the click opens is modal on this thread: a thread timer
// finds it, keeps its text and closes it.
std::wstring g_boxText;
bool g_boxSeen = false;

BOOL CALLBACK CollectStatic(HWND child, LPARAM) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (lstrcmpiW(cls, L"Static") == 0) {
        std::wstring text = CWnd::TextOf(child);
        if (text.size() > g_boxText.size()) g_boxText = text;
    }
    return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM dialog) {
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (window != reinterpret_cast<HWND>(dialog) && lstrcmpW(cls, L"#32770") == 0 &&
        IsWindowVisible(window)) {
        g_boxSeen = true;
        EnumChildWindows(window, CollectStatic, 0);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    return TRUE;
}

HWND g_dialog = nullptr;
void CALLBACK CloseBoxTimer(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(g_dialog));
    if (g_boxSeen) KillTimer(nullptr, id);
}

class HyperLinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        CreateDirectoryW(kFolder.c_str(), nullptr);
        // The recorder, built beside this program, copied to a short path.
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring source = self;
        source = source.substr(0, source.find_last_of(L'\\') + 1) + L"record_args.exe";
        ASSERT_TRUE(CopyFileW(source.c_str(), kRecorder.c_str(), FALSE)) << "record_args.exe missing";
        DeleteFileW(kRecord.c_str());

        // Clicks open in this process unless a test says otherwise.
        m_dlg.text.UseFacts(kOwnToken);
        ASSERT_TRUE(m_dlg.CreateModeless());
        g_dialog = m_dlg.GetHwnd();
        SetWindowPos(m_dlg.GetHwnd(), HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        // The cursor away from the dialog, then let it paint.
        MoveMouse(5, 5);
        Pump(m_dlg, 200);
    }

    void TearDown() override {
        m_dlg.DestroyWindowNow();
        SHDeleteKeyW(HKEY_CLASSES_ROOT, L"QvTestPage");
        DeleteFileW(kRecord.c_str());
        DeleteFileW(kRecorder.c_str());
        RemoveDirectoryW(kFolder.c_str());
    }

    void Click(CHyperLink& link) {
        PostMessageW(link.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(link.GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    bool WaitForRecord(std::wstring& line) {
        return PumpUntil(m_dlg, 8000, [&] {
            line = ReadRecord();
            return !line.empty();
        });
    }

    // Clicks `link` and returns the message box's text, or an empty text
    // when none came within `ms`.
    std::wstring ClickForMessageBox(CHyperLink& link, DWORD ms) {
        return KeyForMessageBox(link, 0, ms);
    }
    // The same with key `key` pressed on the focused link instead (0: a click).
    std::wstring KeyForMessageBox(CHyperLink& link, WPARAM key, DWORD ms) {
        g_boxText.clear();
        g_boxSeen = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseBoxTimer);
        if (key != 0)
            PostMessageW(link.GetHwnd(), WM_KEYDOWN, key, 1);
        else
            Click(link);
        const bool seen = PumpUntil(m_dlg, ms, [] { return g_boxSeen; });
        if (!seen) KillTimer(nullptr, timer);
        return seen ? g_boxText : std::wstring();
    }

    // The ".htm" association, run as "<recorder> -association <address>":
    // a record with that switch means the association's command ran.
    void RegisterRecorderAsHtmAssociation() {
        ASSERT_TRUE(SetClassesDefault(L".htm", L"QvTestPage"));
        ASSERT_TRUE(SetClassesDefault(L"QvTestPage\\shell\\open\\command",
                                      L"\"" + kRecorder + L"\" -association \"%1\""));
    }

    LinkDlg m_dlg;
};

TEST_F(HyperLinkTest, TextAndAddressStandInForEachOther) {
    EXPECT_EQ(L"Visit the maker's web site", m_dlg.text.GetURL());
    EXPECT_EQ(kAddress, CWnd::TextOf(m_dlg.empty.GetHwnd()));
    EXPECT_EQ(kAddress, m_dlg.empty.GetURL());

    // As the welcome page does it: the address set after attaching keeps
    // the text and becomes the tooltip's text.
    m_dlg.text.SetURL(kAddress);
    EXPECT_EQ(L"Visit the maker's web site", CWnd::TextOf(m_dlg.text.GetHwnd()));
    EXPECT_EQ(kAddress, m_dlg.text.GetURL());
    HWND tip = m_dlg.text.GetToolTip();
    ASSERT_NE(nullptr, tip);
    EXPECT_EQ(1, SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    wchar_t buffer[256] = {};
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = m_dlg.text.GetHwnd();
    info.uId = 1;
    info.lpszText = buffer;
    SendMessageW(tip, TTM_GETTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(kAddress, std::wstring(buffer));

    // Clicks are reported, and the text starts in the link colour.
    EXPECT_TRUE(GetWindowLongW(m_dlg.text.GetHwnd(), GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(RGB(0, 0, 238), m_dlg.text.GetTextColorInUse());
    EXPECT_FALSE(IsUnderlined(m_dlg.text.GetHwnd()));

    // Without a hand cursor the cursor message is left alone.
    LRESULT handled = SendMessageW(m_dlg.text.GetHwnd(), WM_SETCURSOR,
                                   reinterpret_cast<WPARAM>(m_dlg.text.GetHwnd()),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(m_dlg.text.GetLinkCursor() != nullptr ? TRUE : FALSE, handled);
    std::printf("hand cursor from winhlp32.exe: %s\n", m_dlg.text.GetLinkCursor() ? "yes" : "no");
    SaveScreenshot(m_dlg.GetHwnd(), L"link_attached");
}

TEST_F(HyperLinkTest, FitsTheControlToItsText) {
    CHyperLink* links[5] = {&m_dlg.text, &m_dlg.empty, &m_dlg.centre, &m_dlg.right, &m_dlg.middle};
    RECT now[5];
    for (int i = 0; i < 5; ++i) {
        m_dlg.RectOf(links[i]->GetHwnd(), now[i]);
        const RECT& was = m_dlg.before[i];
        EXPECT_LT(now[i].right - now[i].left, was.right - was.left) << "control " << i;
        EXPECT_GT(now[i].right - now[i].left, 10) << "control " << i;
    }
    // The width is the text's, measured with the underline font.
    HDC dc = GetDC(m_dlg.text.GetHwnd());
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(m_dlg.text.GetHwnd(), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    font.lfUnderline = TRUE;
    HFONT underline = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, underline);
    SIZE extent = {};
    const std::wstring text = L"Visit the maker's web site";
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    DeleteObject(underline);
    ReleaseDC(m_dlg.text.GetHwnd(), dc);
    EXPECT_EQ(extent.cx, now[0].right - now[0].left);
    EXPECT_EQ(extent.cy, now[0].bottom - now[0].top);

    // Left text keeps its left edge and its top; centred text its centre;
    // right text its right edge; SS_CENTERIMAGE its vertical centre.
    EXPECT_EQ(m_dlg.before[0].left, now[0].left);
    EXPECT_EQ(m_dlg.before[0].top, now[0].top);
    EXPECT_NEAR((m_dlg.before[2].left + m_dlg.before[2].right) / 2.0,
                (now[2].left + now[2].right) / 2.0, 1.0);
    EXPECT_EQ(m_dlg.before[3].right, now[3].right);
    EXPECT_EQ(m_dlg.before[4].left, now[4].left);
    EXPECT_NEAR((m_dlg.before[4].top + m_dlg.before[4].bottom) / 2.0,
                (now[4].top + now[4].bottom) / 2.0, 1.0);
    EXPECT_LT(now[4].bottom - now[4].top, m_dlg.before[4].bottom - m_dlg.before[4].top);
}

TEST_F(HyperLinkTest, HoverColourAndUnderlineComeAndGo) {
    CHyperLink& link = m_dlg.text;
    RECT rect;
    GetWindowRect(link.GetHwnd(), &rect);
    MoveMouse((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageW(link.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ASSERT_TRUE(PumpUntil(m_dlg, 1000, [&] {
        return link.IsOver() && link.GetTextColorInUse() == RGB(255, 0, 0);
    })) << "no hover colour";
    EXPECT_TRUE(IsUnderlined(link.GetHwnd()));
    Pump(m_dlg, 50);
    SaveScreenshot(m_dlg.GetHwnd(), L"link_hover");
    // While the cursor stays, the timer keeps the hover state.
    Pump(m_dlg, 350);
    EXPECT_TRUE(link.IsOver());

    // Away: back to the link colour at the next timer tick. A pointer moved
    // by a program shows at its new place only some time later under Wine,
    // so the time counts from when the system first reports it outside.
    MoveMouse(5, 5);
    const DWORD moved = GetTickCount();
    DWORD outside = 0;
    ASSERT_TRUE(PumpUntil(m_dlg, 1500, [&] {
        POINT point;
        if (!outside && GetCursorPos(&point) && !PtInRect(&rect, point)) outside = GetTickCount();
        return !link.IsOver() && link.GetTextColorInUse() == RGB(0, 0, 238);
    })) << "hover state not left";
    ASSERT_NE(0u, outside);
    const DWORD took = GetTickCount() - outside;
    EXPECT_LE(took, 200u) << "the hover timer runs every 100 ms";
    std::printf("hover left %lu ms after the pointer was outside (%lu ms after the move)\n",
                static_cast<unsigned long>(took), static_cast<unsigned long>(GetTickCount() - moved));
    EXPECT_FALSE(IsUnderlined(link.GetHwnd()));
    RecordProperty("hover_leave_ms", static_cast<int>(took));
}

TEST_F(HyperLinkTest, WindowDestroyedWhileHoveringThenAttachedAgain) {
    CHyperLink& link = m_dlg.text;
    RECT rect;
    GetWindowRect(link.GetHwnd(), &rect);
    MoveMouse((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageW(link.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ASSERT_TRUE(PumpUntil(m_dlg, 1000, [&] { return link.IsOver(); }));

    // The dialog goes while the hover timer runs; the links let go of it.
    m_dlg.DestroyWindowNow();
    EXPECT_EQ(nullptr, link.GetHwnd());
    EXPECT_EQ(nullptr, link.GetToolTip());
    MoveMouse(5, 5);
    Pump(m_dlg, 250);

    // A new window: the same objects attach again with fresh fonts.
    ASSERT_TRUE(m_dlg.CreateModeless());
    SetWindowPos(m_dlg.GetHwnd(), HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ASSERT_NE(nullptr, link.GetHwnd());
    EXPECT_FALSE(link.IsOver());
    EXPECT_NE(nullptr, link.GetToolTip());
    EXPECT_TRUE(PumpUntil(m_dlg, 1000, [&] { return link.GetTextColorInUse() == RGB(0, 0, 238); }));
    EXPECT_FALSE(IsUnderlined(link.GetHwnd()));
    GetWindowRect(link.GetHwnd(), &rect);
    MoveMouse((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageW(link.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(PumpUntil(m_dlg, 1000, [&] { return IsUnderlined(link.GetHwnd()); }));
    MoveMouse(5, 5);
    EXPECT_TRUE(PumpUntil(m_dlg, 1000, [&] { return !link.IsOver(); }));
}

TEST_F(HyperLinkTest, TooltipGoesWithItsControl) {
    // The tooltip is a popup owned by the dialog; a control destroyed on its
    // own must take it along.
    CHyperLink& link = m_dlg.right;
    HWND tip = link.GetToolTip();
    ASSERT_NE(nullptr, tip);
    ASSERT_TRUE(IsWindow(tip));
    EXPECT_EQ(m_dlg.GetHwnd(), GetWindow(tip, GW_OWNER));
    DestroyWindow(link.GetHwnd());
    EXPECT_EQ(nullptr, link.GetHwnd());
    EXPECT_EQ(nullptr, link.GetToolTip());
    EXPECT_FALSE(IsWindow(tip)) << "the tooltip outlived its control";
}

TEST_F(HyperLinkTest, SuccessfulOpenMarksTheLinkVisited) {
    CHyperLink& link = m_dlg.text;
    link.SetURL(kRecorder);
    Click(link);
    std::wstring line;
    ASSERT_TRUE(WaitForRecord(line)) << "the shell did not run the address";
    EXPECT_NE(std::wstring::npos, line.find(L"rec.exe"));
    EXPECT_TRUE(link.IsVisited());
    EXPECT_TRUE(PumpUntil(m_dlg, 1000, [&] { return link.GetTextColorInUse() == RGB(85, 26, 139); }));
    SaveScreenshot(m_dlg.GetHwnd(), L"link_visited");
}

TEST_F(HyperLinkTest, FallsBackToTheHtmAssociation) {
    const std::wstring address = L"qvnosuch://quorvex.example/page";
    // Precondition: the shell itself cannot open this address.
    const INT_PTR shell = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOW));
    ASSERT_LE(shell, 32) << "the shell opened the test address itself";
    ASSERT_TRUE(ReadRecord().empty());

    ASSERT_TRUE(SetClassesDefault(L".htm", L"QvTestPage"));
    ASSERT_TRUE(SetClassesDefault(L"QvTestPage\\shell\\open\\command",
                                  L"\"" + kRecorder + L"\" -page \"%1\" -after"));
    CHyperLink& link = m_dlg.text;
    link.SetURL(address);
    Click(link);
    std::wstring line;
    ASSERT_TRUE(WaitForRecord(line)) << "the association's command did not run";
    EXPECT_EQ(L"\"" + kRecorder + L"\" -page  " + address, line);
    EXPECT_EQ(ThisProgramName(), RecordedParent()) << "run by this process, with its token";
    EXPECT_TRUE(link.IsVisited());
    SHDeleteKeyW(HKEY_CLASSES_ROOT, L"QvTestPage");
}

TEST_F(HyperLinkTest, UnsafeAddressIsNotPassedToTheAssociationAndIsReported) {
    ASSERT_TRUE(SetClassesDefault(L".htm", L"QvTestPage"));
    ASSERT_TRUE(SetClassesDefault(L"QvTestPage\\shell\\open\\command",
                                  L"\"" + kRecorder + L"\" \"%1\""));
    const std::wstring address = L"qvnosuch://x/\"C:\\windows\\notepad.exe";
    const INT_PTR shell = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOW));
    ASSERT_LE(shell, 32);
    EXPECT_EQ(shell, CHyperLink::GotoURL(address, SW_SHOW));

    CHyperLink& link = m_dlg.text;
    link.SetURL(address);
    EXPECT_EQ(HyperLinkErrorMessage(static_cast<long>(shell)), ClickForMessageBox(link, 5000));
    EXPECT_FALSE(link.IsVisited());
    Pump(m_dlg, 300);
    EXPECT_TRUE(ReadRecord().empty()) << "the association ran with a smuggled argument";
    SHDeleteKeyW(HKEY_CLASSES_ROOT, L"QvTestPage");
}

// Elevated, with a desktop shell: explorer starts the browser, as the
// signed-in user; this process starts nothing itself.
TEST_F(HyperLinkTest, ElevatedLinkIsOpenedByTheDesktopShell) {
    RegisterRecorderAsHtmAssociation();
    FactsLink& link = m_dlg.text;
    link.UseFacts(ElevatedFacts(true));
    link.SetURL(kRecorder);
    Click(link);
    std::wstring line;
    ASSERT_TRUE(WaitForRecord(line)) << "the desktop's shell did not open the address";
    EXPECT_EQ(0, lstrcmpiW(L"explorer.exe", RecordedParent().c_str()))
        << "started by " << ::testing::PrintToString(RecordedParent());
    EXPECT_EQ(std::wstring::npos, line.find(L"-association"));
    EXPECT_TRUE(link.IsVisited());
}

// Elevated, the association's command is never the fall-back, here or in
// the shell. Without a shell the address is shown in the owner's words, even
// one this process could open; with one, an address the shell cannot open
// is the shell's to deal with, or shown.
TEST_F(HyperLinkTest, ElevatedLinkNeverRunsTheAssociation) {
    RegisterRecorderAsHtmAssociation();
    FactsLink& link = m_dlg.text;
    link.UseFacts(ElevatedFacts(false));
    link.SetAddressPrompt(L"Open this yourself:");
    link.SetURL(kRecorder);
    EXPECT_EQ(L"Open this yourself:\n\n" + kRecorder, ClickForMessageBox(link, 5000));
    EXPECT_FALSE(link.IsVisited());

    const std::wstring address = L"qvnosuch://quorvex.example/page";  // see FallsBackToTheHtmAssociation
    link.UseFacts(ElevatedFacts(true));
    link.SetURL(address);
    const std::wstring box = ClickForMessageBox(link, 2000);
    EXPECT_EQ(link.IsVisited() ? std::wstring() : L"Open this yourself:\n\n" + address, box);
    Pump(m_dlg, 1000);  // time for anything started to write its record
    EXPECT_TRUE(ReadWholeRecord().empty()) << "the address or the association ran";
}

// Before Vista the desktop user's own program opens the address itself, the
// association included; another account's shows it and runs nothing, not
// even an address the shell could open, nor the association.
TEST_F(HyperLinkTest, BeforeVistaOnlyTheDesktopUsersProgramOpensTheLink) {
    RegisterRecorderAsHtmAssociation();
    FactsLink& link = m_dlg.text;
    link.UseFacts(WindowsXpFacts(false));
    link.SetAddressPrompt(L"Open this yourself:");
    link.SetURL(kRecorder);
    EXPECT_EQ(L"Open this yourself:\n\n" + kRecorder, ClickForMessageBox(link, 5000));
    EXPECT_FALSE(link.IsVisited());
    Pump(m_dlg, 1000);  // time for anything started to write its record
    EXPECT_TRUE(ReadWholeRecord().empty()) << "another account's process ran the address or the association";

    // The desktop user's: an address only the association opens is opened
    // by it, from this process.
    const std::wstring address = L"qvnosuch://quorvex.example/page";  // see FallsBackToTheHtmAssociation
    link.SetURL(address);
    link.UseFacts(WindowsXpFacts(true));
    Click(link);
    std::wstring line;
    ASSERT_TRUE(WaitForRecord(line)) << "the desktop user's program did not open the address";
    EXPECT_EQ(L"\"" + kRecorder + L"\" -association  " + address, line);
    EXPECT_EQ(ThisProgramName(), RecordedParent()) << "run by this process, with its token";
    EXPECT_TRUE(link.IsVisited());
}

// Whose window: this process's own, and (under Wine, where it is explorer's,
// a process of the same user) the desktop window, are this user's; no
// window, or one that is gone, tells nothing. Wine runs every process as
// one user, so another account's shell is left to the decision's tests.
TEST_F(HyperLinkTest, TellsWhetherAWindowsProcessRunsAsThisUser) {
    EXPECT_TRUE(CHyperLink::RunsAsUserOf(m_dlg.GetHwnd()));
    DWORD desktopProcess = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &desktopProcess);
    ASSERT_NE(GetCurrentProcessId(), desktopProcess) << "the desktop window is this process's";
    EXPECT_TRUE(CHyperLink::RunsAsUserOf(GetDesktopWindow())) << "desktop window of process " << desktopProcess;
    EXPECT_FALSE(CHyperLink::RunsAsUserOf(nullptr));
    HWND gone = CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 1, 1, m_dlg.GetHwnd(), nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, gone);
    DestroyWindow(gone);
    EXPECT_FALSE(CHyperLink::RunsAsUserOf(gone));
}

TEST_F(HyperLinkTest, TabReachesTheLinkWithAFocusMarkAndEnterOrSpaceOpensIt) {
    FactsLink& link = m_dlg.text;
    link.UseFacts(ElevatedFacts(false));  // a box with the address: nothing leaves the test
    link.SetAddressPrompt(L"Open this yourself:");
    link.SetURL(kAddress);

    // Tab goes round the dialog's links and comes to this one.
    SetFocus(m_dlg.empty.GetHwnd());
    bool reached = false;
    for (int i = 0; i < 5 && !reached; ++i) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        Pump(m_dlg, 100);
        reached = GetFocus() == link.GetHwnd();
    }
    ASSERT_TRUE(reached) << "Tab never reached the link";

    // The focus mark: the link's top row of pixels changes with the focus.
    auto topRow = [&] {
        std::vector<COLORREF> row;
        RECT client;
        GetClientRect(link.GetHwnd(), &client);
        HDC dc = GetDC(link.GetHwnd());
        for (int x = 0; x < client.right; ++x) row.push_back(GetPixel(dc, x, 0));
        ReleaseDC(link.GetHwnd(), dc);
        return row;
    };
    const std::vector<COLORREF> focused = topRow();
    SetFocus(m_dlg.empty.GetHwnd());
    Pump(m_dlg, 200);
    EXPECT_NE(focused, topRow()) << "no focus mark";

    SetFocus(link.GetHwnd());
    Pump(m_dlg, 100);
    EXPECT_EQ(L"Open this yourself:\n\n" + kAddress, KeyForMessageBox(link, VK_RETURN, 5000));
    SetFocus(link.GetHwnd());
    EXPECT_EQ(L"Open this yourself:\n\n" + kAddress, KeyForMessageBox(link, VK_SPACE, 5000));
}

// The facts this process finds for itself, and the click that follows them:
// the token's elevation is asked only on Vista and later, whose desktop
// user only before (run under Windows XP and the prefix's default,
// Windows 10). Under Wine every process runs as the same user, so where
// there is a shell this process is its user's.
TEST_F(HyperLinkTest, ClickFollowsTheFactsOfThisProcess) {
    const LinkOpeningFacts facts = CHyperLink::SystemOpeningFacts();
    std::printf("Windows %lu: elevation type %d, elevated %s, shell window %s, the desktop's user %s\n",
                facts.osMajorVersion, static_cast<int>(facts.elevationType),
                facts.elevationKnown ? (facts.elevated ? "yes" : "no") : "unknown",
                facts.shellWindow ? "yes" : "no", facts.desktopUser ? "yes" : "no");
    if (facts.osMajorVersion < 6 && !facts.elevationKnown) {
        EXPECT_EQ(TokenElevationKind::Unknown, facts.elevationType) << "asked a system that has no answer";
        EXPECT_EQ(facts.shellWindow, facts.desktopUser) << "the shell's user is not read as this process's";
    } else {
        // Vista and later, also where the version reported is older (a
        // compatibility mode for XP; Wine's version setting, whose tokens
        // answer the elevation question on every version).
        EXPECT_TRUE(facts.elevationKnown) << "Vista and later report the token's elevation";
        EXPECT_NE(TokenElevationKind::Unknown, facts.elevationType);
        EXPECT_FALSE(facts.desktopUser) << "asked where it does not count";
    }

    RegisterRecorderAsHtmAssociation();
    FactsLink& link = m_dlg.text;
    link.UseSystemFacts();
    link.SetURL(kRecorder);
    const LinkOpening way = ChooseLinkOpening(facts);
    if (way == LinkOpening::ShowAddress) {
        EXPECT_EQ(AddressMessage(DefaultAddressPrompt(), kRecorder), ClickForMessageBox(link, 5000));
        Pump(m_dlg, 1000);
        EXPECT_TRUE(ReadWholeRecord().empty());
        return;
    }
    // Opened: by this process itself only where it may.
    Click(link);
    std::wstring line;
    ASSERT_TRUE(WaitForRecord(line)) << "not opened";
    EXPECT_EQ(way == LinkOpening::InThisProcess, ThisProgramName() == RecordedParent())
        << "started by " << ::testing::PrintToString(RecordedParent());
}

}  // namespace
