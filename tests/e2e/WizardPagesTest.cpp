// The first three pages of the wizard, driven from outside like a user
// would: texts, captions, the model list, the cable choices, navigation.
#include <gtest/gtest.h>

#include "tests/e2e/E2eSupport.h"
#include "wizard/res/resource.h"

using namespace e2e;

namespace {

class WizardPages : public testing::Test {
protected:
    void StartIn(const std::wstring& folder)
    {
        ASSERT_TRUE(app.Start(folder + L"\\QuorvexSetup.exe"));
        wizard = app.WaitForWizard();
        ASSERT_NE(nullptr, wizard) << "the wizard did not appear";
    }
    void TearDown() override
    {
        if (app.IsRunning()) {
            Press(wizard, IDCANCEL);
            if (!app.WaitForExit(5000))
                app.Kill();
        }
    }
    std::string Title() { return Utf8(TextOf(wizard)); }
    bool WaitForTitle(UINT id)
    {
        return WaitUntil([&] { return TextOf(wizard) == Text(id); }, 10000);
    }
    void Next() { Press(wizard, IDC_NEXT); }
    HWND Page() { return ActivePage(wizard); }
    void Back() { Press(wizard, IDC_BACK); }

    Program app;
    HWND wizard = nullptr;
};

}  // namespace

TEST_F(WizardPages, WalkThroughThePagesWithTheirTextsAndButtons)
{
    std::wstring folder = MakePackageFolder(L"walk");
    ASSERT_TRUE(CopySampleFiles(folder, {}));
    StartIn(folder);

    // Welcome page
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_WELCOME)) << Title();
    EXPECT_EQ(Utf8(Text(IDS_BACK)), Utf8(ControlText(wizard, IDC_BACK)));
    EXPECT_EQ(Utf8(Text(IDS_NEXT)), Utf8(ControlText(wizard, IDC_NEXT)));
    EXPECT_EQ(Utf8(Text(IDS_CANCEL)), Utf8(ControlText(wizard, IDCANCEL)));
    EXPECT_EQ(Utf8(Text(IDS_FINISH)), Utf8(ControlText(wizard, IDC_FINISH)));
    EXPECT_EQ(Utf8(Text(IDS_WELCOME_TITLE)), Utf8(ControlText(Page(), IDC_WELCOME_TITLE)));
    EXPECT_EQ(Utf8(Text(IDS_WELCOME_TEXT)), Utf8(ControlText(Page(), IDC_WELCOME_TEXT)));
    EXPECT_EQ(Utf8(Text(IDS_WELCOME_LINK)), Utf8(ControlText(Page(), IDC_WELCOME_LINK)));
    EXPECT_FALSE(IsEnabled(wizard, IDC_BACK));
    EXPECT_TRUE(IsEnabled(wizard, IDC_NEXT));
    EXPECT_FALSE(IsEnabled(wizard, IDC_FINISH));
    EXPECT_TRUE(IsEnabled(wizard, IDCANCEL));
    Shot("01-welcome");

    // Model page: three sample models, in descending name order.
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL)) << Title();
    EXPECT_EQ(Utf8(Text(IDS_MODEL_LABEL)), Utf8(ControlText(Page(), IDC_MODEL_LABEL)));
    ASSERT_EQ(3, ListCount(Page(), IDC_MODEL_LIST));
    EXPECT_EQ("Quorvex VKT300", Utf8(ListLine(Page(), IDC_MODEL_LIST, 0)));
    EXPECT_EQ("Quorvex QX2000", Utf8(ListLine(Page(), IDC_MODEL_LIST, 1)));
    EXPECT_EQ("Quorvex QX1000", Utf8(ListLine(Page(), IDC_MODEL_LIST, 2)));
    EXPECT_EQ(LB_ERR, ListSelection(Page(), IDC_MODEL_LIST));
    EXPECT_TRUE(IsEnabled(wizard, IDC_BACK));
    ASSERT_TRUE(SelectListLine(Page(), IDC_MODEL_LIST, 2));
    EXPECT_TRUE(WaitUntil([&] { return ControlText(Page(), IDC_MODEL_SELECTED) == L"Quorvex QX1000"; }, 5000));
    Shot("02-model");
    // The model's name (the samples' names are equally long) never runs
    // under the label: on the label's line, the columns just before the name
    // are blank; otherwise the name starts below the label's line.
    {
        RECT label = {}, name = {};
        GetWindowRect(FindControl(Page(), IDC_MODEL_LABEL), &label);
        GetWindowRect(FindControl(Page(), IDC_MODEL_SELECTED), &name);
        if (name.top < label.top + 8) {
            HDC screen = GetDC(nullptr);
            int inked = 0;
            for (int x = name.left - 3; x < name.left; ++x)
                for (int y = label.top; y < label.top + 12; ++y) {
                    const COLORREF c = GetPixel(screen, x, y);
                    if (c != CLR_INVALID && GetRValue(c) < 0x80 && GetGValue(c) < 0x80 && GetBValue(c) < 0x80)
                        ++inked;
                }
            ReleaseDC(nullptr, screen);
            EXPECT_EQ(0, inked) << "the label's text runs into the model's name";
        }
    }

    // Connection page: the model supports both cables; USB is the default.
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT)) << Title();
    EXPECT_EQ(Utf8(Text(IDS_CONNECT_STEP1)), Utf8(ControlText(Page(), IDC_CONNECT_STEP1)));
    EXPECT_EQ(Utf8(Text(IDS_CONNECT_STEP2)), Utf8(ControlText(Page(), IDC_CONNECT_STEP2)));
    EXPECT_EQ(Utf8(Text(IDS_CONNECT_STEP3)), Utf8(ControlText(Page(), IDC_CONNECT_STEP3)));
    EXPECT_EQ(Utf8(Text(IDS_USE_USB)), Utf8(ControlText(Page(), IDC_RADIO_USB)));
    EXPECT_EQ(Utf8(Text(IDS_USE_LPT)), Utf8(ControlText(Page(), IDC_RADIO_LPT)));
    EXPECT_TRUE(IsEnabled(Page(), IDC_RADIO_USB));
    EXPECT_TRUE(IsEnabled(Page(), IDC_RADIO_LPT));
    EXPECT_TRUE(IsChecked(Page(), IDC_RADIO_USB));
    EXPECT_FALSE(IsChecked(Page(), IDC_RADIO_LPT));
    Shot("03-connection");

    // Back to the welcome page: Back and Finish off again.
    Back();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    Back();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_WELCOME));
    EXPECT_FALSE(IsEnabled(wizard, IDC_BACK));
    EXPECT_FALSE(IsEnabled(wizard, IDC_FINISH));

    // Cancel ends the program.
    Press(wizard, IDCANCEL);
    DWORD exitCode = 1;
    EXPECT_TRUE(app.WaitForExit(10000, &exitCode));
}

