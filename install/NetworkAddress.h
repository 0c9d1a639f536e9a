// The address of a network printer as a person types it: "HOST[:PORT]".
// Pure rules, no Windows headers.
//
// HOST is an IPv4 address in the dotted form (four decimal parts) or a DNS
// host name. The text later goes to inet_addr or gethostbyname, which read
// more than they should: inet_addr takes "010.1.1.1" as octal (8.1.1.1),
// "0x7f.1" as hexadecimal and "10.1" as 10.0.0.1, and a resolver may treat a
// numeric-looking name as an address. Only the one unambiguous spelling of
// each is accepted, so the printer the user meant is the one probed.
#ifndef QV_INSTALL_NETWORKADDRESS_H
#define QV_INSTALL_NETWORKADDRESS_H

#include <cstdint>
#include <string>

// The raw TCP port printers listen on (HP's "JetDirect" port, in every
// printer's manual as "port 9100").
const unsigned kDefaultRawPort = 9100;

// Reads "HOST[:PORT]" (blanks around the whole text are ignored). On success
// `host` is HOST as typed and `port` is PORT, or 9100 when none is given; on
// failure both are untouched and `why` says in plain English what is wrong,
// for an error message.
bool ParseNetworkAddress(const std::wstring& text, std::wstring& host, unsigned& port, std::wstring& why);

// True for an IPv4 address in the dotted form: four decimal parts 0..255,
// digits only, no part empty or with a leading zero.
bool IsIpv4Address(const std::wstring& text);

// The address of a dotted IPv4 text in host byte order (the first part in
// the top byte); false when IsIpv4Address is false.
bool ReadIpv4Address(const std::wstring& text, std::uint32_t& address);

// True for a DNS host name we accept: letters a-z (either case), digits and
// '-', labels of 1..63 characters separated by '.', neither starting nor
// ending with '-', 253 characters at most, and not numeric-looking (a last
// label of digits only, or every label a number as inet_addr reads numbers).
bool IsHostName(const std::wstring& text);

// True for the address of one device that a printer may have: not 0.x.x.x
// ("this network"), not multicast (224-239.x.x.x), not reserved or broadcast
// (240-255.x.x.x). Loopback addresses count, for the bench's simulated
// printer. In host byte order.
bool IsDeviceAddress(std::uint32_t address);

// "a.b.c.d" for an address in host byte order.
std::wstring FormatIpv4Address(std::uint32_t address);

#endif
