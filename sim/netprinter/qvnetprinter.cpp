// A network printer for the bench: the raw TCP port that printers listen on
// (9100 on a real one) and, when asked for, an SNMP agent that answers the
// device-id requests, both on loopback ports chosen free at run time. Test
// equipment only; see sim/README.md.
//
//   qvnetprinter --ready FILE --capture FILE [--log FILE] [--stop FILE] [--time-limit SECONDS]
//                [--device-id TEXT] [--description TEXT] [--snmp-silent]
//                [--snmp-fault KIND [--and-answer]] [--community TEXT] [--tcp-backlog-full]
//
// Exit code 0 after a stop, 1 when it cannot set up, 2 on a usage error.
#include "support/Winsock.h"

#include <cstdio>
#include <string>
#include <vector>

#include "install/Snmp.h"

namespace {

struct Options {
    std::wstring ready, capture, log, stop;
    DWORD timeLimitMs = 60000;
    bool hasDeviceId = false, hasDescription = false;
    std::string deviceId, description;
    bool silent = false;
    std::wstring fault;
    bool andAnswer = false;
    std::string community = "public";
    bool backlogFull = false;

    bool Snmp() const { return hasDeviceId || hasDescription || silent || !fault.empty(); }
};

const wchar_t* const kFaults[] = {L"garbled", L"other-id", L"other-community", L"other-port",
                                  L"other-address", L"error-status", L"v2c"};

// A command-line text as bytes: "\xNN" is the byte NN and "\\" a backslash,
// so that tests can hand over control bytes; other characters are taken as
// their low byte (the texts are ASCII).
std::string Bytes(const std::wstring& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'\\') {
            bytes += '\\';
            ++i;
        } else if (text[i] == L'\\' && i + 3 < text.size() && text[i + 1] == L'x') {
            bytes += static_cast<char>(std::wcstoul(text.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            bytes += static_cast<char>(text[i] & 0xFF);
        }
    }
    return bytes;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Appends to a file that is opened for each write, so that a reader sees
// every complete write and the file stays readable and deletable.
bool Append(const std::wstring& path, const std::string& bytes)
{
    if (path.empty())
        return true;
    UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

class Printer {
public:
    explicit Printer(const Options& options) : m_options(options) {}

    int Run()
    {
        if (!m_winsock.IsValid() || !Listen() || (m_options.Snmp() && !OpenAgent()))
            return 1;
        const std::string ports = "tcp=" + std::to_string(m_tcpPort) + "\r\nudp=" + std::to_string(m_udpPort) + "\r\n";
        // Written under another name first: whoever sees the file sees it whole.
        const std::wstring temporary = m_options.ready + L".tmp";
        DeleteFileW(temporary.c_str());
        if (!Append(temporary, ports) || !MoveFileExW(temporary.c_str(), m_options.ready.c_str(), MOVEFILE_REPLACE_EXISTING))
            return 1;
        std::fputs(ports.c_str(), stdout);
        std::fflush(stdout);
        Log("ready tcp=" + std::to_string(m_tcpPort) + " udp=" + std::to_string(m_udpPort));

        const DWORD start = GetTickCount();
        for (;;) {
            if (!m_options.stop.empty() && GetFileAttributesW(m_options.stop.c_str()) != INVALID_FILE_ATTRIBUTES) {
                Log("stop: stop file");
                return 0;
            }
            if (GetTickCount() - start >= m_options.timeLimitMs) {
                Log("stop: time limit");
                return 0;
            }
            Wait();
        }
    }

private:
    void Log(const std::string& line) { Append(m_options.log, line + "\r\n"); }

    static sockaddr_in Loopback(unsigned char last, unsigned short port)
    {
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(0x7F000000u | last);
        a.sin_port = htons(port);
        return a;
    }

    static unsigned short PortOf(SOCKET s)
    {
        sockaddr_in a = {};
        int size = sizeof(a);
        return getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0 ? ntohs(a.sin_port) : 0;
    }

    static UniqueSocket BoundUdp(unsigned char last)
    {
        UniqueSocket s(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
        const sockaddr_in a = Loopback(last, 0);
        if (s && bind(s.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof(a)) != 0)
            s.Reset();
        return s;
    }

    bool Listen()
    {
        m_listener.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        const sockaddr_in a = Loopback(1, 0);
        if (!m_listener || bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof(a)) != 0 ||
            listen(m_listener.Get(), m_options.backlogFull ? 0 : 5) != 0)
            return false;
        m_tcpPort = PortOf(m_listener.Get());
        if (m_options.backlogFull) {
            // One connection nobody accepts fills a queue of length 0: the
            // system then drops further connection requests unanswered, as a
            // printer that is switched off or behind a firewall does.
            m_filler.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
            const sockaddr_in to = Loopback(1, m_tcpPort);
            if (!m_filler || connect(m_filler.Get(), reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != 0)
                return false;
        }
        return m_tcpPort != 0;
    }

    bool OpenAgent()
    {
        m_agent = BoundUdp(1);
        m_udpPort = m_agent ? PortOf(m_agent.Get()) : 0;
        return m_udpPort != 0;
    }

    void Wait()
    {
        fd_set readable;
        FD_ZERO(&readable);
        if (m_connection)
            FD_SET(m_connection.Get(), &readable);
        else if (!m_options.backlogFull)
            FD_SET(m_listener.Get(), &readable);
        if (m_agent)
            FD_SET(m_agent.Get(), &readable);
        timeval timeout = {0, 100000};  // the stop file is looked for 10 times a second
        if (readable.fd_count == 0) {
            Sleep(100);
            return;
        }
        if (select(0, &readable, nullptr, nullptr, &timeout) <= 0)
            return;
        if (m_connection && FD_ISSET(m_connection.Get(), &readable))
            ReadConnection();
        else if (!m_connection && FD_ISSET(m_listener.Get(), &readable))
            Accept();
        if (m_agent && FD_ISSET(m_agent.Get(), &readable))
            AnswerSnmp();
    }

    void Accept()
    {
        m_connection.Reset(accept(m_listener.Get(), nullptr, nullptr));
        if (!m_connection)
            return;
        ++m_connections;
        m_received = 0;
        Log("tcp accepted " + std::to_string(m_connections));
    }

    void ReadConnection()
    {
        char buffer[65536];
        const int got = recv(m_connection.Get(), buffer, sizeof(buffer), 0);
        if (got > 0) {
            Append(m_options.capture, std::string(buffer, static_cast<std::size_t>(got)));
            m_received += static_cast<unsigned long>(got);
            return;
        }
        Log("tcp closed " + std::to_string(m_connections) + " bytes=" + std::to_string(m_received) +
            (got < 0 ? " error=" + std::to_string(WSAGetLastError()) : std::string()));
        m_connection.Reset();
    }

    static std::string OidText(const SnmpOid& oid)
    {
        std::string text;
        for (std::uint32_t arc : oid)
            text += (text.empty() ? "" : ".") + std::to_string(arc);
        return text;
    }

    // The reply a version 1 agent gives: the values, or noSuchName for the
    // first object it lacks (and then the request's own list).
    SnmpMessage Response(const SnmpMessage& request) const
    {
        SnmpMessage reply = request;
        reply.pduTag = kSnmpGetResponse;
        for (std::size_t i = 0; i < reply.varbinds.size(); ++i) {
            SnmpVarbind& varbind = reply.varbinds[i];
            if (varbind.oid == kPpmPrinterIeee1284DeviceIdOid && m_options.hasDeviceId) {
                varbind.tag = kBerOctetString;
                varbind.value = m_options.deviceId;
            } else if (varbind.oid == kHrDeviceDescrOid && m_options.hasDescription) {
                varbind.tag = kBerOctetString;
                varbind.value = m_options.description;
            } else {
                reply.varbinds = request.varbinds;
                reply.errorStatus = kSnmpNoSuchName;
                reply.errorIndex = static_cast<std::int32_t>(i + 1);
                break;
            }
        }
        return reply;
    }

    void Send(SOCKET from, const sockaddr_in& to, const std::string& bytes)
    {
        sendto(from, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    }

    void AnswerSnmp()
    {
        char buffer[65536];
        sockaddr_in from = {};
        int fromSize = sizeof(from);
        const int got = recvfrom(m_agent.Get(), buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got <= 0)
            return;
        SnmpMessage request;
        if (!DecodeSnmpMessage(reinterpret_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(got), request)) {
            Log("snmp malformed request of " + std::to_string(got) + " bytes");
            return;
        }
        std::string oids;
        for (const SnmpVarbind& varbind : request.varbinds)
            oids += (oids.empty() ? "" : ",") + OidText(varbind.oid);
        Log("snmp request id=" + std::to_string(request.requestId) + " version=" + std::to_string(request.version) +
            " community=" + request.community + " oids=" + oids);
        // As agents do: another version, another community or anything but
        // a GetRequest gets no answer.
        if (request.version != 0 || request.community != m_options.community || request.pduTag != kSnmpGetRequest ||
            m_options.silent)
            return;

        const SnmpMessage good = Response(request);
        std::string bytes;
        if (!m_options.fault.empty()) {
            SnmpMessage bad = good;
            UniqueSocket elsewhere;
            SOCKET sender = m_agent.Get();
            if (m_options.fault == L"other-id")
                bad.requestId = request.requestId + 1;
            else if (m_options.fault == L"other-community")
                bad.community = "private";
            else if (m_options.fault == L"error-status")
                bad.errorStatus = 5;  // genErr
            else if (m_options.fault == L"v2c")
                bad.version = 1;
            EncodeSnmpMessage(bad, bytes);
            if (m_options.fault == L"garbled")
                bytes.resize(bytes.size() - 3);
            if (m_options.fault == L"other-port" || m_options.fault == L"other-address") {
                elsewhere = BoundUdp(m_options.fault == L"other-port" ? 1 : 2);
                sender = elsewhere.Get();
            }
            Send(sender, from, bytes);
            Log("snmp reply id=" + std::to_string(request.requestId) + " fault=" + Narrow(m_options.fault));
            if (!m_options.andAnswer)
                return;
        }
        EncodeSnmpMessage(good, bytes);
        Send(m_agent.Get(), from, bytes);
        Log("snmp reply id=" + std::to_string(request.requestId) +
            (good.errorStatus ? " noSuchName index=" + std::to_string(good.errorIndex) : std::string(" values")));
    }

    const Options& m_options;
    WinsockSession m_winsock;
    UniqueSocket m_listener, m_filler, m_connection, m_agent;
    unsigned short m_tcpPort = 0, m_udpPort = 0;
    unsigned long m_connections = 0, m_received = 0;
};

int Usage()
{
    std::fputs("usage: qvnetprinter --ready FILE --capture FILE [--log FILE] [--stop FILE] [--time-limit SECONDS]\n"
               "         [--device-id TEXT] [--description TEXT] [--snmp-silent]\n"
               "         [--snmp-fault garbled|other-id|other-community|other-port|other-address|error-status|v2c\n"
               "          [--and-answer]] [--community TEXT] [--tcp-backlog-full]\n",
               stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t* argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--ready" && hasValue)
            options.ready = argv[++i];
        else if (arg == L"--capture" && hasValue)
            options.capture = argv[++i];
        else if (arg == L"--log" && hasValue)
            options.log = argv[++i];
        else if (arg == L"--stop" && hasValue)
            options.stop = argv[++i];
        else if (arg == L"--time-limit" && hasValue)
            options.timeLimitMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10) * 1000);
        else if (arg == L"--device-id" && hasValue) {
            options.hasDeviceId = true;
            options.deviceId = Bytes(argv[++i]);
        } else if (arg == L"--description" && hasValue) {
            options.hasDescription = true;
            options.description = Bytes(argv[++i]);
        } else if (arg == L"--snmp-silent")
            options.silent = true;
        else if (arg == L"--snmp-fault" && hasValue)
            options.fault = argv[++i];
        else if (arg == L"--and-answer")
            options.andAnswer = true;
        else if (arg == L"--community" && hasValue)
            options.community = Bytes(argv[++i]);
        else if (arg == L"--tcp-backlog-full")
            options.backlogFull = true;
        else
            return Usage();
    }
    bool knownFault = options.fault.empty();
    for (const wchar_t* fault : kFaults)
        knownFault = knownFault || options.fault == fault;
    if (options.ready.empty() || options.capture.empty() || !knownFault || options.timeLimitMs == 0)
        return Usage();
    Printer printer(options);
    return printer.Run();
}
