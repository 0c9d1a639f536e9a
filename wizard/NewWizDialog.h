// The wizard frame: a dialog that hosts an ordered list of child pages and
// moves between them with Back, Next, Finish and Cancel.
#ifndef QV_WIZARD_NEWWIZDIALOG_H
#define QV_WIZARD_NEWWIZDIALOG_H

#include <windows.h>

#include <memory>
#include <vector>

#include "support/Handle.h"
#include "support/Window.h"
#include "wizard/WizardLook.h"

class CNewWizDialog;

// One page of the wizard. Pages are created when first shown and only hidden
// when left, so they keep their state while the user goes back and forth.
class CNewWizPage : public CDialog {
public:
    explicit CNewWizPage(UINT templateId);
    ~CNewWizPage() override;

    // Called by the frame (see CNewWizDialog for when).
    virtual BOOL OnCreatePage() { return TRUE; }
    virtual void OnDestroyPage() {}
    virtual BOOL OnKillActive() { return TRUE; }
    virtual void OnSetActive() {}
    virtual void OnAfterNext() {}
    virtual BOOL OnQueryCancel() { return TRUE; }
    // 0 = previous page, -1 = stay, other = template id of the page to show.
    virtual LONG OnWizardBack() { return 0; }
    virtual BOOL IsNextLocked() { return FALSE; }
    // 0 = next page, -1 = stay, other = template id of the page to show.
    virtual LONG OnWizardNext() { return 0; }
    virtual BOOL OnWizardFinish() { return TRUE; }

    UINT GetPageId() const { return m_pageId; }
    bool IsPageCreated() const { return m_isCreated; }
    bool IsPageActive() const { return m_isActive; }

protected:
    // The page initialisation: the white page brush. Pages that want the
    // plain dialog look call CDialog::OnInitDialog instead.
    BOOL OnInitDialog() override;
    // Escape inside a page never closes the page by itself.
    void OnCancel() override {}
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind, bool& handled) override;
    void OnDestroy() override;

    CNewWizDialog* GetWizard() const { return m_wizard; }
    // The bold heading font of the pages, the wizard's (made at the
    // display's scale).
    HFONT HeadingFont();
    // Fills the picture control `controlId` (its template rectangle, cut off
    // at the page's edge, is the frame) with picture `pictureId` at the
    // display's scale.
    void ShowPicture(int controlId, UINT pictureId, PictureAnchor anchor);
    // Makes text control `id` tall enough for its text wrapped at its width,
    // but never down over control `limitId`.
    void GrowToText(int id, int limitId);

private:
    friend class CNewWizDialog;
    UINT m_pageId;
    bool m_isCreated = false;
    bool m_isActive = false;
    CNewWizDialog* m_wizard = nullptr;
    UniqueBrush m_whiteBrush;
};

class CNewWizDialog : public CDialog {
public:
    explicit CNewWizDialog(UINT templateId);

    // Appends a page; the wizard refers to it but does not own it.
    void AddPage(CNewWizPage& page, UINT templateId);
    BOOL ActivatePage(CNewWizPage* page);

    void EnableBack(bool enable) const;
    void EnableNext(bool enable) const;
    void EnableFinish(bool enable) const;
    void EnableCancel(bool enable) const;

    CNewWizPage* GetActivePage() const;

    // The fonts and pictures of the wizard at the display's scale.
    CWizardLook& Look();

    bool PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
    // Enter (where the focused control does not take it itself) presses the
    // default button: Next while it is enabled, otherwise Finish.
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    void SetPlaceholderId(int id) { m_placeholderId = id; }

private:
    void OnNext();
    void OnBack();
    void OnFinish();
    bool DeactivateCurrent();
    CNewWizPage* FindPage(LONG templateId) const;
    size_t IndexOf(const CNewWizPage* page) const;
    // Makes Next or Finish (whichever is enabled, Next first) the default
    // button, and moves the focus off a control that can no longer take it.
    void UpdateKeyboard() const;

    std::vector<CNewWizPage*> m_pages;
    std::unique_ptr<CWizardLook> m_look;
    int m_placeholderId = 0;
    // A move between pages is under way (the setup page's whole
    // installation runs inside it): Next, Back, Finish, Cancel, Escape and
    // the close box wait for its end, and are ignored until then.
    bool m_moving = false;
    bool m_shown = false;
    // Where the focus is to go when the wizard is next activated: it moved
    // off a control while another window was active.
    mutable HWND m_pendingFocus = nullptr;
    // A control the focus was put on for want of an enabled Next or Finish:
    // it goes on to that button as soon as there is one.
    mutable HWND m_stopgapFocus = nullptr;
};

#endif
