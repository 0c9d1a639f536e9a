// The project's small window framework: a window wrapper, dialogs created
// from resource templates (modal or as child windows), controls subclassed
// inside a dialog, and the application object.
//
// One dialog procedure serves every dialog: it stores the object at
// WM_INITDIALOG and forwards each message to virtual handlers. Notifications
// that a parent receives about a subclassed control (its colours, its
// WM_COMMAND notifications) are offered to that control first ("reflected").
#ifndef QV_SUPPORT_WINDOW_H
#define QV_SUPPORT_WINDOW_H

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetHwnd() const { return m_hWnd; }

    HWND GetItem(int id) const;
    void SetItemText(int id, const std::wstring& text) const;
    void ShowItem(int id, bool show) const;
    void EnableItem(int id, bool enable) const;
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    void SetTitle(const std::wstring& text) const;

    static std::wstring TextOf(HWND window);
    // The top-level window that WINDOW is a child of (or WINDOW itself). The
    // same as GetAncestor(GA_ROOT), which Windows NT 4.0 does not have.
    static HWND TopLevelOf(HWND window);
    // The rectangle of `window` in the client coordinates of `parent` (any
    // window that contains it).
    static RECT RectIn(HWND window, HWND parent);

protected:
    HWND m_hWnd = nullptr;
};

// A control of a dialog whose messages pass through this object first.
class CControl : public CWnd {
public:
    ~CControl() override;

    // Takes over the window procedure of `window` (or of control `id` of a
    // dialog); calls OnAttach afterwards.
    bool Subclass(HWND window);
    bool SubclassItem(HWND dialog, int id);
    void Unsubclass();

    // The control object attached to `window`, if any.
    static CControl* FromHandle(HWND window);

    // Reflected from the parent. Return true when handled.
    virtual bool OnReflectedCtlColor(HDC dc, HBRUSH& brush);
    virtual bool OnReflectedCommand(WORD notifyCode);
    // Called by the dialog's message loop for messages addressed to the
    // control, before the standard dialog keyboard handling.
    virtual bool PreTranslateMessage(MSG* msg);

protected:
    virtual void OnAttach() {}
    // Every message of the control; the default passes it on unchanged.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC m_oldProc = nullptr;
};

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId);
    ~CDialog() override;

    // Runs the dialog modally with its own message loop. The window is shown
    // when the loop first finds the queue empty, so messages posted before
    // the run are handled before the dialog appears.
    INT_PTR DoModal(HWND owner = nullptr);
    // Creates the dialog as a (hidden unless the template says otherwise)
    // child of `parent`.
    bool CreateChild(HWND parent);
    // Creates the dialog modelessly (as a popup owned by `owner`); it ends
    // by EndDialog like a modal one, and GetResult tells how.
    bool CreateModeless(HWND owner = nullptr);
    INT_PTR GetResult() const { return m_result; }
    void EndDialog(INT_PTR result);
    void DestroyWindowNow();

    // The standard dialog keyboard handling and controls' pre-translation.
    virtual bool PreTranslateMessage(MSG* msg);

    // The innermost dialog that is running modally on this thread, or null.
    static CDialog* ActiveModal();

protected:
    virtual BOOL OnInitDialog();
    // WM_COMMAND; return true when handled. The default maps IDOK and
    // IDCANCEL to OnOK and OnCancel.
    virtual bool OnCommand(WORD id, WORD notifyCode, HWND control);
    virtual void OnOK();
    virtual void OnCancel();
    // WM_CTLCOLOR*; `kind` is the CTLCOLOR_* value. Return a brush and set
    // handled to take over the colours.
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind, bool& handled);
    virtual bool OnPaint() { return false; }
    // WM_DESTROY; the window still exists.
    virtual void OnDestroy() {}
    // Any other message; set handled and return the result to take it.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    void CenterOver(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    bool m_modal = false;
    bool m_endRequested = false;
    INT_PTR m_result = 0;
};

class CWinApp {
public:
    CWinApp() = default;
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns false when the application is to end (after its wizard closed).
    virtual BOOL InitInstance() = 0;
    // Common controls, then InitInstance; the process exit code.
    int Run();

protected:
    // The process exit code that Run returns (0 unless set).
    void SetExitCode(int code) { m_exitCode = code; }

private:
    int m_exitCode = 0;
};

#endif
