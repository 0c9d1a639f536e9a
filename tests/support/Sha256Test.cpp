// SHA-256 against the published examples, whole and fed in odd pieces.
#include "support/Sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Vector {
    std::string message;
    const char* digest;
};

std::vector<Vector> PublishedVectors()
{
    return {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        // 55, 56 and 64 bytes: the padding just fits, just spills, a whole block.
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    };
}

TEST(Sha256, PublishedVectorsWhole)
{
    for (const Vector& v : PublishedVectors())
        EXPECT_EQ(v.digest, Sha256Hex(v.message.data(), v.message.size())) << v.message.size() << " bytes";
}

TEST(Sha256, PublishedVectorsInOddPieces)
{
    const std::size_t pieces[] = {1, 3, 7, 63, 65, 127, 4099};
    for (const Vector& v : PublishedVectors()) {
        for (std::size_t piece : pieces) {
            Sha256 sha;
            sha.Update(v.message.data(), 0);  // an empty feed changes nothing
            for (std::size_t at = 0; at < v.message.size(); at += piece) {
                const std::size_t n = v.message.size() - at < piece ? v.message.size() - at : piece;
                sha.Update(v.message.data() + at, n);
            }
            EXPECT_EQ(v.digest, sha.FinishHex()) << v.message.size() << " bytes in pieces of " << piece;
        }
    }
}

TEST(Sha256, EveryByteValueCounts)
{
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
    const std::string digest = Sha256Hex(bytes.data(), bytes.size());
    EXPECT_EQ("40aff2e9d2d8922e47afd4648e6967497158785fbd1da870e7110266bf944880", digest);
    bytes[200] ^= 1;
    EXPECT_NE(digest, Sha256Hex(bytes.data(), bytes.size()));
}

}  // namespace
