// The installation run's system services on the real machine, for the
// wizard and the unattended run alike.
#ifndef QV_INSTALL_SYSTEMRUNHOST_H
#define QV_INSTALL_SYSTEMRUNHOST_H

#include "install/InstallSequence.h"

class SystemRunHost : public IRunHost {
public:
    // Through the program's one message loop: the wizard's window is kept
    // painted, and a quit is noticed. A run without a window has nothing
    // waiting but a quit, which it must notice all the same.
    bool PumpMessages() override;
    void Sleep(unsigned milliseconds) override;
    std::uint32_t TickCount() override;
    // WM_SETTINGCHANGE to every top-level window, each given at most a
    // second: a hung program does not hold up the run.
    void BroadcastSettingChange() override;
};

#endif