TEST_F(WizardPages, ASingleModelIsSelectedAtOnce)
{
    std::wstring folder = MakePackageFolder(L"single");
    ASSERT_TRUE(CopySampleFiles(folder, {L"QX2000.INF"}));
    StartIn(folder);
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    EXPECT_EQ(1, ListCount(Page(), IDC_MODEL_LIST));
    EXPECT_EQ(0, ListSelection(Page(), IDC_MODEL_LIST));
    EXPECT_EQ("Quorvex QX2000", Utf8(ControlText(Page(), IDC_MODEL_SELECTED)));
    Next();  // no click needed
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT));
    // QX2000 is a USB-only model.
    EXPECT_FALSE(IsEnabled(Page(), IDC_RADIO_LPT));
    EXPECT_TRUE(IsChecked(Page(), IDC_RADIO_USB));
}

TEST_F(WizardPages, WithoutASelectionNextExplainsAndStays)
{
    std::wstring folder = MakePackageFolder(L"order");
    // a1.inf and B2.INF: upper-cased names sort B2 before A1. A third file
    // with a wrong SecurityID is left out.
    ASSERT_TRUE(WriteModelInf(folder, L"a1.inf", L"Quorvex", L"1A1A", L"2A2A"));
    ASSERT_TRUE(WriteModelInf(folder, L"B2.INF", L"Quorvex", L"", L"3B3B"));
    ASSERT_TRUE(WriteModelInf(folder, L"C3.INF", L"Quorvex", L"4C4C", L""));
    {
        // Break C3's SecurityID: same length, other digits.
        HANDLE f = CreateFileW((folder + L"\\C3.INF").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, f);
        char buffer[4096] = {0};
        DWORD n = 0;
        ReadFile(f, buffer, sizeof(buffer) - 1, &n, nullptr);
        std::string text(buffer, n);
        size_t at = text.find("SecurityID=") + 11;
        text[at] = text[at] == '0' ? '1' : '0';
        SetFilePointer(f, 0, nullptr, FILE_BEGIN);
        WriteFile(f, text.data(), n, &n, nullptr);
        CloseHandle(f);
    }
    StartIn(folder);
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    ASSERT_EQ(2, ListCount(Page(), IDC_MODEL_LIST));
    EXPECT_EQ("Quorvex B2", Utf8(ListLine(Page(), IDC_MODEL_LIST, 0)));
    EXPECT_EQ("Quorvex A1", Utf8(ListLine(Page(), IDC_MODEL_LIST, 1)));
    EXPECT_EQ(LB_ERR, ListSelection(Page(), IDC_MODEL_LIST));
    EXPECT_TRUE(IsEnabled(wizard, IDC_NEXT));

    Next();
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(Utf8(Text(IDS_SELECT_MODEL_FIRST)), Utf8(MessageBoxText(box)));
    Shot("04-no-model-selected");
    AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_EQ(Utf8(Text(IDS_CAPTION_MODEL)), Title());

    // Choose B2 (parallel only), go on, come back and choose A1: the
    // connection page now follows A1 entirely.
    SelectListLine(Page(), IDC_MODEL_LIST, 0);
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT));
    EXPECT_FALSE(IsEnabled(Page(), IDC_RADIO_USB));
    EXPECT_TRUE(IsChecked(Page(), IDC_RADIO_LPT));
    Back();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    EXPECT_EQ(0, ListSelection(Page(), IDC_MODEL_LIST));  // the page kept its selection
    SelectListLine(Page(), IDC_MODEL_LIST, 1);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(Page(), IDC_MODEL_SELECTED) == L"Quorvex A1"; }, 5000));
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT));
    EXPECT_TRUE(IsEnabled(Page(), IDC_RADIO_USB));
    EXPECT_TRUE(IsEnabled(Page(), IDC_RADIO_LPT));
}

