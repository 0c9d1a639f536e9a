// winsock2.h must come before anything that includes windows.h.
#include "support/Winsock.h"

#include "install/NetworkProbe.h"

#include <cstring>
#include <vector>

#include "install/NetworkAddress.h"
#include "install/Snmp.h"
#include "support/Sha256.h"
#include "support/SystemLibrary.h"

namespace {

const char kCommunity[] = "public";
// A GetResponse with a device id of the MIB's 1023 octets fits with room to
// spare; a larger datagram is cut off by Winsock (WSAEMSGSIZE) and dropped.
const int kDatagramBytes = 4096;
// Datagrams read per wake-up before the clock is looked at again, so that a
// flood of them cannot hold the probe past its time.
const int kDatagramsPerWake = 32;

// Milliseconds left of a time span that starts now. GetTickCount wraps
// after 49.7 days; differences of it do not.
class Deadline {
public:
    explicit Deadline(unsigned milliseconds) : m_start(GetTickCount()), m_span(milliseconds) {}
    unsigned Elapsed() const { return GetTickCount() - m_start; }
    unsigned Remaining() const
    {
        const unsigned elapsed = Elapsed();
        return elapsed >= m_span ? 0 : m_span - elapsed;
    }

private:
    DWORD m_start;
    unsigned m_span;
};

// DLLs that Winsock and its providers load into the process. On systems
// where the program's DLL search could not be restricted to the system
// folder (Windows 2000, XP, Vista and 7 without KB2533623), one of them
// loaded by a bare name would be looked for in the package folder first; a
// copy already loaded from the system folder is what such a load finds. A
// name a system does not have is skipped.
const wchar_t* const kWinsockLibraries[] = {
    L"ws2help.dll", L"mswsock.dll", L"wshtcpip.dll", L"wship6.dll", L"dnsapi.dll", L"rasadhlp.dll",
    L"winrnr.dll",  L"iphlpapi.dll", L"nlaapi.dll",  L"napinsp.dll", L"pnrpnsp.dll", L"wshqos.dll",
    L"fwpuclnt.dll",
};

class WinsockLibraries {
public:
    WinsockLibraries()
    {
        for (const wchar_t* name : kWinsockLibraries) {
            UniqueLibrary library(LoadSystemLibrary(name));
            if (library)
                m_loaded.push_back(std::move(library));
        }
    }

private:
    std::vector<UniqueLibrary> m_loaded;
};

// Byte order by hand: the network's is big-endian whatever the processor's,
// and htons and friends would be four more imports.
void SetAddress(sockaddr_in& to, std::uint32_t address, unsigned port)
{
    std::memset(&to, 0, sizeof(to));
    to.sin_family = AF_INET;
    auto* a = reinterpret_cast<unsigned char*>(&to.sin_addr);
    a[0] = static_cast<unsigned char>(address >> 24);
    a[1] = static_cast<unsigned char>(address >> 16);
    a[2] = static_cast<unsigned char>(address >> 8);
    a[3] = static_cast<unsigned char>(address);
    auto* p = reinterpret_cast<unsigned char*>(&to.sin_port);
    p[0] = static_cast<unsigned char>(port >> 8);
    p[1] = static_cast<unsigned char>(port);
}

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b)
{
    return a.sin_family == b.sin_family && a.sin_port == b.sin_port &&
           std::memcmp(&a.sin_addr, &b.sin_addr, sizeof(a.sin_addr)) == 0;
}

// FD_ISSET without the function it calls (__WSAFDIsSet): the set is a
// documented count and array.
bool InSet(SOCKET s, const fd_set& set)
{
    for (u_int i = 0; i < set.fd_count; ++i) {
        if (set.fd_array[i] == s)
            return true;
    }
    return false;
}

bool MakeNonBlocking(SOCKET s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}

