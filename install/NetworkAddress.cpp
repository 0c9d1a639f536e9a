#include "install/NetworkAddress.h"

#include <vector>

namespace {

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

bool IsLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsHexDigit(wchar_t c)
{
    return IsDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

std::vector<std::wstring> SplitAtDots(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find(L'.', start);
        parts.push_back(text.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start));
        if (dot == std::wstring::npos)
            return parts;
        start = dot + 1;
    }
}

bool AllDigits(const std::wstring& text)
{
    if (text.empty())
        return false;
    for (wchar_t c : text) {
        if (!IsDigit(c))
            return false;
    }
    return true;
}

// A label inet_addr would read as a number: decimal, octal with a leading 0
// (digits only, so decimal covers it) or hexadecimal with "0x".
bool NumberForInetAddr(const std::wstring& label)
{
    if (AllDigits(label))
        return true;
    if (label.size() >= 2 && label[0] == L'0' && (label[1] == L'x' || label[1] == L'X')) {
        for (std::size_t i = 2; i < label.size(); ++i) {
            if (!IsHexDigit(label[i]))
                return false;
        }
        return true;  // "0x" alone is zero to inet_addr
    }
    return false;
}

// Why a dotted text is not an address we take; empty when it is one.
std::wstring Ipv4Problem(const std::wstring& text, std::uint32_t& address)
{
    const std::vector<std::wstring> parts = SplitAtDots(text);
    if (parts.size() != 4)
        return L"An IPv4 address has four numbers from 0 to 255 separated by dots, such as 192.168.1.20.";
    std::uint32_t value = 0;
    for (const std::wstring& part : parts) {
        if (!AllDigits(part))
            return L"An IPv4 address has four numbers from 0 to 255 separated by dots, such as 192.168.1.20.";
        if (part.size() > 1 && part[0] == L'0')
            return L"A number of an IPv4 address must not start with 0: Windows would read it as an octal number.";
        if (part.size() > 3)
            return L"Each number of an IPv4 address must be from 0 to 255.";
        unsigned number = 0;
        for (wchar_t c : part)
            number = number * 10 + static_cast<unsigned>(c - L'0');
        if (number > 255)
            return L"Each number of an IPv4 address must be from 0 to 255.";
        value = (value << 8) | number;
    }
    address = value;
    return std::wstring();
}

// Why a text is not a host name we take; empty when it is one.
std::wstring HostNameProblem(const std::wstring& text)
{
    for (wchar_t c : text) {
        if (!IsLetter(c) && !IsDigit(c) && c != L'-' && c != L'.')
            return L"A printer's host name may contain only the letters a to z, digits, '-' and '.'.";
    }
    if (text.size() > 253)
        return L"A host name must not be longer than 253 characters.";
    const std::vector<std::wstring> labels = SplitAtDots(text);
    bool numeric = true;
    for (const std::wstring& label : labels) {
        if (label.empty())
            return L"A host name must not begin or end with '.', nor have two dots in a row.";
        if (label.size() > 63)
            return L"Each part of a host name between dots must be at most 63 characters long.";
        if (label.front() == L'-' || label.back() == L'-')
            return L"A part of a host name must not begin or end with '-'.";
        numeric = numeric && NumberForInetAddr(label);
    }
    // A name ending in digits (RFC 1123 keeps top-level names from being
    // numeric) or made of numbers alone could be read as an address.
    if (numeric || AllDigits(labels.back()))
        return L"The host name looks like a number. Type an IPv4 address as four numbers from 0 to 255 "
               L"separated by dots, such as 192.168.1.20.";
    return std::wstring();
}

bool OnlyDigitsAndDots(const std::wstring& text)
{
    for (wchar_t c : text) {
        if (!IsDigit(c) && c != L'.')
            return false;
    }
    return true;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

}  // namespace

bool IsIpv4Address(const std::wstring& text)
{
    std::uint32_t address = 0;
    return ReadIpv4Address(text, address);
}

bool ReadIpv4Address(const std::wstring& text, std::uint32_t& address)
{
    std::uint32_t value = 0;
    if (!Ipv4Problem(text, value).empty())
        return false;
    address = value;
    return true;
}

bool IsHostName(const std::wstring& text)
{
    return !text.empty() && !OnlyDigitsAndDots(text) && HostNameProblem(text).empty();
}

bool IsDeviceAddress(std::uint32_t address)
{
    const std::uint32_t first = address >> 24;
    return first != 0 && first < 224;
}

std::wstring FormatIpv4Address(std::uint32_t address)
{
    return std::to_wstring(address >> 24) + L"." + std::to_wstring((address >> 16) & 0xFF) + L"." +
           std::to_wstring((address >> 8) & 0xFF) + L"." + std::to_wstring(address & 0xFF);
}

bool ParseNetworkAddress(const std::wstring& text, std::wstring& host, unsigned& port, std::wstring& why)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    const std::wstring trimmed = text.substr(begin, end - begin);
    if (trimmed.empty()) {
        why = L"No printer address was given.";
        return false;
    }

    std::wstring hostPart = trimmed;
    unsigned portValue = kDefaultRawPort;
    const std::size_t colon = trimmed.find(L':');
    if (colon != std::wstring::npos) {
        if (trimmed.find(L':', colon + 1) != std::wstring::npos) {
            why = L"The address may have only one ':', before the port number. IPv6 addresses are not supported.";
            return false;
        }
        hostPart = trimmed.substr(0, colon);
        const std::wstring portText = trimmed.substr(colon + 1);
        unsigned long value = 0;
        bool ok = AllDigits(portText);
        for (std::size_t i = 0; ok && i < portText.size(); ++i) {
            value = value * 10 + static_cast<unsigned long>(portText[i] - L'0');
            ok = value <= 65535;
        }
        if (!ok || value == 0) {
            why = L"The port number after ':' must be a whole number from 1 to 65535.";
            return false;
        }
        portValue = static_cast<unsigned>(value);
    }
    if (hostPart.empty()) {
        why = L"The printer's host name or IPv4 address is missing before the ':'.";
        return false;
    }

    if (OnlyDigitsAndDots(hostPart)) {
        std::uint32_t address = 0;
        const std::wstring problem = Ipv4Problem(hostPart, address);
        if (!problem.empty()) {
            why = problem;
            return false;
        }
        if (!IsDeviceAddress(address)) {
            why = L"This is not an address a printer can have: addresses starting with 0, multicast and "
                  L"broadcast addresses (224 and above) are not.";
            return false;
        }
    } else {
        const std::wstring problem = HostNameProblem(hostPart);
        if (!problem.empty()) {
            why = problem;
            return false;
        }
    }
    host = hostPart;
    port = portValue;
    return true;
}
