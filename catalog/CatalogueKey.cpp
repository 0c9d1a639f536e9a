#include "catalog/CatalogueKey.h"

#include <cstdint>

void AssembleCatalogueKey(unsigned char key[16])
{
    // Each word is a seed mixed with a step of a small linear congruential
    // sequence, so the bytes appear nowhere in the binary as such.
    // Changing any constant here invalidates every signed INF file.
    static const std::uint32_t kSeeds[4] = {0x5178A3C2u, 0x0E94D1B7u, 0xC3265F08u, 0x7AB0E61Du};
    std::uint32_t state = 0x2F6B9D41u;
    for (int word = 0; word < 4; ++word) {
        state = state * 1664525u + 1013904223u;
        std::uint32_t mixed = kSeeds[word] ^ ((state << 7) | (state >> 25));
        for (int b = 0; b < 4; ++b)
            key[4 * word + b] = static_cast<unsigned char>(mixed >> (8 * b));
    }
}
