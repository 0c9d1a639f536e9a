// Navigation rules of the wizard frame, driven through its buttons with
// pages that record what the frame asked of them.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "support/MessageLoop.h"
#include "wizard/NewWizDialog.h"

namespace {

const UINT kFrame = 900;
const UINT kMissingTemplate = 999;
const UINT WM_APP_CHECK = WM_APP + 1;

class TestPage : public CNewWizPage {
public:
    explicit TestPage(UINT id) : CNewWizPage(id) {}

    BOOL OnCreatePage() override { ++created; return createOk; }
    void OnDestroyPage() override { ++destroyed; }
    BOOL OnKillActive() override { ++killed; return killOk; }
    void OnSetActive() override
    {
        ++activated;
        if (onActivate)
            onActivate(this);
    }
    void OnAfterNext() override { ++afterNext; }
    BOOL OnQueryCancel() override { ++cancelAsked; return cancelOk; }
    LONG OnWizardBack() override { return backAnswer; }
    BOOL IsNextLocked() override { return nextLocked; }
    LONG OnWizardNext() override { return nextAnswer; }
    BOOL OnWizardFinish() override { ++finishAsked; return finishOk; }

    HWND Window() const { return GetHwnd(); }

    int created = 0, destroyed = 0, killed = 0, activated = 0, afterNext = 0, finishAsked = 0, cancelAsked = 0;
    BOOL createOk = TRUE, killOk = TRUE, cancelOk = TRUE, nextLocked = FALSE, finishOk = TRUE;
    LONG backAnswer = 0, nextAnswer = 0;
    void (*onActivate)(TestPage*) = nullptr;

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override
    {
        if (message == WM_APP_CHECK && onCheck) {
            handled = true;
            onCheck(this);
            return 0;
        }
        return CNewWizPage::OnMessage(message, wParam, lParam, handled);
    }

public:
    void (*onCheck)(TestPage*) = nullptr;
};

class TestWizard : public CNewWizDialog {
public:
    TestWizard() : CNewWizDialog(kFrame) {}

protected:
    BOOL OnInitDialog() override
    {
        SetPlaceholderId(1021);
        return CNewWizDialog::OnInitDialog();
    }
};

class WizardFrame : public testing::Test {
protected:
    void AddPages(std::initializer_list<UINT> ids)
    {
        for (UINT id : ids) {
            pages.emplace_back(new TestPage(id));
            wizard.AddPage(*pages.back(), id);
        }
    }
    void Open() { ASSERT_TRUE(wizard.CreateModeless()); }
    void Press(int id)
    {
        SendMessageW(wizard.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(wizard.GetHwnd(), id)));
    }
    static void PumpPending()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(wizard.GetHwnd(), id)) != FALSE; }
    TestPage* Page(size_t i) { return pages[i].get(); }
    TestPage* Active() { return static_cast<TestPage*>(wizard.GetActivePage()); }
    void ExpectButtons(bool back, bool next, bool finish)
    {
        EXPECT_EQ(back, Enabled(1022));
        EXPECT_EQ(next, Enabled(1023));
        EXPECT_EQ(finish, Enabled(1025));
        EXPECT_TRUE(Enabled(IDCANCEL));
    }

    TestWizard wizard;
    std::vector<std::unique_ptr<TestPage>> pages;
};

}  // namespace

TEST_F(WizardFrame, NextAndBackWalkThePagesWithTheirButtonStates)
{
    AddPages({901, 902, 903, 904});
    Open();
    EXPECT_EQ(Page(0), Active());
    ExpectButtons(false, true, false);
    EXPECT_TRUE(IsWindowVisible(Page(0)->Window()));
    EXPECT_EQ(0, Page(1)->created);  // pages are created when first shown

    Press(1023);
    EXPECT_EQ(Page(1), Active());
    ExpectButtons(true, true, false);
    EXPECT_FALSE(IsWindowVisible(Page(0)->Window()));
    EXPECT_EQ(1, Page(1)->afterNext);

    Press(1023);
    Press(1023);
    EXPECT_EQ(Page(3), Active());
    ExpectButtons(true, false, true);
    Press(1023);  // no page after the last
    EXPECT_EQ(Page(3), Active());

    Press(1022);
    EXPECT_EQ(Page(2), Active());
    ExpectButtons(true, true, true);  // Back leaves Finish alone until the first page
    EXPECT_EQ(1, Page(2)->afterNext);  // not called after Back
    Press(1022);
    Press(1022);
    EXPECT_EQ(Page(0), Active());
    ExpectButtons(false, true, false);
    Press(1022);  // no page before the first
    EXPECT_EQ(Page(0), Active());
    EXPECT_EQ(0, Page(0)->afterNext);
}

