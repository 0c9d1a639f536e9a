#include "install/TcpIpPortCore.h"

#include <cstring>

#include "install/PrinterNaming.h"

namespace {

bool IsAsciiDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Longest text a field of `capacity` code units holds with its NUL.
bool Fits(const std::wstring& text, std::size_t capacity)
{
    return text.size() < capacity;
}

}  // namespace

bool IsAcceptableTcpIpHost(const std::wstring& host)
{
    if (host.empty() || !Fits(host, tcpxcv::kMaxNetworkNameLen))
        return false;
    if (host[0] == L'-' || host[0] == L'.')
        return false;
    for (wchar_t c : host)
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != L'-' && c != L'_' && c != L'.')
            return false;
    return true;
}

bool IsDottedIpv4(const std::wstring& text)
{
    if (text.empty() || !Fits(text, tcpxcv::kMaxIpAddressLen))
        return false;
    int parts = 0;
    std::wstring::size_type i = 0;
    for (;;) {
        const std::wstring::size_type start = i;
        unsigned value = 0;
        while (i < text.size() && IsAsciiDigit(text[i]) && i - start < 3) {
            value = value * 10 + static_cast<unsigned>(text[i] - L'0');
            ++i;
        }
        const std::wstring::size_type digits = i - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == L'0'))
            return false;
        ++parts;
        if (i == text.size())
            return parts == 4;
        if (text[i] != L'.' || parts == 4)
            return false;
        ++i;
    }
}

bool AreAcceptableTcpIpSettings(const TcpIpPortSettings& settings)
{
    if (!IsAcceptableTcpIpHost(settings.host))
        return false;
    if (!settings.ipAddress.empty() && !IsDottedIpv4(settings.ipAddress))
        return false;
    if (settings.portNumber < 1 || settings.portNumber > 65535)
        return false;
    if (settings.snmpEnabled) {
        const std::wstring& community = settings.snmpCommunity;
        if (community.empty() || !Fits(community, tcpxcv::kMaxSnmpCommunityLen))
            return false;
        for (wchar_t c : community)
            if (c < 0x21 || c > 0x7E)
                return false;
    }
    return true;
}

std::wstring MakeTcpIpPortName(const std::wstring& host, const std::vector<std::wstring>& existingPorts)
{
    return MakeUniquePrinterName(L"IP_" + host, existingPorts, L"_%d");
}

bool ServesSameTcpIpTarget(const TcpIpPortSettings& existing, const TcpIpPortSettings& wanted)
{
    if (!existing.rawProtocol || existing.portNumber != wanted.portNumber)
        return false;
    const std::wstring* const mine[] = {&existing.host, &existing.ipAddress};
    const std::wstring* const theirs[] = {&wanted.host, &wanted.ipAddress};
    for (const std::wstring* a : mine)
        for (const std::wstring* b : theirs)
            if (!a->empty() && EqualsIgnoringAsciiCase(*a, *b))
                return true;
    return false;
}

bool PrinterPortFieldNames(const std::wstring& field, const std::wstring& port)
{
    std::wstring::size_type start = 0;
    for (;;) {
        const std::wstring::size_type comma = field.find(L',', start);
        const std::wstring::size_type end = comma == std::wstring::npos ? field.size() : comma;
        std::wstring::size_type first = start;
        while (first < end && field[first] == L' ')
            ++first;
        if (EqualsIgnoringAsciiCase(field.substr(first, end - first), port))
            return true;
        if (comma == std::wstring::npos)
            return false;
        start = comma + 1;
    }
}

void SetField(std::uint16_t* field, std::size_t capacity, const std::wstring& text)
{
    std::size_t i = 0;
    for (; i + 1 < capacity && i < text.size(); ++i)
        field[i] = static_cast<std::uint16_t>(text[i]);
    for (; i < capacity; ++i)
        field[i] = 0;
}

std::wstring GetField(const std::uint16_t* field, std::size_t capacity)
{
    std::wstring text;
    for (std::size_t i = 0; i < capacity && field[i] != 0; ++i)
        text.push_back(static_cast<wchar_t>(field[i]));
    return text;
}

tcpxcv::PortData1 MakeAddPortData(const std::wstring& portName, const TcpIpPortSettings& settings)
{
    tcpxcv::PortData1 data;
    std::memset(&data, 0, sizeof(data));
    SetField(data.portName, tcpxcv::kMaxPortNameLen, portName);
    data.version = 1;
    data.protocol = tcpxcv::kProtocolRawTcp;
    data.size = sizeof(data);
    SetField(data.hostAddress, tcpxcv::kMaxNetworkNameLen, settings.host);
    SetField(data.ipAddress, tcpxcv::kMaxIpAddressLen, settings.ipAddress);
    data.portNumber = settings.portNumber;
    data.snmpEnabled = settings.snmpEnabled ? 1 : 0;
    // The community is kept with SNMP off too, as the system's dialog keeps
    // it: turning SNMP on later finds it filled in.
    SetField(data.snmpCommunity, tcpxcv::kMaxSnmpCommunityLen, settings.snmpCommunity);
    // The device index the system's wizard gives a single-port printer.
    data.snmpDevIndex = 1;
    return data;
}

bool ReadPortData(const tcpxcv::PortData1& data, std::wstring& portName, TcpIpPortSettings& settings)
{
    if (data.version != 1)
        return false;
    portName = GetField(data.portName, tcpxcv::kMaxPortNameLen);
    settings.host = GetField(data.hostAddress, tcpxcv::kMaxNetworkNameLen);
    settings.ipAddress = GetField(data.ipAddress, tcpxcv::kMaxIpAddressLen);
    settings.portNumber = data.portNumber;
    settings.snmpEnabled = data.snmpEnabled != 0;
    settings.snmpCommunity = GetField(data.snmpCommunity, tcpxcv::kMaxSnmpCommunityLen);
    settings.rawProtocol = data.protocol == tcpxcv::kProtocolRawTcp;
    return true;
}

tcpxcv::DeletePortData1 MakeDeletePortData(const std::wstring& portName)
{
    tcpxcv::DeletePortData1 data;
    std::memset(&data, 0, sizeof(data));
    SetField(data.portName, tcpxcv::kMaxPortNameLen, portName);
    data.version = 1;
    return data;
}

tcpxcv::ConfigInfoData1 MakeConfigInfoData()
{
    tcpxcv::ConfigInfoData1 data;
    std::memset(&data, 0, sizeof(data));
    data.version = 1;
    return data;
}
