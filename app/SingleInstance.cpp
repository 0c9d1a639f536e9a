#include "app/SingleInstance.h"

const wchar_t kInstallationMutexName[] = L"Global\\QuorvexSetup.Installation";

SingleInstance::~SingleInstance()
{
    if (m_held)
        ReleaseMutex(m_mutex.Get());
}

bool SingleInstance::Acquire()
{
    if (m_held)
        return true;
    // Not taken at creation: whoever created the object, the run that owns
    // it is the one that holds it. A run that was killed leaves it abandoned,
    // which is ours to take; the run after a killed one must go ahead.
    m_mutex.Reset(CreateMutexW(nullptr, FALSE, kInstallationMutexName));
    if (!m_mutex.IsValid())
        return false;  // access denied, or another kind of object of that name
    const DWORD wait = WaitForSingleObject(m_mutex.Get(), 0);
    m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!m_held)
        m_mutex.Reset();
    return m_held;
}
