// Stand-in for the system's Standard TCP/IP Port monitor (tcpmon.dll), which
// Wine does not have. Registered in every test prefix under the system's
// monitor name, "Standard TCP/IP Port", so the installer's own calls (XcvData
// "AddPort", "GetConfigInfo", "DeletePort" through OpenPrinter ",XcvMonitor"
// and ",XcvPort") reach it exactly as they reach tcpmon.dll on Windows, and a
// job printed to one of its ports goes out over TCP to the port's address
// and number (Wine's spooler calls OpenPort, StartDocPort, WritePort,
// EndDocPort and ClosePort for every job). Raw TCP only, and only to
// loopback addresses: the bench never sends anything off the machine.
// Test equipment only: never shipped, never embedded in the installer.
//
// The ports live where the system's monitor keeps its own and where Wine's
// spooler looks for a monitor's ports: one key per port below
// HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\Ports,
// with the values HostName, IPAddress, PortNumber, Protocol, SNMP Enabled,
// SNMP Community and SNMP Index. Wine's MONITORREG callbacks are stubs, so
// the stand-in opens that key itself.
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <string>
#include <vector>

#include "install/TcpIpPortCore.h"

namespace {

const wchar_t kPortsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

struct StoredPort {
    TcpIpPortSettings settings;
    DWORD protocol = tcpxcv::kProtocolRawTcp;
};

class Key {
public:
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    HKEY* Put() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::wstring ReadText(HKEY key, const wchar_t* name)
{
    wchar_t buffer[256] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return std::wstring(buffer);
}

DWORD ReadNumber(HKEY key, const wchar_t* name, DWORD fallback)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return fallback;
    return value;
}

void WriteText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void WriteNumber(HKEY key, const wchar_t* name, DWORD value)
{
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

std::wstring PortKey(const std::wstring& name)
{
    return std::wstring(kPortsKey) + L"\\" + name;
}

bool LoadPort(const std::wstring& name, StoredPort& port)
{
    if (name.empty() || name.find(L'\\') != std::wstring::npos)
        return false;
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortKey(name).c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    port.settings.host = ReadText(key.Get(), L"HostName");
    port.settings.ipAddress = ReadText(key.Get(), L"IPAddress");
    port.settings.portNumber = ReadNumber(key.Get(), L"PortNumber", 9100);
    port.settings.snmpEnabled = ReadNumber(key.Get(), L"SNMP Enabled", 0) != 0;
    port.settings.snmpCommunity = ReadText(key.Get(), L"SNMP Community");
    port.protocol = ReadNumber(key.Get(), L"Protocol", tcpxcv::kProtocolRawTcp);
    port.settings.rawProtocol = port.protocol == tcpxcv::kProtocolRawTcp;
    return true;
}

// A new port's key; ERROR_ALREADY_EXISTS when the name is taken.
DWORD SavePort(const std::wstring& name, const TcpIpPortSettings& settings)
{
    Key key;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, PortKey(name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                        key.Put(), &disposition);
    if (status != ERROR_SUCCESS)
        return static_cast<DWORD>(status);
    if (disposition != REG_CREATED_NEW_KEY)
        return ERROR_ALREADY_EXISTS;
    WriteNumber(key.Get(), L"Protocol", tcpxcv::kProtocolRawTcp);
    WriteNumber(key.Get(), L"Version", 1);
    WriteText(key.Get(), L"HostName", settings.host);
    WriteText(key.Get(), L"IPAddress", settings.ipAddress);
    WriteNumber(key.Get(), L"PortNumber", settings.portNumber);
    WriteNumber(key.Get(), L"SNMP Enabled", settings.snmpEnabled ? 1 : 0);
    WriteText(key.Get(), L"SNMP Community", settings.snmpCommunity);
    WriteNumber(key.Get(), L"SNMP Index", 1);
    return ERROR_SUCCESS;
}

std::vector<std::wstring> PortNames()
{
    std::vector<std::wstring> names;
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

// ---- printing

struct OpenedPort {
    std::wstring name;
    StoredPort stored;
    SOCKET socket = INVALID_SOCKET;
};

// The address a job goes to: the port's IP address, else its host when that
// is a dotted address; only 127.0.0.0/8. The bench resolves no names.
bool LoopbackTarget(const TcpIpPortSettings& settings, sockaddr_in& target)
{
    const std::wstring& text = !settings.ipAddress.empty() ? settings.ipAddress : settings.host;
    if (!IsDottedIpv4(text))
        return false;
    const std::string narrow(text.begin(), text.end());
    const unsigned long address = inet_addr(narrow.c_str());
    if ((ntohl(address) >> 24) != 127)
        return false;
    target = sockaddr_in();
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    target.sin_port = htons(static_cast<u_short>(settings.portNumber));
    return true;
}

void Disconnect(OpenedPort& port)
{
    if (port.socket == INVALID_SOCKET)
        return;
    shutdown(port.socket, SD_SEND);
    closesocket(port.socket);
    port.socket = INVALID_SOCKET;
    WSACleanup();
}

BOOL WINAPI MonEnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)
{
    if (level != 1 && level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    const std::vector<std::wstring> names = PortNames();
    const std::wstring monitor = tcpxcv::kMonitorName;
    const DWORD entry = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    DWORD total = 0;
    for (const std::wstring& name : names) {
        total += entry + static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t));
        if (level == 2)
            total += static_cast<DWORD>(2 * (monitor.size() + 1) * sizeof(wchar_t));
    }
    *needed = total;
    *returned = 0;
    if (size < total || (total != 0 && !buffer)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    wchar_t* text = reinterpret_cast<wchar_t*>(buffer + entry * names.size());
    auto place = [&text](const std::wstring& value) {
        wchar_t* const start = text;
        value.copy(text, value.size());
        text[value.size()] = L'\0';
        text += value.size() + 1;
        return start;
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (level == 1) {
            reinterpret_cast<PORT_INFO_1W*>(buffer)[i].pName = place(names[i]);
        } else {
            PORT_INFO_2W& info = reinterpret_cast<PORT_INFO_2W*>(buffer)[i];
            info.pPortName = place(names[i]);
            info.pMonitorName = place(monitor);
            info.pDescription = place(monitor);
            info.fPortType = PORT_TYPE_WRITE;
            info.Reserved = 0;
        }
    }
    *returned = static_cast<DWORD>(names.size());
    return TRUE;
}

BOOL WINAPI MonOpenPort(HANDLE, LPWSTR name, PHANDLE handle)
{
    StoredPort stored;
    if (!name || !LoadPort(name, stored)) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    OpenedPort* port = new OpenedPort;
    port->name = name;
    port->stored = stored;
    *handle = port;
    return TRUE;
}

BOOL WINAPI MonStartDocPort(HANDLE handle, LPWSTR, DWORD, DWORD, LPBYTE)
{
    OpenedPort& port = *static_cast<OpenedPort*>(handle);
    if (port.socket != INVALID_SOCKET)
        return TRUE;
    sockaddr_in target;
    if (!port.stored.settings.rawProtocol || !LoopbackTarget(port.stored.settings, target)) {
        SetLastError(ERROR_NETWORK_UNREACHABLE);
        return FALSE;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        SetLastError(ERROR_NETWORK_UNREACHABLE);
        return FALSE;
    }
    port.socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (port.socket == INVALID_SOCKET ||
        connect(port.socket, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) != 0) {
        const int error = WSAGetLastError();
        if (port.socket != INVALID_SOCKET)
            closesocket(port.socket);
        port.socket = INVALID_SOCKET;
        WSACleanup();
        SetLastError(static_cast<DWORD>(error));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI MonWritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written)
{
    OpenedPort& port = *static_cast<OpenedPort*>(handle);
    *written = 0;
    if (port.socket == INVALID_SOCKET) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    while (*written < size) {
        const int sent = send(port.socket, reinterpret_cast<const char*>(buffer + *written),
                              static_cast<int>(size - *written), 0);
        if (sent <= 0) {
            SetLastError(static_cast<DWORD>(WSAGetLastError()));
            return FALSE;
        }
        *written += static_cast<DWORD>(sent);
    }
    return TRUE;
}

BOOL WINAPI MonEndDocPort(HANDLE handle)
{
    Disconnect(*static_cast<OpenedPort*>(handle));
    return TRUE;
}

BOOL WINAPI MonClosePort(HANDLE handle)
{
    OpenedPort* port = static_cast<OpenedPort*>(handle);
    Disconnect(*port);
    delete port;
    return TRUE;
}

// ---- transceive

struct Channel {
    std::wstring object;  // a port's name, or the monitor's for ",XcvMonitor"
    ACCESS_MASK access = 0;
};

BOOL WINAPI MonXcvOpenPort(HANDLE, LPCWSTR object, ACCESS_MASK access, PHANDLE handle)
{
    Channel* channel = new Channel;
    channel->object = object ? object : L"";
    channel->access = access;
    *handle = channel;
    return TRUE;
}

// A command's input of type T copied out of `input`: ERROR_INVALID_DATA when
// it is missing or short, ERROR_ACCESS_DENIED for a command that changes
// ports on a channel opened without SERVER_ACCESS_ADMINISTER.
template <class T>
DWORD TakeInput(const Channel& channel, bool administers, const BYTE* input, DWORD inputSize, T& data)
{
    if (administers && !(channel.access & SERVER_ACCESS_ADMINISTER))
        return ERROR_ACCESS_DENIED;
    if (!input || inputSize < sizeof(T))
        return ERROR_INVALID_DATA;
    memcpy(&data, input, sizeof(T));
    return ERROR_SUCCESS;
}

// The commands as the TCPMON Xcv interface documents them: the input's size
// and version checked first, adding and deleting only with
// SERVER_ACCESS_ADMINISTER.
DWORD WINAPI MonXcvDataPort(HANDLE handle, LPCWSTR command, PBYTE input, DWORD inputSize, PBYTE output,
                            DWORD outputSize, PDWORD needed)
{
    const Channel& channel = *static_cast<Channel*>(handle);
    const std::wstring name = command ? command : L"";
    if (name == L"AddPort") {
        tcpxcv::PortData1 data;
        if (const DWORD refused = TakeInput(channel, true, input, inputSize, data))
            return refused;
        std::wstring portName;
        TcpIpPortSettings settings;
        if (!ReadPortData(data, portName, settings))
            return ERROR_INVALID_LEVEL;
        // LPR is the real monitor's too; the bench prints raw only.
        if (!settings.rawProtocol)
            return ERROR_NOT_SUPPORTED;
        if (portName.empty() || portName.find_first_of(L",\\") != std::wstring::npos ||
            !AreAcceptableTcpIpSettings(settings))
            return ERROR_INVALID_PARAMETER;
        return SavePort(portName, settings);
    }
    if (name == L"DeletePort") {
        tcpxcv::DeletePortData1 data;
        if (const DWORD refused = TakeInput(channel, true, input, inputSize, data))
            return refused;
        if (data.version != 1)
            return ERROR_INVALID_LEVEL;
        const std::wstring portName = GetField(data.portName, tcpxcv::kMaxPortNameLen);
        StoredPort stored;
        if (!LoadPort(portName, stored))
            return ERROR_UNKNOWN_PORT;
        return static_cast<DWORD>(RegDeleteKeyW(HKEY_LOCAL_MACHINE, PortKey(portName).c_str()));
    }
    if (name == L"GetConfigInfo") {
        tcpxcv::ConfigInfoData1 request;
        if (const DWORD refused = TakeInput(channel, false, input, inputSize, request))
            return refused;
        if (request.version != 1)
            return ERROR_INVALID_LEVEL;
        StoredPort stored;
        if (!LoadPort(channel.object, stored))
            return ERROR_UNKNOWN_PORT;
        *needed = sizeof(tcpxcv::PortData1);
        if (!output || outputSize < sizeof(tcpxcv::PortData1))
            return ERROR_INSUFFICIENT_BUFFER;
        tcpxcv::PortData1 data = MakeAddPortData(channel.object, stored.settings);
        data.protocol = stored.protocol;
        memcpy(output, &data, sizeof(data));
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI MonXcvClosePort(HANDLE handle)
{
    delete static_cast<Channel*>(handle);
    return TRUE;
}

VOID WINAPI MonShutdown(HANDLE)
{
}

MONITOR2 g_monitor;

}  // namespace

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitor)
{
    g_monitor = MONITOR2();
    g_monitor.cbSize = sizeof(MONITOR2);
    g_monitor.pfnEnumPorts = MonEnumPorts;
    g_monitor.pfnOpenPort = MonOpenPort;
    g_monitor.pfnStartDocPort = MonStartDocPort;
    g_monitor.pfnWritePort = MonWritePort;
    g_monitor.pfnEndDocPort = MonEndDocPort;
    g_monitor.pfnClosePort = MonClosePort;
    g_monitor.pfnXcvOpenPort = MonXcvOpenPort;
    g_monitor.pfnXcvDataPort = MonXcvDataPort;
    g_monitor.pfnXcvClosePort = MonXcvClosePort;
    g_monitor.pfnShutdown = MonShutdown;
    *monitor = &g_monitor;
    return &g_monitor;
}