TEST_F(WizardPages, CableChoicesFollowTheModelAndSurviveBack)
{
    std::wstring folder = MakePackageFolder(L"cables");
    ASSERT_TRUE(WriteModelInf(folder, L"D4.INF", L"Quorvex", L"1D1D", L"2D2D"));  // both
    ASSERT_TRUE(WriteModelInf(folder, L"E5.INF", L"Quorvex", L"ffff", L"ffff"));  // neither (lower case)
    ASSERT_TRUE(WriteModelInf(folder, L"F6.INF", L"Quorvex", L"", L"6F6F"));      // parallel only
    StartIn(folder);
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    ASSERT_EQ(3, ListCount(Page(), IDC_MODEL_LIST));  // F6, E5, D4

    // Both cables: pick parallel, go back and come again: still parallel.
    SelectListLine(Page(), IDC_MODEL_LIST, 2);
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT));
    EXPECT_TRUE(IsChecked(Page(), IDC_RADIO_USB));
    Press(Page(), IDC_RADIO_LPT);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(Page(), IDC_RADIO_LPT); }, 5000));
    Back();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT));
    EXPECT_TRUE(IsChecked(Page(), IDC_RADIO_LPT));
    EXPECT_FALSE(IsChecked(Page(), IDC_RADIO_USB));

    // Neither cable ("ffff" in lower case): both off, parallel checked.
    Back();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    SelectListLine(Page(), IDC_MODEL_LIST, 1);
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT));
    EXPECT_FALSE(IsEnabled(Page(), IDC_RADIO_USB));
    EXPECT_FALSE(IsEnabled(Page(), IDC_RADIO_LPT));
    EXPECT_TRUE(IsChecked(Page(), IDC_RADIO_LPT));
    EXPECT_FALSE(IsChecked(Page(), IDC_RADIO_USB));
    Shot("05-no-cable-supported");

    // Parallel only.
    Back();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_MODEL));
    SelectListLine(Page(), IDC_MODEL_LIST, 0);
    Next();
    ASSERT_TRUE(WaitForTitle(IDS_CAPTION_CONNECT));
    EXPECT_FALSE(IsEnabled(Page(), IDC_RADIO_USB));
    EXPECT_TRUE(IsEnabled(Page(), IDC_RADIO_LPT));
    EXPECT_TRUE(IsChecked(Page(), IDC_RADIO_LPT));
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    ParseLangArgument(argc, argv);
    return RUN_ALL_TESTS();
}