TEST_F(WizardFrame, PagesAreCreatedOnceAndKeepTheirState)
{
    AddPages({901, 902});
    Open();
    SetDlgItemTextW(Page(0)->Window(), 100, L"typed by the user");
    Press(1023);
    Press(1022);
    Press(1023);
    Press(1022);
    EXPECT_EQ(1, Page(0)->created);
    EXPECT_EQ(1, Page(1)->created);
    EXPECT_EQ(3, Page(0)->activated);
    wchar_t text[64] = {0};
    GetDlgItemTextW(Page(0)->Window(), 100, text, 64);
    EXPECT_STREQ(L"typed by the user", text);
}

TEST_F(WizardFrame, JumpTargetsGoForwardAndBackward)
{
    AddPages({901, 902, 903, 904});
    Open();
    Page(0)->nextAnswer = 904;  // jump to the last page
    Press(1023);
    EXPECT_EQ(Page(3), Active());
    ExpectButtons(true, false, true);

    Page(3)->backAnswer = 902;
    Press(1022);
    EXPECT_EQ(Page(1), Active());
    ExpectButtons(true, true, true);

    Page(1)->nextAnswer = 901;  // Next may also move backwards
    Press(1023);
    EXPECT_EQ(Page(0), Active());
    EXPECT_TRUE(Enabled(1022));  // Next enables Back even on the first page
    EXPECT_EQ(1, Page(0)->afterNext);

    Page(0)->nextAnswer = 12345;  // no such page: nothing happens
    Press(1023);
    EXPECT_EQ(Page(0), Active());
}

TEST_F(WizardFrame, PagesCanVetoLeavingAndMoving)
{
    AddPages({901, 902, 903});
    Open();
    Page(0)->nextAnswer = -1;
    Press(1023);
    EXPECT_EQ(Page(0), Active());

    Page(0)->nextAnswer = 0;
    Page(0)->nextLocked = TRUE;
    Press(1023);
    EXPECT_EQ(Page(0), Active());
    EXPECT_EQ(0, Page(1)->created);

    Page(0)->nextLocked = FALSE;
    Page(0)->killOk = FALSE;
    Press(1023);
    // The target was created, but the current page refused to be left.
    EXPECT_EQ(Page(0), Active());
    EXPECT_EQ(1, Page(1)->created);
    EXPECT_FALSE(Page(1)->IsPageActive());
    ExpectButtons(false, true, false);

    Page(0)->killOk = TRUE;
    Press(1023);
    EXPECT_EQ(Page(1), Active());
    Page(1)->backAnswer = -1;
    Press(1022);
    EXPECT_EQ(Page(1), Active());
}

TEST_F(WizardFrame, APageThatCannotBeCreatedIsNotShown)
{
    AddPages({901});
    pages.emplace_back(new TestPage(kMissingTemplate));
    wizard.AddPage(*pages.back(), kMissingTemplate);
    AddPages({903});
    Open();
    Press(1023);
    EXPECT_EQ(Page(0), Active());
    ExpectButtons(false, true, false);

    Page(2)->createOk = FALSE;
    Page(0)->nextAnswer = 903;
    Press(1023);
    EXPECT_EQ(Page(0), Active());
    EXPECT_EQ(1, Page(2)->created);
    Press(1023);  // created already: shown now without a second OnCreatePage
    EXPECT_EQ(Page(2), Active());
    EXPECT_EQ(1, Page(2)->created);
}

TEST_F(WizardFrame, CancelIsIgnoredWhileItsButtonIsDisabled)
{
    AddPages({901, 902});
    Open();
    wizard.EnableCancel(false);
    Press(IDCANCEL);
    // The close box: the dialog manager posts Cancel for it.
    SendMessageW(wizard.GetHwnd(), WM_CLOSE, 0, 0);
    PumpPending();
    EXPECT_TRUE(IsWindow(wizard.GetHwnd()));
    wizard.EnableCancel(true);
    SendMessageW(wizard.GetHwnd(), WM_CLOSE, 0, 0);
    PumpPending();
    EXPECT_EQ(nullptr, wizard.GetHwnd());
}

TEST_F(WizardFrame, ASinglePageWizardStartsWithFinish)
{
    AddPages({901});
    Open();
    ExpectButtons(false, false, true);
}

