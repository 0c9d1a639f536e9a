// What the catalogue takes from an INF file's text, and the SecurityID
// check that decides whether the file is listed.
//
// The text is not parsed as an INF: the fields are found by plain,
// case-sensitive substring searches for "LPTENUM\", "USBPRINT\",
// "SecurityID=" and "QuorvexConnections=", so the same rules hold for any
// layout of the file.
#ifndef QV_CATALOG_INFFIELDS_H
#define QV_CATALOG_INFFIELDS_H

#include <cstddef>
#include <string>
#include <vector>

struct InfIds {
    std::wstring manufacturer;   // empty when neither id line names one
    std::wstring lptIdSuffix;    // "FFFF" without a parallel id line
    std::wstring usbIdSuffix;    // "FFFF" without a USB id line
    std::wstring securityId;     // the raw value after "SecurityID=", cleaned
    // The connections the maker declares besides the hardware ids' USB and
    // parallel: the comma-separated words after the first
    // "QuorvexConnections=" up to the line's end or a ';' comment, in any
    // letter case. Words that name no connection are kept for the report.
    bool network = false;
    bool serial = false;
    std::vector<std::wstring> unknownConnections;
};

// The key of that line, for the packaging tool that writes it.
extern const wchar_t kConnectionsKey[];

// Letters a..z to A..Z; nothing else changes (file names and hardware ids
// are ASCII, and both sides of the SecurityID check must agree).
std::wstring UpperCaseAscii(const std::wstring& text);

// `modelKey` is the upper-case INF base name. A hardware id line runs to the
// next line feed, or to the end of the text on the last line.
InfIds ParseInfIds(const std::wstring& text, const std::wstring& modelKey);

// Upper-cases `text`, removes its spaces and reads exactly 2*count hex
// digits into `bytes`. On any failure `bytes` is all zero and false returns.
bool DecodeHexBlock(const std::wstring& text, unsigned char* bytes, std::size_t count);

// Standard TEA on one 64-bit block (two little-endian words, 32 cycles)
// with a 128-bit key (four little-endian words); in place.
void TeaDecipherBlock(unsigned char block[8], const unsigned char key[16]);
void TeaEncipherBlock(unsigned char block[8], const unsigned char key[16]);

// nameNumber + the last four characters of usbIdSuffix, at most 15
// characters, upper case: what a file's SecurityID must decipher to.
std::wstring ExpectedSecurityName(const std::wstring& nameNumber, const std::wstring& usbIdSuffix);

struct SecurityCheck {
    bool wellFormed = false;   // the value held exactly 32 hex digits
    bool terminated = false;   // the deciphered bytes held a zero byte
    std::wstring decodedName;  // deciphered bytes up to the zero, upper case
    std::wstring expectedName;
    bool accepted = false;
};

// The authenticity check of one file. The deciphered bytes are read as
// Latin-1 (byte value = code unit), whatever the machine's code page, so a
// value made by the packaging tool means the same on every system.
SecurityCheck CheckSecurityId(const std::wstring& securityId, const std::wstring& nameNumber,
                              const std::wstring& usbIdSuffix);

// The value CheckSecurityId accepts for `expectedName`: the name as Latin-1
// bytes, zero-padded to 16, enciphered as two blocks, 32 upper-case hex
// digits. False (and `securityId` empty) when the name is longer than 15
// characters or holds a character above U+00FF.
bool MakeSecurityId(const std::wstring& expectedName, std::wstring& securityId);

#endif
