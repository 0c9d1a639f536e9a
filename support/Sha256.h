// SHA-256 (FIPS 180-2), our own: the digest the installer checks the
// package's files with, and the one the packaging tool lists them with.
// Windows 2000's system cryptography has no SHA-256, so it is computed here.
// Plain C++: no Windows headers, built for both targets.
#ifndef QV_SUPPORT_SHA256_H
#define QV_SUPPORT_SHA256_H

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    // Feeds the next bytes; any number of calls, of any size.
    void Update(const void* data, std::size_t size);
    // The digest of everything fed, as 64 lowercase hex digits. Ends the
    // computation: feed nothing after it.
    std::string FinishHex();

private:
    void Block(const unsigned char* block);

    std::uint32_t m_state[8];
    unsigned char m_buffer[64];
    std::size_t m_buffered;
    std::uint64_t m_totalBytes;
};

// The digest of `size` bytes at `data`, as 64 lowercase hex digits.
std::string Sha256Hex(const void* data, std::size_t size);

#endif
