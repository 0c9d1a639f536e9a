// The bench's simulated network printer (sim/netprinter/qvnetprinter.exe)
// for a Windows test: started on loopback ports chosen free, its ports read
// from its "ready" file, what it received and logged read from its scratch
// folder, and stopped through its stop file.
#ifndef QV_TESTS_COMMON_NETPRINTER_H
#define QV_TESTS_COMMON_NETPRINTER_H

#include <windows.h>

#include <string>
#include <vector>

namespace wm {

class NetPrinter {
public:
    // Starts %QV_BUILD_DIR%\sim\qvnetprinter.exe with `options` (its SNMP,
    // fault and TCP switches, see sim/README.md; the files are this owner's)
    // and waits up to 10 s for its ports. Started() tells whether it got
    // that far.
    explicit NetPrinter(const std::wstring& options = std::wstring());
    // Stops it, if still running, and removes its scratch folder.
    ~NetPrinter();
    NetPrinter(const NetPrinter&) = delete;
    NetPrinter& operator=(const NetPrinter&) = delete;

    bool Started() const { return m_tcpPort != 0; }
    unsigned short TcpPort() const { return m_tcpPort; }
    // 0 when it was started without SNMP.
    unsigned short UdpPort() const { return m_udpPort; }

    // Every byte received over TCP so far, the connections one after the
    // other in the order they came.
    std::string Received() const;
    // Its log, one line per event ("tcp accepted 1", "tcp closed 1 bytes=0",
    // "snmp request id=... oids=...", "snmp reply ...").
    std::vector<std::string> Log() const;
    // The log lines that start with `prefix`.
    std::vector<std::string> LogLines(const std::string& prefix) const;
    // Waits up to `timeoutMs` for a log line that starts with `prefix`, or
    // for `count` of them. The printer logs an event after it has acted
    // (sent its reply), so a probe may have its answer before the log does.
    bool WaitForLog(const std::string& prefix, DWORD timeoutMs) const;
    bool WaitForLogLines(const std::string& prefix, std::size_t count, DWORD timeoutMs) const;

    // Makes it stop and waits for it (at most 10 s); true when it ended by
    // itself with exit code 0. The files stay readable until destruction.
    bool Stop();

private:
    std::wstring m_folder;
    HANDLE m_process = nullptr;
    unsigned short m_tcpPort = 0, m_udpPort = 0;
};

}  // namespace wm

#endif
