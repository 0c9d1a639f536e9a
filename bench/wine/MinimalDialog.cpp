// The smallest dialog program this toolchain makes, built with the same
// settings as the installer: one modal dialog with a text and a button. The
// start-up benchmark starts it next to the installer, to tell the program's
// own start-up cost from Wine's.
#include <windows.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, DialogProc, 0));
}
