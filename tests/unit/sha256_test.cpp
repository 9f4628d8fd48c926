// SHA-256 against the standard test vectors, whole and fed in pieces.
#include <gtest/gtest.h>

#include <string>

#include "formats/sha256.h"

namespace kq {
namespace {

struct Vector {
    std::string message;
    const char* digest;
};

const Vector Vectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    // 448 bits: the padding needs a second block.
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
     "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, StandardVectors) {
    for (const Vector& v : Vectors) EXPECT_EQ(sha256Hex(v.message), v.digest) << v.message.size() << " bytes";
}

// Pieces that straddle the 64-byte blocks give the digest of the whole.
TEST(Sha256, PiecesGiveTheDigestOfTheWhole) {
    for (const Vector& v : Vectors) {
        for (const size_t piece : {size_t{1}, size_t{55}, size_t{63}, size_t{65}}) {
            Sha256 hash;
            for (size_t at = 0; at < v.message.size(); at += piece) hash.update(std::string_view(v.message).substr(at, piece));
            std::string text;
            for (const uint8_t byte : hash.finish()) {
                static constexpr char Digits[] = "0123456789abcdef";
                text += Digits[byte >> 4];
                text += Digits[byte & 0x0F];
            }
            EXPECT_EQ(text, v.digest) << v.message.size() << " bytes in pieces of " << piece;
        }
    }
}

}  // namespace
}  // namespace kq
