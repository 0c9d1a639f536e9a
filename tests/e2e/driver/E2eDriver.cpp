#include "tests/e2e/driver/E2eDriver.h"

#include <commctrl.h>

#include <cstdio>

namespace e2e {

namespace {

const int kMessageStaticId = 0xFFFF;

bool IsDialogClass(HWND window)
{
    wchar_t name[32] = {0};
    GetClassNameW(window, name, 32);
    return lstrcmpW(name, L"#32770") == 0;
}

struct FindState {
    int id;
    HWND visible;
    HWND any;
};

BOOL CALLBACK FindChild(HWND window, LPARAM param)
{
    FindState* state = reinterpret_cast<FindState*>(param);
    if (GetDlgCtrlID(window) == state->id) {
        if (!state->any)
            state->any = window;
        if (!state->visible && IsWindowVisible(window))
            state->visible = window;
    }
    return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return condition();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
}

Program::~Program()
{
    Kill();
}

bool Program::Start(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& standardError,
                    bool suspended)
{
    std::wstring folder = exePath.substr(0, exePath.find_last_of(L"\\/"));
    std::wstring commandLine = L"\"" + exePath + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!standardError.empty()) {
        SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
        output = CreateFileW(standardError.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             CREATE_ALWAYS, 0, nullptr);
        if (output == INVALID_HANDLE_VALUE)
            return false;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    const bool started = CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr,
                                        output != INVALID_HANDLE_VALUE, suspended ? CREATE_SUSPENDED : 0, nullptr,
                                        folder.c_str(), &startup, &m_info) != FALSE;
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    return started;
}

bool Program::Resume()
{
    return m_info.hThread && ResumeThread(m_info.hThread) != static_cast<DWORD>(-1);
}

namespace {
struct Collect {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    Collect* c = reinterpret_cast<Collect*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid)
        c->windows.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> Program::TopLevelWindows() const
{
    Collect collect = {m_info.dwProcessId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&collect));
    return collect.windows;
}

std::vector<HWND> Program::VisibleWindows() const
{
    std::vector<HWND> visible;
    for (HWND w : TopLevelWindows())
        if (IsWindowVisible(w))
            visible.push_back(w);
    return visible;
}

HWND Program::WaitForWizard(DWORD timeoutMs)
{
    WaitUntil(
        [this] {
            for (HWND w : TopLevelWindows())
                if (IsWindowVisible(w) && IsDialogClass(w) && GetDlgItem(w, 1022) && GetDlgItem(w, 1021)) {
                    m_wizard = w;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return m_wizard;
}

HWND Program::WaitForDialog(DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopLevelWindows())
                if (w != m_wizard && IsWindowVisible(w) && IsDialogClass(w)) {
                    found = w;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

HWND Program::WaitForMessageBox(DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopLevelWindows())
                if (w != m_wizard && IsWindowVisible(w) && IsDialogClass(w) && GetDlgItem(w, kMessageStaticId)) {
                    found = w;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

bool Program::IsRunning() const
{
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const
{
    if (!m_info.hProcess)
        return true;
    if (WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(m_info.hProcess, exitCode);
    return true;
}

void Program::Kill()
{
    if (m_info.hProcess) {
        if (IsRunning()) {
            TerminateProcess(m_info.hProcess, 99);
            WaitForSingleObject(m_info.hProcess, 5000);
        }
        CloseHandle(m_info.hProcess);
        CloseHandle(m_info.hThread);
    }
    m_info = PROCESS_INFORMATION();
    m_wizard = nullptr;
}

HWND FindControl(HWND root, int id)
{
    if (!root)
        return nullptr;
    if (HWND direct = GetDlgItem(root, id))
        return direct;
    FindState state = {id, nullptr, nullptr};
    EnumChildWindows(root, FindChild, reinterpret_cast<LPARAM>(&state));
    return state.visible ? state.visible : state.any;
}

HWND ActivePage(HWND wizard)
{
    for (HWND child = GetWindow(wizard, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child) && IsDialogClass(child))
            return child;
    return nullptr;
}

std::wstring TextOf(HWND window)
{
    if (!window)
        return std::wstring();
    wchar_t buffer[4096] = {0};
    LRESULT n = SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ControlText(HWND root, int id)
{
    return TextOf(FindControl(root, id));
}

bool IsVisible(HWND root, int id)
{
    HWND control = FindControl(root, id);
    return control && IsWindowVisible(control);
}

bool IsEnabled(HWND root, int id)
{
    HWND control = FindControl(root, id);
    return control && IsWindowEnabled(control);
}

bool IsChecked(HWND root, int id)
{
    HWND control = FindControl(root, id);
    return control && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int ProgressPosition(HWND root, int id)
{
    HWND control = FindControl(root, id);
    return control ? static_cast<int>(SendMessageW(control, PBM_GETPOS, 0, 0)) : -1;
}

bool Press(HWND root, int id)
{
    HWND control = FindControl(root, id);
    if (!control)
        return false;
    // Posted, so that a modal loop the click opens never blocks the driver.
    return PostMessageW(control, BM_CLICK, 0, 0) != FALSE;
}

bool PressKey(WORD key, bool shift)
{
    INPUT inputs[4] = {};
    UINT count = 0;
    auto add = [&](WORD vk, bool up) {
        inputs[count].type = INPUT_KEYBOARD;
        inputs[count].ki.wVk = vk;
        inputs[count].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0));
        inputs[count].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        ++count;
    };
    if (shift)
        add(VK_SHIFT, false);
    add(key, false);
    add(key, true);
    if (shift)
        add(VK_SHIFT, true);
    const bool sent = SendInput(count, inputs, sizeof(INPUT)) == count;
    // Time for the program to take the keys in.
    WaitUntil([] { return false; }, 150);
    return sent;
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return thread && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool SelectListLine(HWND root, int id, int index)
{
    HWND list = FindControl(root, id);
    if (!list)
        return false;
    if (SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0) == LB_ERR && index >= 0)
        return false;
    PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return true;
}

int ListCount(HWND root, int id)
{
    HWND list = FindControl(root, id);
    return list ? static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) : -1;
}

int ListSelection(HWND root, int id)
{
    HWND list = FindControl(root, id);
    return list ? static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)) : -2;
}

std::wstring ListLine(HWND root, int id, int index)
{
    HWND list = FindControl(root, id);
    if (!list)
        return std::wstring();
    wchar_t buffer[1024] = {0};
    LRESULT n = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    return n > 0 ? std::wstring(buffer, static_cast<size_t>(n)) : std::wstring();
}

std::wstring MessageBoxText(HWND box)
{
    return TextOf(GetDlgItem(box, kMessageStaticId));
}

bool AnswerMessageBox(HWND box, int buttonId)
{
    HWND button = GetDlgItem(box, buttonId);
    if (!button)
        return false;
    return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

// Wine without a window manager activates a new program's window before it
// becomes the foreground window and never redraws its caption afterwards, so
// the wizard would be pictured greyed although it has the keyboard. The
// foreground window is told once more that it is active, which repaints its
// caption as Windows shows it; a window that is not in front stays as it is.
static void RedrawForegroundAsActive()
{
    HWND foreground = GetForegroundWindow();
    if (!foreground || foreground == GetDesktopWindow())
        return;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(foreground, WM_NCACTIVATE, TRUE, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    Sleep(150);  // the repainted caption reaches the screen with the window's next flush
}

bool Screenshot(const std::wstring& path)
{
    RedrawForegroundAsActive();
    HDC screen = GetDC(nullptr);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + imageSize;
        HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
                 WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
                 WriteFile(out, bits, imageSize, &written, nullptr);
            CloseHandle(out);
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::wstring OutputFolder()
{
    wchar_t buffer[MAX_PATH] = {0};
    DWORD n = GetEnvironmentVariableW(L"QV_TEST_OUTPUT", buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return L"C:\\";
    return buffer;
}

std::wstring OutputPath(const std::wstring& name)
{
    std::wstring folder = OutputFolder();
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder + name;
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace e2e
