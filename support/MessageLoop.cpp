#include "support/MessageLoop.h"

#include "support/Window.h"

namespace message_loop {

void Dispatch(MSG& msg)
{
    CDialog* dialog = CDialog::ActiveModal();
    if (dialog && dialog->PreTranslateMessage(&msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool DispatchPending()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Dispatch(msg);
    }
    return true;
}

}  // namespace message_loop
