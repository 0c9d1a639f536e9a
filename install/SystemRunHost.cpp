#include "install/SystemRunHost.h"

#include <windows.h>

#include "support/MessageLoop.h"

namespace {

const UINT kBroadcastTimeoutMs = 1000;

}  // namespace

bool SystemRunHost::PumpMessages()
{
    return message_loop::DispatchPending();
}

void SystemRunHost::Sleep(unsigned milliseconds)
{
    ::Sleep(milliseconds);
}

std::uint32_t SystemRunHost::TickCount()
{
    return GetTickCount();
}

void SystemRunHost::BroadcastSettingChange()
{
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, kBroadcastTimeoutMs, nullptr);
}
