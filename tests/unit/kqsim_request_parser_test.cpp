// Finding requests of both layouts in the byte stream from the line.
#include <gtest/gtest.h>

#include <string>

#include "sim/request_parser.h"
#include "unit/kqsim_test_frames.h"

namespace kq::sim {
namespace {

using test::Bytes;
using test::flashFrame;
using test::join;
using test::moduleFrame;

const ModuleAddress Module = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};

std::vector<Request> parseAll(RequestParser& parser) {
    std::vector<Request> found;
    while (std::optional<Request> request = parser.next()) found.push_back(*request);
    return found;
}

std::vector<Request> parseAll(const Bytes& bytes) {
    RequestParser parser;
    parser.feed(bytes.data(), bytes.size(), 0);
    return parseAll(parser);
}

TEST(KqsimRequestParser, FlashLayoutFields) {
    const std::vector<Request> found = parseAll(flashFrame(0x1508, 0x00FF1200, {0xAB, 0xCD, 0xEF}));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].layout, FrameLayout::Flash);
    EXPECT_EQ(found[0].code, 0x1508);
    EXPECT_EQ(found[0].address, 0x00FF1200u);
    EXPECT_EQ(found[0].payload, (Bytes{0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(found[0].frameBytes, 16);
}

TEST(KqsimRequestParser, ModuleLayoutFields) {
    const std::vector<Request> found = parseAll(moduleFrame(0x1602, Module, {0, 0, 2, 0, 0x55}));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].layout, FrameLayout::Module);
    EXPECT_EQ(found[0].code, 0x1602);
    EXPECT_EQ(found[0].module, Module);
    EXPECT_EQ(found[0].payload, (Bytes{0, 0, 2, 0, 0x55}));
    EXPECT_EQ(found[0].frameBytes, 20);
}

// Streams that hold exactly one good handshake somewhere; each row puts
// something a receiver must pass over in front of it or around it.
struct StreamRow {
    const char* name;
    Bytes stream;
};

class KqsimParserSkips : public ::testing::TestWithParam<StreamRow> {};

TEST_P(KqsimParserSkips, FindsTheOneGoodRequest) {
    const std::vector<Request> found = parseAll(GetParam().stream);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].code, 0x15FF);
    EXPECT_EQ(found[0].address, 0u);
}

Bytes withBadCrc() {
    Bytes frame = flashFrame(0x1501, 0);
    frame[frame.size() - 2] ^= 0x01;
    return frame;
}
Bytes withBadEnd() {
    Bytes frame = flashFrame(0x1501, 0);
    frame.back() = 0x17;
    return frame;
}
Bytes replyFrame() { return flashFrame(0x95FF, 0); }
Bytes moduleCodeTooShort() {
    // A 0x16xx code with the flash layout's L = 6 cannot hold a module address.
    Bytes frame = flashFrame(0x1603, 0);
    return frame;
}

const Bytes Handshake = flashFrame(0x15FF, 0);

INSTANTIATE_TEST_SUITE_P(
    Rows, KqsimParserSkips,
    ::testing::Values(
        StreamRow{"GarbageBefore", join({{0x00, 0x16, 0xFF, 0x68, 0x68, 0x12}, Handshake})},
        StreamRow{"StrayHeaderPromisingALongFrame", join({{0x68, 0x01, 0xF0, 0x68, 0x15, 0x08}, Handshake})},
        StreamRow{"BadCrcBefore", join({withBadCrc(), Handshake})},
        StreamRow{"BadEndByteBefore", join({withBadEnd(), Handshake})},
        StreamRow{"EchoedReplyBefore", join({replyFrame(), Handshake})},
        StreamRow{"ModuleCodeWithFlashLength", join({moduleCodeTooShort(), Handshake})},
        StreamRow{"OversizedLengthBefore", join({{0x68, 0x03, 0xFA, 0x68, 0x15, 0xFF}, Handshake})},
        StreamRow{"GarbageAfter", join({Handshake, {0x00, 0x68, 0x00}})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KqsimRequestParser, RequestSplitOverManyReadsCompletesWithItsLastByte) {
    const Bytes frame = flashFrame(0x1508, 0xFF1000, Bytes(512, 0x5A));
    RequestParser parser;
    const Bytes noise = {0x01, 0x68, 0x02};
    parser.feed(noise.data(), noise.size(), 1.0);
    for (size_t i = 0; i + 1 < frame.size(); ++i) {
        parser.feed(&frame[i], 1, 10.0 + static_cast<double>(i));
        ASSERT_FALSE(parser.next().has_value()) << "complete after byte " << i;
    }
    parser.feed(&frame.back(), 1, 1000.0);
    const std::optional<Request> request = parser.next();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->payload.size(), 512u);
    EXPECT_DOUBLE_EQ(request->firstByteMs, 10.0);  // the read that brought its start byte
    EXPECT_EQ(parser.heldBytes(), 0u);
    EXPECT_EQ(parser.skippedBytes(), noise.size());
}

TEST(KqsimRequestParser, BytesAfterAFrameStayForTheNext) {
    const Bytes first = flashFrame(0x1501, 0);
    const Bytes second = moduleFrame(0x1603, Module);
    const Bytes stream = join({first, second});
    RequestParser parser;
    // The second frame's first half comes with the first frame.
    const size_t cut = first.size() + 5;
    parser.feed(stream.data(), cut, 1.0);
    std::vector<Request> found = parseAll(parser);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].code, 0x1501);
    EXPECT_EQ(parser.heldBytes(), 5u);
    parser.feed(stream.data() + cut, stream.size() - cut, 2.0);
    found = parseAll(parser);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].code, 0x1603);
    EXPECT_DOUBLE_EQ(found[0].firstByteMs, 1.0);
}

TEST(KqsimRequestParser, BackToBackRequestsInOrder) {
    const std::vector<Request> found =
        parseAll(join({flashFrame(0x15FC, 0), flashFrame(0x1500, 0), moduleFrame(0x1600, Module)}));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].code, 0x15FC);
    EXPECT_EQ(found[1].code, 0x1500);
    EXPECT_EQ(found[2].code, 0x1600);
}

TEST(KqsimRequestParser, EndlessGarbageIsNotHoarded) {
    RequestParser parser;
    Bytes garbage(10000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37);
    garbage.back() = 0x68;  // a start byte that may yet begin a frame
    parser.feed(garbage.data(), garbage.size(), 0);
    EXPECT_FALSE(parser.next().has_value());
    EXPECT_LT(parser.heldBytes(), static_cast<size_t>(MaxRequestFrameBytes));
    parser.feed(Handshake.data(), Handshake.size(), 0);
    EXPECT_TRUE(parser.next().has_value());
}

}  // namespace
}  // namespace kq::sim