// Two request ids nobody off this machine can guess: a reply must carry one
// of them, so a forged reply from elsewhere has to guess 31 bits. Windows
// 2000's system cryptography would do too, but it loads its provider DLL by
// a name from the registry; the high-resolution clock, hashed, is enough.
void MakeRequestIds(std::int32_t (&ids)[2])
{
    struct {
        LARGE_INTEGER counter;
        DWORD tick, process, thread;
        const void* stack;
    } seed = {};
    QueryPerformanceCounter(&seed.counter);
    seed.tick = GetTickCount();
    seed.process = GetCurrentProcessId();
    seed.thread = GetCurrentThreadId();
    seed.stack = &seed;
    const std::string digest = Sha256Hex(&seed, sizeof(seed));  // lowercase hex digits
    for (int i = 0; i < 2; ++i) {
        std::uint32_t value = 0;
        for (int d = 0; d < 8; ++d) {
            const char c = digest[static_cast<std::size_t>(i * 8 + d)];
            value = (value << 4) | static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        }
        // Positive: some agents mishandle a negative id.
        value &= 0x7FFFFFFFu;
        ids[i] = static_cast<std::int32_t>(value == 0 ? 1 : value);
    }
    if (ids[0] == ids[1])
        ids[1] = ids[0] == 0x7FFFFFFF ? 1 : ids[0] + 1;
}

// ---- the name look-up, bounded in time
//
// gethostbyname blocks for as long as the resolvers take (a DNS server that
// does not answer, then NetBIOS: many seconds) and cannot be cancelled. It
// runs on a thread of its own that the probe waits for only until its time
// is up; a look-up still running then finishes on its own and frees what it
// shares with the probe, whichever of the two lets go last.
struct Lookup {
    volatile LONG references = 2;
    char name[256] = {};
    bool found = false;
    std::uint32_t address = 0;
    int error = 0;
};

void Release(Lookup* lookup)
{
    if (InterlockedDecrement(&lookup->references) == 0)
        delete lookup;
}

DWORD WINAPI LookUpName(void* parameter)
{
    Lookup* lookup = static_cast<Lookup*>(parameter);
    {
        // A start of its own: the probe may have ended its own by the time
        // the look-up returns.
        WinsockSession winsock;
        if (!winsock.IsValid()) {
            lookup->error = winsock.Error();
        } else if (const hostent* entry = gethostbyname(lookup->name)) {
            lookup->error = WSAEADDRNOTAVAIL;
            if (entry->h_addrtype == AF_INET && entry->h_length == 4) {
                for (char** a = entry->h_addr_list; a && *a && !lookup->found; ++a) {
                    const auto* b = reinterpret_cast<const unsigned char*>(*a);
                    const std::uint32_t address = (static_cast<std::uint32_t>(b[0]) << 24) |
                                                  (static_cast<std::uint32_t>(b[1]) << 16) |
                                                  (static_cast<std::uint32_t>(b[2]) << 8) | b[3];
                    // The first address a printer can have; a name may also
                    // give broadcast or multicast addresses, which are not
                    // one device's.
                    if (IsDeviceAddress(address)) {
                        lookup->address = address;
                        lookup->found = true;
                        lookup->error = 0;
                    }
                }
            }
        } else {
            lookup->error = WSAGetLastError();
        }
    }
    Release(lookup);
    return 0;
}

bool ResolveHostName(const std::wstring& host, const Deadline& deadline, std::uint32_t& address, unsigned long& error)
{
    Lookup* lookup = new Lookup;
    for (std::size_t i = 0; i < host.size() && i + 1 < sizeof(lookup->name); ++i)
        lookup->name[i] = static_cast<char>(host[i]);  // IsHostName: ASCII only
    UniqueKernelHandle thread(CreateThread(nullptr, 0, LookUpName, lookup, 0, nullptr));
    bool done = true;
    if (thread)
        done = WaitForSingleObject(thread.Get(), deadline.Remaining()) == WAIT_OBJECT_0;
    else
        LookUpName(lookup);  // no thread to be had: the look-up is waited for in full
    bool found = false;
    if (!done) {
        error = WSAETIMEDOUT;
    } else if (lookup->found) {
        address = lookup->address;
        found = true;
    } else {
        error = static_cast<unsigned long>(lookup->error);
    }
    Release(lookup);
    return found;
}

// ---- SNMP

struct SnmpQuery {
    const SnmpOid* oid;
    std::int32_t id = 0;
    std::string request;
    bool done = false;  // a GetResponse to it came back
    bool hasValue = false;
    std::string value;
};

