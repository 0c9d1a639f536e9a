// The bench's far ends of a printer's cable, as a Windows test uses them: a
// TCP listener on a loopback port chosen at run time (the network printer a
// Standard TCP/IP port sends to), the file where the bench's serial port
// delivers what is written to it (run-test.sh --serial), and a raw print
// job with a driver that needs no files of its own.
#ifndef QV_TESTS_COMMON_BENCHPORTS_H
#define QV_TESTS_COMMON_BENCHPORTS_H

#include <windows.h>

#include <cstdint>
#include <string>

namespace wm {

// Listens on 127.0.0.1 at a free port from its construction on, and takes
// the bytes of the connections that arrive, one after the other, on a
// thread of its own.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // 0 when no socket could be made.
    unsigned Port() const { return m_port; }
    // Everything received once `expected` bytes or more have come and the
    // sender closed its connection, or what there is after `timeoutMs`.
    std::string Received(std::size_t expected, DWORD timeoutMs);
    // Connections accepted so far.
    int Connections();

private:
    static DWORD WINAPI Run(void* self);

    std::uintptr_t m_socket;  // a SOCKET, which this header does not declare
    unsigned m_port = 0;
    HANDLE m_thread = nullptr;
    HANDLE m_stop = nullptr;
    CRITICAL_SECTION m_lock;
    std::string m_bytes;
    int m_connections = 0;
    int m_closed = 0;
};

// The serial port run-test.sh --serial made (QV_SERIAL_PORT, "COMn"); empty
// without one.
std::wstring BenchSerialPort();
// What arrived at its other end (QV_SERIAL_CAPTURE), waiting up to
// `timeoutMs` for at least `expected` bytes.
std::string BenchSerialBytes(std::size_t expected, DWORD timeoutMs);

// Registers a printer driver `name` for this program's environment from
// placeholder files: enough for the spooler to add a printer on it and to
// pass RAW jobs through, which no driver code touches.
bool RegisterRawDriver(const std::wstring& name);
void RemoveRawDriver(const std::wstring& name);

// One RAW job of `bytes` through StartDocPrinter/WritePrinter/EndDocPrinter;
// false with the spooler's error in `error`.
bool PrintRawJob(const std::wstring& printer, const std::string& bytes, DWORD& error);

}  // namespace wm

#endif
