// Owners for Windows Sockets: the use of Winsock itself (WSAStartup and
// WSACleanup) and a socket.
//
// Include this before any other header that includes <windows.h>: that one
// brings in the old <winsock.h>, which cannot stand beside <winsock2.h>.
// Users link ws2_32 (the installer delay-loads it from the system folder,
// see install/CMakeLists.txt).
#ifndef QV_SUPPORT_WINSOCK_H
#define QV_SUPPORT_WINSOCK_H

// Calls go to the Winsock functions by name, not through their import slots
// (winsock2.h declares them dllimport). Where ws2_32.dll is delay-loaded, the
// 32-bit linker keeps a function's loading stub only when something calls the
// function by name; without the stub its slot stays empty and the first call
// jumps to address 0 (the import check looks for such slots). The build
// defines it for every file of ours (cmake/Qv.cmake), also for the tests,
// whose GoogleTest header includes winsock2.h before anything else.
#ifndef WINSOCK_API_LINKAGE
#define WINSOCK_API_LINKAGE
#endif
#include <winsock2.h>

#include "support/Handle.h"

namespace handle_traits {
struct Socket {
    using Type = SOCKET;
    static Type Invalid() { return INVALID_SOCKET; }
    static auto Close(Type s) { return closesocket(s); }
};
}  // namespace handle_traits

using UniqueSocket = UniqueHandle<handle_traits::Socket>;

// Winsock 2.2 for as long as the owner lives. Windows counts the starts of
// a process, so owners may nest and live on several threads; each one that
// started ends its own.
class WinsockSession {
public:
    WinsockSession()
    {
        WSADATA data = {};
        m_error = WSAStartup(MAKEWORD(2, 2), &data);
        if (m_error == 0 && data.wVersion != MAKEWORD(2, 2)) {
            // Only a Winsock older than Windows 2000's would say so.
            WSACleanup();
            m_error = WSAVERNOTSUPPORTED;
        }
    }
    ~WinsockSession()
    {
        if (m_error == 0)
            WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

    bool IsValid() const { return m_error == 0; }
    // WSAStartup's error, 0 when Winsock is usable.
    int Error() const { return m_error; }

private:
    int m_error = 0;
};

#endif
