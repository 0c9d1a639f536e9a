// The installer's resources as the program sees them: every string in the
// language the loader picks, the dialog templates with their controls, the
// pictures, the icon and the manifest. Run once per UI language; the column
// to expect comes from --lang=en|cn|tw.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "context/Version.h"
#include "support/ResString.h"
#include "wizard/res/resource.h"

namespace {

struct ExpectedString {
    UINT id;
    const wchar_t* english;
    const wchar_t* simplified;
    const wchar_t* traditional;
};

const ExpectedString kStrings[] = {
#include "ExpectedStrings.inc"
};

int g_column = 0;  // 0 English, 1 Simplified, 2 Traditional

const wchar_t* Expected(const ExpectedString& s)
{
    return g_column == 0 ? s.english : g_column == 1 ? s.simplified : s.traditional;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

INT_PTR CALLBACK NoOpProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Pages are child windows: they need a parent to be created.
HWND CreateTemplate(UINT id)
{
    static HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), host, NoOpProc, 0);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {0};
    GetClassNameW(window, name, 64);
    return name;
}

}  // namespace

TEST(StringTable, EveryTextLoadsExactlyInTheUserInterfaceLanguage)
{
    EXPECT_EQ(83u, sizeof(kStrings) / sizeof(kStrings[0]));
    for (const ExpectedString& s : kStrings) {
        std::wstring text = L"unchanged";
        EXPECT_TRUE(LoadResString(s.id, text)) << "string " << s.id;
        EXPECT_EQ(Narrow(Expected(s)), Narrow(text)) << "string " << s.id;
    }
}

TEST(StringTable, MissingIdsFailAndLeaveTheTargetUnchanged)
{
    for (UINT id : {510u, 511u, 514u, 463u, 517u, 1u}) {
        std::wstring text = L"kept";
        EXPECT_FALSE(LoadResString(id, text)) << id;
        EXPECT_EQ(L"kept", text) << id;
    }
    EXPECT_EQ(L"", ResString(514));
}

TEST(StringTable, FormatStringsTakeTheirArgument)
{
    EXPECT_NE(std::wstring::npos, FormatText(ResString(IDS_COPY_SUFFIX), 3).find(L" 3)"));
    std::wstring caption = FormatText(ResString(IDS_SETUP_UTILITY_CAPTION), std::wstring(L"Quorvex QX1000"));
    EXPECT_EQ(0u, caption.find(L"Quorvex QX1000"));
    EXPECT_EQ(std::wstring::npos, caption.find(L"%s"));
}

TEST(DialogTemplates, EachTemplateHoldsItsControls)
{
    struct Template {
        UINT id;
        std::vector<int> controls;
    } templates[] = {
        {IDD_WIZARD, {IDC_BACK, IDC_NEXT, IDCANCEL, IDC_FINISH, IDC_PAGE_AREA, IDC_HOTLINE}},
        {IDD_WELCOME, {IDC_WELCOME_TITLE, IDC_WELCOME_TEXT, IDC_WELCOME_LINK}},
        {IDD_MODEL, {IDC_MODEL_LIST, IDC_MODEL_SELECTED, IDC_MODEL_LABEL}},
        {IDD_CONNECTION, {IDC_CONNECT_STEP1, IDC_CONNECT_STEP2, IDC_CONNECT_STEP3, IDC_RADIO_LPT, IDC_RADIO_USB}},
        {IDD_SETUP, {IDC_SETUP_STATUS, IDC_SETUP_PROGRESS, IDC_SETUP_NAME, IDC_SETUP_PORT, IDC_SETUP_MODEL,
                     IDC_SETUP_HEADING, IDC_TEST_PAGE, IDC_PRINTER_SETTINGS}},
        {IDD_TEST_PAGE, {IDOK, IDCANCEL, IDC_TEST_PAGE_TEXT}},
    };
    for (const Template& t : templates) {
        HWND dialog = CreateTemplate(t.id);
        ASSERT_NE(nullptr, dialog) << "template " << t.id;
        for (int id : t.controls)
            EXPECT_NE(nullptr, GetDlgItem(dialog, id)) << "template " << t.id << " control " << id;
        DestroyWindow(dialog);
    }
}

TEST(DialogTemplates, ControlKindsAndHiddenControls)
{
    HWND setup = CreateTemplate(IDD_SETUP);
    ASSERT_NE(nullptr, setup);
    EXPECT_EQ(L"msctls_progress32", ClassOf(GetDlgItem(setup, IDC_SETUP_PROGRESS)));
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(setup, IDC_SETUP_MODEL), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(setup, IDC_TEST_PAGE), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(setup, IDC_PRINTER_SETTINGS), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(setup, IDC_SETUP_NAME), GWL_STYLE) & WS_VISIBLE);
    DestroyWindow(setup);

    HWND model = CreateTemplate(IDD_MODEL);
    ASSERT_NE(nullptr, model);
    HWND list = GetDlgItem(model, IDC_MODEL_LIST);
    EXPECT_EQ(L"ListBox", ClassOf(list));
    LONG style = GetWindowLongW(list, GWL_STYLE);
    EXPECT_TRUE(style & LBS_NOTIFY);
    EXPECT_FALSE(style & LBS_SORT);
    DestroyWindow(model);

    HWND connection = CreateTemplate(IDD_CONNECTION);
    ASSERT_NE(nullptr, connection);
    for (int id : {IDC_RADIO_LPT, IDC_RADIO_USB}) {
        LONG s = GetWindowLongW(GetDlgItem(connection, id), GWL_STYLE);
        EXPECT_EQ(BS_AUTORADIOBUTTON, s & 0x0F) << id;
        EXPECT_TRUE(s & BS_MULTILINE) << id;
    }
    DestroyWindow(connection);

    HWND wizard = CreateTemplate(IDD_WIZARD);
    ASSERT_NE(nullptr, wizard);
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(wizard, IDC_PAGE_AREA), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(wizard, IDC_HOTLINE), GWL_STYLE) & WS_VISIBLE);
    wchar_t caption[64] = {0};
    GetWindowTextW(wizard, caption, 64);
    EXPECT_EQ(Narrow(L"奎沃打印机驱动程序"), Narrow(caption));
    DestroyWindow(wizard);
}

