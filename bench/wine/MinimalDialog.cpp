// The smallest dialog program that shows what the installer's first page
// shows, built with the same settings as the installer: one modal dialog
// with the same kinds of controls (a progress bar of the common-controls
// library among them) and a heading font made at start. The start-up
// benchmark starts it next to the installer, to tell the program's own
// start-up cost from Wine's.
#include <windows.h>
#include <commctrl.h>

namespace {

HFONT g_heading = nullptr;

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        g_heading = CreateFontW(MulDiv(15, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                                FF_SWISS, L"Arial");
        SendDlgItemMessageW(window, 111, WM_SETFONT, reinterpret_cast<WPARAM>(g_heading), TRUE);
        SendDlgItemMessageW(window, 114, PBM_SETPOS, 30, 0);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, DialogProc, 0);
    if (g_heading)
        DeleteObject(g_heading);
    return static_cast<int>(result);
}
