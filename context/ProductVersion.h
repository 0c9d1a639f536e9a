// The product's version as the program carries it, and as the record and
// the list of programs keep it: four numbers, "1.0.0.0". The running
// program reads its own from its version resource (a test build that says
// it is another version then is that version everywhere); an installation
// compares it with the one installed, so that an older release does not
// replace a newer one unasked. Pure: the resource's bytes come from outside.
#ifndef QV_CONTEXT_PRODUCTVERSION_H
#define QV_CONTEXT_PRODUCTVERSION_H

#include <cstddef>
#include <cstdint>
#include <string>

struct ProductVersion {
    std::uint16_t part[4] = {0, 0, 0, 0};
};

// The product version of a VS_VERSIONINFO resource (`data`, `size` bytes):
// its fixed file information's product version. False when the bytes are
// no version resource.
bool ReadProductVersion(const unsigned char* data, std::size_t size, ProductVersion& version);

// "1.0.0.0".
std::wstring VersionText(const ProductVersion& version);

// The version a text such as "1.0.0.0" names: one to four numbers of at most
// 65535, separated by dots, missing ones 0. False for anything else.
bool ParseVersionText(const std::wstring& text, ProductVersion& version);

// Less than 0, 0 or more than 0 as `a` is older than, the same as or newer
// than `b`.
int CompareVersions(const ProductVersion& a, const ProductVersion& b);

#endif
