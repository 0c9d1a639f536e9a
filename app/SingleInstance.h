// One run of the installer at a time, machine-wide: two copies started
// together (a double click, a deployment tool while someone is at the
// machine) must never both change the machine. Every mode that changes it
// holds the run's mutex from before its first change to its end; a mode
// that finds it held ends at once with kAlreadyRunningExitCode (1618).
#ifndef QV_APP_SINGLEINSTANCE_H
#define QV_APP_SINGLEINSTANCE_H

#include "support/Handle.h"

// The mutex every run of the installer takes, in the global namespace so
// that a run in another session counts too (a deployment tool's service
// runs as the local system in session 0). Windows 2000 accepts the
// "Global\" prefix, and ignores it where Terminal Services do not run.
extern const wchar_t kInstallationMutexName[];

class SingleInstance {
public:
    SingleInstance() = default;
    // Lets go of the mutex when this run took it.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the mutex for this run; call it before the first change to the
    // machine and keep the object until the run ends. False when another
    // run holds it, and also when the object of that name cannot be opened
    // (access denied: someone else's object) or is not a mutex: a run never
    // goes ahead unguarded. True again when this object holds it already.
    bool Acquire();
    bool Held() const { return m_held; }

private:
    UniqueKernelHandle m_mutex;
    bool m_held = false;
};

#endif
