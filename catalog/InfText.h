// Turning the raw bytes of an INF file into UTF-16 text.
//
// Nothing here touches the platform: the installer passes a converter for
// files without a byte order mark (the code page of the keyboard layout's
// language), the packaging tool and the tests pass their own.
#ifndef QV_CATALOG_INFTEXT_H
#define QV_CATALOG_INFTEXT_H

#include <cstddef>
#include <functional>
#include <string>

enum class InfEncoding {
    Ansi,       // no byte order mark: 8-bit text in some code page
    Utf16LE,    // FF FE
    Utf16BE,    // FE FF
    Utf8        // EF BB BF
};

// Converts 8-bit text of a code page to UTF-16 (one code unit per wchar_t).
typedef std::function<std::wstring(const unsigned char* data, std::size_t size)> AnsiConverter;

// Looks at the first bytes only; `markLength` receives the length of the
// byte order mark (0 for Ansi).
InfEncoding DetectInfEncoding(const unsigned char* data, std::size_t size,
                              std::size_t& markLength);

// The whole file as text: the mark chosen by DetectInfEncoding is skipped,
// files without one go through `ansi`.
std::wstring DecodeInfText(const unsigned char* data, std::size_t size,
                           const AnsiConverter& ansi);

// The decoders behind DecodeInfText, for data without its mark.
// UTF-8: a lead byte 0xC0..0xDF takes one continuation byte, 0xE0..0xEF and
// 0xF5..0xFF two, 0xF0..0xF4 three (giving a surrogate pair); continuation
// bytes are not validated. A stray continuation byte and a four-byte value
// outside U+10000..U+10FFFF give U+FFFD. A sequence cut off by the end of
// the data is dropped.
std::wstring DecodeUtf8(const unsigned char* data, std::size_t size);
// UTF-16: a lone last byte (odd length) is dropped.
std::wstring DecodeUtf16(const unsigned char* data, std::size_t size, bool bigEndian);

// Two fixed 8-bit converters usable as AnsiConverter.
std::wstring DecodeLatin1(const unsigned char* data, std::size_t size);
std::wstring DecodeWindows1252(const unsigned char* data, std::size_t size);

// UTF-16 text to UTF-8 bytes (for printing and file names); an unpaired
// surrogate becomes U+FFFD.
std::string EncodeUtf8(const std::wstring& text);

#endif
