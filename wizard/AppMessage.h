// Message boxes of the application: the program's name as caption, owned by
// the wizard window.
#ifndef QV_WIZARD_APPMESSAGE_H
#define QV_WIZARD_APPMESSAGE_H

#include <windows.h>

#include <string>

// The caption of the application's message boxes.
const wchar_t* AppTitle();

int AppMessageBox(HWND owner, const std::wstring& text, UINT type);

#endif
