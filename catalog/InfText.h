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

// The whole file as text into `text`: the mark chosen by DetectInfEncoding
// is skipped, files without one go through `ansi`. False, with `text`
// empty, for a UTF-8 file that DecodeUtf8 refuses: such a file is not read
// at all, since what it says depends on who decodes it.
bool DecodeInfText(const unsigned char* data, std::size_t size, const AnsiConverter& ansi,
                   std::wstring& text);

// The decoders behind DecodeInfText, for data without its mark.
// UTF-8, strictly: only the well-formed sequences of the Unicode standard
// are decoded (code points above U+FFFF as a surrogate pair). False, with
// `text` empty and `errorOffset` (when given) at the first byte of the
// offending sequence, for anything else: a stray continuation byte, a
// missing one, an overlong form (C0 A2 for '"'), an encoded surrogate
// (ED A0..BF ..), a code point above U+10FFFF, a lead byte F5..FF, or a
// sequence cut off by the end of the data. A lenient decoder would read
// such bytes one way and the system's INF reader another, so that the
// names checked here need not be the names the system sees.
bool DecodeUtf8(const unsigned char* data, std::size_t size, std::wstring& text,
                std::size_t* errorOffset = nullptr);
// UTF-16: a lone last byte (odd length) is dropped.
std::wstring DecodeUtf16(const unsigned char* data, std::size_t size, bool bigEndian);

// Two fixed 8-bit converters usable as AnsiConverter.
std::wstring DecodeLatin1(const unsigned char* data, std::size_t size);
std::wstring DecodeWindows1252(const unsigned char* data, std::size_t size);

// UTF-16 text to UTF-8 bytes (for printing and file names); an unpaired
// surrogate becomes U+FFFD.
std::string EncodeUtf8(const std::wstring& text);

#endif
