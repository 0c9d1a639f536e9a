#include "wizard/AppMessage.h"

#include "support/Window.h"

const wchar_t* AppTitle()
{
    return L"QuorvexSetup";
}

int AppMessageBox(HWND owner, const std::wstring& text, UINT type)
{
    // Message boxes belong to the top-level wizard, not to a child page.
    HWND top = owner ? CWnd::TopLevelOf(owner) : nullptr;
    return MessageBoxW(top, text.c_str(), AppTitle(), type);
}
