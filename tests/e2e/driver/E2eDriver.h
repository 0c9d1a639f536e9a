// End-to-end driver: starts QuorvexSetup.exe, finds its windows, reads and
// presses controls by id, answers message boxes and takes screenshots.
// Every wait has a time-out; nothing here blocks on the program under test.
#ifndef QV_TESTS_E2E_DRIVER_H
#define QV_TESTS_E2E_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed,
// dispatching this thread's messages meanwhile.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts `exePath` with its own folder as working directory and
    // `arguments` after its quoted path; with `standardError`, the program's
    // standard output and error go to that file, as a deployment tool that
    // collects them would hand them over.
    // `suspended`: the program's first thread waits for Resume, so that a
    // test can change what is around it before any of its code runs.
    bool Start(const std::wstring& exePath, const std::wstring& arguments = std::wstring(),
               const std::wstring& standardError = std::wstring(), bool suspended = false);
    bool Resume();
    // The wizard window (the top-level dialog that holds control 1022).
    HWND WaitForWizard(DWORD timeoutMs = 20000);
    HWND Wizard() const { return m_wizard; }
    // A visible message box (a top-level dialog of the program other than
    // the wizard, holding the message static 0xFFFF).
    HWND WaitForMessageBox(DWORD timeoutMs = 20000) const;
    // Any visible top-level dialog of the program other than the wizard.
    HWND WaitForDialog(DWORD timeoutMs = 20000) const;
    // The program's top-level windows that are shown.
    std::vector<HWND> VisibleWindows() const;
    bool IsRunning() const;
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    void Kill();
    DWORD ProcessId() const { return m_info.dwProcessId; }

private:
    std::vector<HWND> TopLevelWindows() const;
    PROCESS_INFORMATION m_info = {};
    HWND m_wizard = nullptr;
};

// The control `id` of `root`: its direct child of that id when there is one
// (the wizard's own buttons), otherwise a descendant, preferring a visible
// one. Pages reuse the ids of the frame's buttons: read page controls with
// ActivePage(wizard) as root.
HWND FindControl(HWND root, int id);
// The page the wizard shows (its visible child dialog).
HWND ActivePage(HWND wizard);
std::wstring TextOf(HWND window);
std::wstring ControlText(HWND root, int id);
bool IsVisible(HWND root, int id);
bool IsEnabled(HWND root, int id);
bool IsChecked(HWND root, int id);
// The position of a progress bar.
int ProgressPosition(HWND root, int id);

// Clicks a button like the user would (nothing happens when it is disabled).
bool Press(HWND root, int id);
// Presses and releases key `key` (with Shift held for `shift`) as the
// keyboard does: the input goes to the window that has the focus in the
// foreground program.
bool PressKey(WORD key, bool shift = false);
// The window that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);

// Selects line `index` of a list box and notifies its owner, as a click does.
bool SelectListLine(HWND root, int id, int index);
int ListCount(HWND root, int id);
int ListSelection(HWND root, int id);
std::wstring ListLine(HWND root, int id, int index);

// The message text of a message box and its answer.
std::wstring MessageBoxText(HWND box);
bool AnswerMessageBox(HWND box, int buttonId);

// Saves the whole screen as a BMP file (the test script turns it into PNG).
bool Screenshot(const std::wstring& path);

// The folder for screenshots and logs of this test run (QV_TEST_OUTPUT).
std::wstring OutputFolder();
// A file name in the output folder.
std::wstring OutputPath(const std::wstring& name);

std::string Utf8(const std::wstring& text);

}  // namespace e2e

#endif