class SnmpExchange {
public:
    // No SNMP at all for port 0.
    SnmpExchange(std::uint32_t address, unsigned short port)
    {
        if (port == 0)
            return;
        SetAddress(m_agent, address, port);
        std::int32_t ids[2] = {};
        MakeRequestIds(ids);
        m_queries[0].oid = &kPpmPrinterIeee1284DeviceIdOid;
        m_queries[1].oid = &kHrDeviceDescrOid;
        // One object per request: a version 1 agent that lacks one object
        // of a request answers noSuchName for the whole request.
        for (int i = 0; i < 2; ++i) {
            m_queries[i].id = ids[i];
            if (!EncodeSnmpGetRequest(kCommunity, ids[i], {*m_queries[i].oid}, m_queries[i].request))
                return;
        }
        m_socket.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
        if (!m_socket || !MakeNonBlocking(m_socket.Get()))
            m_socket.Reset();
    }

    SOCKET Socket() const { return m_socket.Get(); }
    // Still worth waiting for.
    bool Pending() const { return m_socket && !Finished(); }
    bool Answered() const { return m_answered; }

    // Sends the requests that have no answer yet.
    void Send()
    {
        for (const SnmpQuery& query : m_queries) {
            if (!m_socket || query.done)
                continue;
            if (sendto(m_socket.Get(), query.request.data(), static_cast<int>(query.request.size()), 0,
                       reinterpret_cast<const sockaddr*>(&m_agent), sizeof(m_agent)) == SOCKET_ERROR)
                m_socket.Reset();
        }
    }

    // Reads what has come in.
    void Receive()
    {
        for (int n = 0; n < kDatagramsPerWake && m_socket; ++n) {
            char buffer[kDatagramBytes];
            sockaddr_in from = {};
            int fromSize = sizeof(from);
            const int got = recvfrom(m_socket.Get(), buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from),
                                     &fromSize);
            if (got == SOCKET_ERROR) {
                const int error = WSAGetLastError();
                if (error == WSAEWOULDBLOCK)
                    return;
                if (error == WSAEMSGSIZE)
                    continue;  // larger than any reply of ours: dropped
                // WSAECONNRESET: Windows reports the "port unreachable" of
                // an earlier datagram here; nothing listens for SNMP.
                m_socket.Reset();
                return;
            }
            if (fromSize != sizeof(from) || !SameEndpoint(from, m_agent))
                continue;  // not from the printer's SNMP port
            Take(reinterpret_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(got));
        }
    }

    // The device id, or the description, when SNMP gave one.
    void Fill(NetworkProbeResult& result) const
    {
        result.snmpAnswered = m_answered;
        const std::wstring id = m_queries[0].hasValue ? DeviceIdText(m_queries[0].value) : std::wstring();
        const std::wstring description = m_queries[1].hasValue ? SnmpDisplayText(m_queries[1].value) : std::wstring();
        if (!id.empty()) {
            result.deviceId = id;
        } else if (!description.empty()) {
            result.deviceId = description;
            result.deviceIdIsDescription = true;
        }
    }

private:
    bool Finished() const
    {
        const SnmpQuery& id = m_queries[0];
        return (id.done && id.hasValue && !DeviceIdText(id.value).empty()) || (id.done && m_queries[1].done);
    }

    void Take(const std::uint8_t* data, std::size_t size)
    {
        for (SnmpQuery& query : m_queries) {
            if (query.done)
                continue;
            const SnmpReply reply = ReadSnmpGetResponse(data, size, kCommunity, query.id, {*query.oid});
            if (reply.status == SnmpReplyStatus::Answered) {
                query.done = m_answered = true;
                query.hasValue = reply.values[0].present;
                query.value = reply.values[0].bytes;
            } else if (reply.status == SnmpReplyStatus::AgentError) {
                query.done = m_answered = true;  // the agent lacks the object
            }
        }
    }

    sockaddr_in m_agent;
    UniqueSocket m_socket;
    SnmpQuery m_queries[2];
    bool m_answered = false;
};

// ---- TCP

class Connection {
public:
    Connection(std::uint32_t address, unsigned port, unsigned long& error)
    {
        sockaddr_in to;
        SetAddress(to, address, port);
        m_socket.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        if (!m_socket || !MakeNonBlocking(m_socket.Get())) {
            error = static_cast<unsigned long>(WSAGetLastError());
            m_socket.Reset();
            return;
        }
        if (connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == 0) {
            Accepted();
            return;
        }
        const int failure = WSAGetLastError();
        if (failure != WSAEWOULDBLOCK) {
            error = static_cast<unsigned long>(failure);
            m_socket.Reset();
        }
    }

