// GoogleTest's thread start-up gate, for the Windows build.
//
// The Windows programs are built with the compilers of the win32 thread
// model: their runtime needs nothing newer than Windows 2000. That standard
// library has no std::mutex or std::condition_variable, which GoogleTest
// uses for this one class only; everything else of its threading goes
// through Win32 already. The build force-includes this header into every
// user of GoogleTest and tells GoogleTest the class is provided.
#ifndef QV_TESTS_GTEST_WIN32_NOTIFICATION_H
#define QV_TESTS_GTEST_WIN32_NOTIFICATION_H

// Windows Sockets 2 first: <windows.h> alone brings in the old winsock.h,
// and a test of the network code, which this header comes before, could not
// include winsock2.h after it.
#include <winsock2.h>
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification()
    {
        if (m_event)
            CloseHandle(m_event);
    }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(m_event); }
    void WaitForNotification() { WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};

}  // namespace internal
}  // namespace testing

#endif