TEST_F(WizardFrame, FinishAsksEveryCreatedPageAndCancelCanBeVetoed)
{
    AddPages({901, 902, 903});
    Open();
    Press(1023);
    Page(1)->killOk = FALSE;
    Press(1025);
    EXPECT_TRUE(IsWindow(wizard.GetHwnd()));
    EXPECT_EQ(0, Page(0)->finishAsked);

    Page(1)->killOk = TRUE;
    Page(0)->finishOk = FALSE;
    Press(1025);
    EXPECT_TRUE(IsWindow(wizard.GetHwnd()));
    EXPECT_EQ(1, Page(0)->finishAsked);
    EXPECT_EQ(0, Page(1)->finishAsked);  // the first refusal stops the round
    EXPECT_EQ(0, Page(2)->finishAsked);  // never created: never asked

    Page(1)->cancelOk = FALSE;
    Press(IDCANCEL);
    EXPECT_TRUE(IsWindow(wizard.GetHwnd()));

    Page(1)->cancelOk = TRUE;
    Page(0)->finishOk = TRUE;
    Press(1025);
    EXPECT_EQ(1025, wizard.GetResult());
    EXPECT_EQ(nullptr, wizard.GetHwnd());
    EXPECT_EQ(1, Page(0)->destroyed);
    EXPECT_EQ(1, Page(1)->destroyed);
    EXPECT_FALSE(Page(0)->IsPageCreated());
}

namespace {

void PressEnterThenCheck(TestPage* page)
{
    if (page->activated != 1)
        return;
    HWND edit = GetDlgItem(page->Window(), 100);
    SetFocus(edit);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(page->Window(), WM_APP_CHECK, 0, 0);
}

void EscapeIfOnSecondPage(TestPage* page)
{
    // Enter in the first page's field pressed Next: the second page shows;
    // Escape there cancels the wizard.
    if (page->IsPageActive())
        PostMessageW(GetDlgItem(page->Window(), 100), WM_KEYDOWN, VK_ESCAPE, 0);
}

void FinishAtOnce(TestPage* page)
{
    PostMessageW(GetParent(page->Window()), WM_COMMAND, MAKEWPARAM(1025, BN_CLICKED), 0);
}

void CloseAtOnce(TestPage* page)
{
    PostMessageW(GetParent(page->Window()), WM_CLOSE, 0, 0);
}

}  // namespace

TEST_F(WizardFrame, ModalRunEndsWithFinishOrCancel)
{
    AddPages({901});
    Page(0)->onActivate = FinishAtOnce;
    EXPECT_EQ(1025, wizard.DoModal());

    TestWizard second;
    TestPage page(901);
    second.AddPage(page, 901);
    page.onActivate = CloseAtOnce;  // the close box is Cancel
    EXPECT_EQ(IDCANCEL, second.DoModal());
}

TEST_F(WizardFrame, EnterPressesTheDefaultButtonAndEscapeCancels)
{
    AddPages({901, 902, 903});
    Page(0)->onActivate = PressEnterThenCheck;
    Page(1)->onActivate = [](TestPage* page) { PostMessageW(page->Window(), WM_APP_CHECK, 0, 0); };
    Page(1)->onCheck = EscapeIfOnSecondPage;
    EXPECT_EQ(IDCANCEL, wizard.DoModal());
    EXPECT_EQ(1, Page(1)->activated);
    EXPECT_EQ(0, Page(2)->created);

    // On the last page Next is off and Enter presses Finish.
    TestWizard second;
    TestPage one(901), two(902);
    second.AddPage(one, 901);
    second.AddPage(two, 902);
    one.onActivate = [](TestPage* page) {
        if (page->activated == 1)
            PostMessageW(GetParent(page->Window()), WM_COMMAND, MAKEWPARAM(1023, BN_CLICKED), 0);
    };
    two.onActivate = [](TestPage* page) {
        HWND edit = GetDlgItem(page->Window(), 100);
        SetFocus(edit);
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    };
    EXPECT_EQ(1025, second.DoModal());
    EXPECT_EQ(1, two.finishAsked);
}

namespace {

bool g_pumpAfterCancels = false, g_pumpAfterQuit = true;

void NextAtOnce(TestPage* page)
{
    if (page->activated == 1)
        PostMessageW(GetParent(page->Window()), WM_COMMAND, MAKEWPARAM(1023, BN_CLICKED), 0);
}

// The page a long run happens on: it pumps, as the installation does,
// while Cancel, Escape and the close box are waiting, then meets a quit.
void RunWithPumping(TestPage* page)
{
    HWND wizard = GetParent(page->Window());
    PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageW(GetDlgItem(wizard, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    g_pumpAfterCancels = message_loop::DispatchPending();
    PostQuitMessage(7);
    g_pumpAfterQuit = message_loop::DispatchPending();
}

}  // namespace

TEST_F(WizardFrame, AMoveBetweenPagesHoldsOffCancelAndHandsTheQuitOn)
{
    AddPages({901, 902});
    Page(0)->onActivate = NextAtOnce;
    Page(1)->onActivate = RunWithPumping;
    wizard.DoModal();
    EXPECT_TRUE(g_pumpAfterCancels);
    EXPECT_EQ(0, Page(0)->cancelAsked + Page(1)->cancelAsked)
        << "Cancel, Escape or the close box got through during the move";
    EXPECT_FALSE(g_pumpAfterQuit);
    EXPECT_EQ(1, Page(1)->activated);
    // The wizard's own loop ended on the quit and left it for the program's.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}