TEST(Pictures, SizesAndColourDepths)
{
    struct Picture {
        UINT id;
        int width, height, bits;
    } pictures[] = {
        {IDB_BANNER_WELCOME, 160, 310, 24},
        {IDB_BANNER_MODEL, 160, 310, 8},
        {IDB_BANNER_CONNECTION, 160, 310, 8},
        {IDB_USB_CABLE, 124, 120, 24},
        {IDB_PARALLEL_CABLE, 124, 120, 24},
        // Drawn again for 125, 150 and 200 % display scale, in 256 colours.
        {IDB_BANNER_WELCOME + IDB_OFFSET_125, 200, 388, 8},
        {IDB_BANNER_MODEL + IDB_OFFSET_150, 240, 465, 8},
        {IDB_BANNER_CONNECTION + IDB_OFFSET_200, 320, 620, 8},
        {IDB_USB_CABLE + IDB_OFFSET_125, 155, 150, 8},
        {IDB_USB_CABLE + IDB_OFFSET_200, 248, 240, 8},
        {IDB_PARALLEL_CABLE + IDB_OFFSET_150, 186, 180, 8},
    };
    // Every picture at every scale.
    for (UINT id : {IDB_BANNER_WELCOME, IDB_BANNER_MODEL, IDB_BANNER_CONNECTION, IDB_USB_CABLE, IDB_PARALLEL_CABLE})
        for (UINT offset : {0, IDB_OFFSET_125, IDB_OFFSET_150, IDB_OFFSET_200})
            EXPECT_NE(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(id + offset), MAKEINTRESOURCEW(2))) << id + offset;
    for (const Picture& p : pictures) {
        HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(p.id), MAKEINTRESOURCEW(2));
        ASSERT_NE(nullptr, info) << p.id;
        const BITMAPINFOHEADER* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, info)));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(p.width, header->biWidth) << p.id;
        EXPECT_EQ(p.height, header->biHeight < 0 ? -header->biHeight : header->biHeight) << p.id;
        EXPECT_EQ(p.bits, header->biBitCount) << p.id;
    }
}

TEST(Icon, GroupHoldsTheSizesOfEveryScale)
{
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(IDI_APP), MAKEINTRESOURCEW(14));
    ASSERT_NE(nullptr, info);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    ASSERT_NE(nullptr, dir);
    WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    ASSERT_EQ(7, count);
    // 16 and 32 pixels in 16 colours (as always); the small and large icons
    // of 125, 150 and 200 % in 256 colours, which Windows 2000 shows too.
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + i * 14;
        int width = entry[0] ? entry[0] : 256;
        WORD bits = *reinterpret_cast<const WORD*>(entry + 6);
        EXPECT_EQ(width == 16 || width == 32 ? 4 : 8, bits) << width << " pixels";
        EXPECT_EQ(width, entry[1] ? entry[1] : 256);
        sizes.insert(width);
    }
    EXPECT_EQ((std::set<int>{16, 20, 24, 32, 40, 48, 64}), sizes);
}

TEST(Manifest, DemandsAdministrativeRights)
{
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, info);
    const char* text = static_cast<const char*>(LockResource(LoadResource(nullptr, info)));
    std::string manifest(text, SizeofResource(nullptr, info));
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\""));
    // Aware of the system's scale: Windows does not stretch the wizard.
    EXPECT_NE(std::string::npos,
              manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"));

    // Every architecture it names is this program's own: Windows does not
    // start a program whose common-controls dependency names another one.
    const std::string own = sizeof(void*) == 8 ? "amd64" : "x86";
    const std::string key = "processorArchitecture=\"";
    int named = 0;
    for (size_t at = manifest.find(key); at != std::string::npos; at = manifest.find(key, at + 1)) {
        const size_t start = at + key.size();
        EXPECT_EQ(own, manifest.substr(start, manifest.find('"', start) - start));
        ++named;
    }
    EXPECT_EQ(2, named) << "the program's identity and the common-controls dependency";
    // Its identity carries the program's one version.
    EXPECT_NE(std::string::npos,
              manifest.find("name=\"Quorvex.PrinterDriverSetup\" version=\"" QV_VERSION_TEXT "\""));
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lang=cn") == 0) g_column = 1;
        if (std::strcmp(argv[i], "--lang=tw") == 0) g_column = 2;
    }
    return RUN_ALL_TESTS();
}