    SOCKET Socket() const { return m_socket.Get(); }
    bool Pending() const { return m_socket.IsValid(); }
    bool Answered() const { return m_answered; }

    // After select named the socket writable (connected) or in its
    // exception set (failed, on Windows; Wine, like Linux, may name a failed
    // one writable and leave the reason in SO_ERROR).
    void Settle(bool failedSet, unsigned long& error)
    {
        int soError = 0;
        int size = sizeof(soError);
        if (getsockopt(m_socket.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &size) != 0)
            soError = WSAGetLastError();
        if (soError == 0 && failedSet)
            soError = WSAECONNREFUSED;  // failed, and the system kept no reason
        if (soError == 0) {
            Accepted();
        } else {
            error = static_cast<unsigned long>(soError);
            m_socket.Reset();
        }
    }

private:
    // Closed at once, nothing sent: an empty connection prints nothing.
    void Accepted()
    {
        m_answered = true;
        m_socket.Reset();
    }

    UniqueSocket m_socket;
    bool m_answered = false;
};

}  // namespace

NetworkProbeResult ProbeNetworkPrinter(const std::wstring& host, unsigned port, unsigned short snmpPort,
                                       unsigned timeoutMs)
{
    NetworkProbeResult result;
    const Deadline deadline(timeoutMs);
    if (port == 0 || port > 65535 || (!IsIpv4Address(host) && !IsHostName(host))) {
        result.error = WSAEINVAL;
        return result;
    }
    const WinsockLibraries libraries;
    const WinsockSession winsock;
    if (!winsock.IsValid()) {
        result.error = static_cast<unsigned long>(winsock.Error());
        return result;
    }

    std::uint32_t address = 0;
    if (!ReadIpv4Address(host, address) && !ResolveHostName(host, deadline, address, result.error))
        return result;
    result.ipAddress = FormatIpv4Address(address);
    if (!IsDeviceAddress(address)) {
        result.error = WSAEADDRNOTAVAIL;
        return result;
    }
    result.resolved = true;

    SnmpExchange snmp(address, snmpPort);
    snmp.Send();
    Connection tcp(address, port, result.error);
    const unsigned retryAt = deadline.Elapsed() + deadline.Remaining() / 2;
    bool retried = false;

    for (;;) {
        // A refused connection ends the probe: that printer is not one to
        // print to on this port, whatever SNMP would say.
        const bool waitForSnmp = snmp.Pending() && (tcp.Pending() || tcp.Answered());
        if (!tcp.Pending() && !waitForSnmp)
            break;
        const unsigned remaining = deadline.Remaining();
        if (remaining == 0) {
            if (tcp.Pending())
                result.error = WSAETIMEDOUT;
            break;
        }
        const unsigned elapsed = deadline.Elapsed();
        if (!retried && elapsed >= retryAt) {
            snmp.Send();
            retried = true;
        }
        unsigned wait = remaining;
        if (!retried && retryAt - elapsed < wait)
            wait = retryAt - elapsed;

        fd_set readable, writable, failed;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        if (tcp.Pending()) {
            FD_SET(tcp.Socket(), &writable);
            FD_SET(tcp.Socket(), &failed);
        }
        if (waitForSnmp)
            FD_SET(snmp.Socket(), &readable);
        timeval timeout = {static_cast<long>(wait / 1000), static_cast<long>((wait % 1000) * 1000)};
        if (select(0, &readable, &writable, &failed, &timeout) == SOCKET_ERROR) {
            if (tcp.Pending())
                result.error = static_cast<unsigned long>(WSAGetLastError());
            break;
        }
        if (tcp.Pending() && (InSet(tcp.Socket(), writable) || InSet(tcp.Socket(), failed)))
            tcp.Settle(InSet(tcp.Socket(), failed), result.error);
        if (waitForSnmp && InSet(snmp.Socket(), readable))
            snmp.Receive();
    }

    result.answered = tcp.Answered();
    if (result.answered)
        result.error = 0;
    snmp.Fill(result);
    return result;
}
