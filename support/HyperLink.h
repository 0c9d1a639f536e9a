// A static text control turned into a web link: coloured text, underlined
// while the mouse is over it, a hand cursor, a tooltip with the address, and
// a click that opens the address in the user's browser. Tab reaches it (a
// focus mark shows it has the focus), and Enter or Space opens it too.
#ifndef QV_SUPPORT_HYPERLINK_H
#define QV_SUPPORT_HYPERLINK_H

#include "support/Window.h"

#include <windows.h>

#include <string>

#include "support/Handle.h"
#include "support/HyperLinkText.h"

class CHyperLink : public CControl {
public:
    // Underline modes.
    enum { kUnderlineHover = -1, kUnderlineNever = 0, kUnderlineAlways = 1 };

    CHyperLink();
    ~CHyperLink() override;

    // The address opened on click. Once attached, the control is fitted to
    // its text again and the tooltip shows the new address.
    void SetURL(const std::wstring& url);
    const std::wstring& GetURL() const { return m_sURL; }

    void SetLinkColor(COLORREF color) { m_crLinkColor = color; }
    void SetVisitedColor(COLORREF color) { m_crVisitedColor = color; }
    void SetHoverColor(COLORREF color) { m_crHoverColor = color; }
    COLORREF GetLinkColor() const { return m_crLinkColor; }
    COLORREF GetVisitedColor() const { return m_crVisitedColor; }
    COLORREF GetHoverColor() const { return m_crHoverColor; }

    // -1 underline while hovering, 1 always, any other value never.
    void SetUnderline(int mode);
    int GetUnderline() const { return m_nUnderline; }
    // Whether the control is resized to its text (set before attaching).
    void SetAutoSize(bool adjust) { m_bAdjustToFit = adjust; }

    bool IsVisited() const { return m_bVisited; }
    bool IsOver() const { return m_bOverControl; }
    // The text colour chosen when the control was last painted (CLR_INVALID
    // before the first paint).
    COLORREF GetTextColorInUse() const { return m_crInUse; }
    HCURSOR GetLinkCursor() const { return m_hLinkCursor; }
    HWND GetToolTip() const { return m_hToolTip; }

    // The text shown above the address when the address is left to the
    // user to open (in the user-interface language); without one, an
    // English text.
    void SetAddressPrompt(const std::wstring& prompt) { m_sAddressPrompt = prompt; }

    // Opens `url` in this process: through the shell and, failing that,
    // through the ".htm" association's command. Returns the shell's (or
    // WinExec's) result: above 32 is success. Only for a process that runs
    // with the user's own token; the click decides (ChooseLinkOpening).
    static INT_PTR GotoURL(const std::wstring& url, int showCommand);

    // Asks the desktop's shell, the signed-in user's explorer, to open `url`
    // (Windows Vista and later). True when the shell took it.
    static bool OpenByDesktopShell(const std::wstring& url, int showCommand);

    // Whether this process runs as the user of the process that made
    // `window` (the desktop's shell window): the users of the two processes'
    // tokens are the same. False for no window, and where either cannot be
    // read (the shell of another session, or one this account may not look
    // into).
    static bool RunsAsUserOf(HWND window);

    // This process's Windows version, whether the desktop has a shell
    // window, and on Vista and later its token's elevation, before Vista
    // whether it runs as the desktop shell's user.
    static LinkOpeningFacts SystemOpeningFacts();

protected:
    void OnAttach() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedCtlColor(HDC dc, HBRUSH& brush) override;
    bool OnReflectedCommand(WORD notifyCode) override;
    bool PreTranslateMessage(MSG* msg) override;
    // The facts a click decides by: the system's own (SystemOpeningFacts).
    virtual LinkOpeningFacts OpeningFacts() const;

private:
    static const UINT_PTR kTimerId = 100;
    static const UINT kHoverInterval = 100;  // ms

    void PositionWindow();
    void SetDefaultCursor();
    void ApplyFont(HFONT font);
    void OnClicked();
    void OnHoverTimer();
    void ReportError(INT_PTR result);
    void ShowAddress();
    void ReleaseResources();

    COLORREF m_crLinkColor;
    COLORREF m_crVisitedColor;
    COLORREF m_crHoverColor;
    bool m_bOverControl;
    bool m_bVisited;
    int m_nUnderline;
    bool m_bAdjustToFit;
    std::wstring m_sURL;
    std::wstring m_sAddressPrompt;
    UniqueFont m_hUnderlineFont;
    UniqueFont m_hStdFont;
    HFONT m_hOriginalFont;  // the control's own font, given back on release
    HCURSOR m_hLinkCursor;
    HWND m_hToolTip;
    bool m_bTimerRunning;
    COLORREF m_crInUse;
};

#endif
