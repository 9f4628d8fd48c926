// The reply search on arbitrary byte streams that arrive in arbitrary polls,
// in both frame layouts, and frame validation on arbitrary candidates.
//
// Input: flags, command low byte, six address bytes, time-out byte, poll-plan
// seed (4 bytes), embedded payload length (2) and position (2), then the stream.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "link/link_frame.h"
#include "link/serial_port.h"
#include "support/fake_serial_backend.h"

namespace {

using kq::test::Bytes;

constexpr uint8_t FlagModuleLayout = 0x01;  // module-address layout instead of flash-address
constexpr uint8_t FlagEmbed = 0x02;         // build a valid reply and put it into the stream
constexpr uint8_t FlagErrorBit = 0x04;      // the embedded reply carries the error bit
constexpr uint8_t FlagShortTime = 0x08;     // a time-out from the input instead of a generous one
constexpr int GenerousTimeoutMs = 60000;    // outlasts every poll plan below
constexpr int Port = 1;

struct Request {
    bool moduleLayout = false;
    uint16_t code = 0;
    uint32_t address = 0;
    kq::ModuleAddress module{};

    int validate(const uint8_t* candidate, int available, uint8_t* payload, int& length) const {
        return moduleLayout ? kq::validateModuleFrame(code, module, candidate, available, payload, length)
                            : kq::validateFrame(code, address, candidate, available, payload, length);
    }
};

// A reply as the module would send it. In the module layout the wildcard
// bytes of the expected address are replaced by bytes of the input.
Bytes buildReply(const Request& request, bool errorBit, const uint8_t* payload, int n, kq::fuzz::InputReader& in) {
    const auto code = static_cast<uint16_t>(request.code | kq::ReplyBit | (errorBit ? kq::ErrorBit : 0));
    uint8_t frame[kq::FrameBufferBytes];
    int length = 0;
    if (request.moduleLayout) {
        kq::ModuleAddress sent = request.module;
        for (uint8_t& b : sent)
            if (b == kq::WildcardByte) b = in.byte();
        length = kq::buildModuleFrame(frame, code, sent, payload, n);
    } else {
        length = kq::buildFrame(frame, code, request.address, payload, n);
    }
    FUZZ_CHECK(length == n + (request.moduleLayout ? 15 : 13));
    return Bytes(frame, frame + length);
}

// Small deterministic generator for the poll plan.
struct XorShift {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// Whether some position of the stream holds a reply that validates with
// exactly this payload (and which error bit it carries).
bool streamHolds(const Request& request, const Bytes& stream, const uint8_t* payload, int length, bool errorBit) {
    std::vector<uint8_t> candidatePayload(kq::MaxReplyPayload);
    for (size_t i = 0; i < stream.size(); ++i) {
        int n = -1;
        if (request.validate(stream.data() + i, static_cast<int>(stream.size() - i), candidatePayload.data(), n) != 0)
            continue;
        FUZZ_CHECK(n >= 0 && n <= kq::MaxReplyPayload);
        const bool bit = (stream[i + 4] & (kq::ErrorBit >> 8)) != 0;
        if (n == length && bit == errorBit && std::equal(payload, payload + n, candidatePayload.begin())) return true;
    }
    return false;
}

bool streamHoldsAnyReply(const Request& request, const Bytes& stream) {
    std::vector<uint8_t> payload(kq::MaxReplyPayload);
    for (size_t i = 0; i < stream.size(); ++i) {
        int n = -1;
        if (request.validate(stream.data() + i, static_cast<int>(stream.size() - i), payload.data(), n) == 0) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kq::fuzz::InputReader in(data, size);
    const uint8_t flags = in.byte();
    Request request;
    request.moduleLayout = flags & FlagModuleLayout;
    const uint8_t low = in.byte();
    request.code = static_cast<uint16_t>((request.moduleLayout ? 0x1600 : 0x1500) | low);
    for (uint8_t& b : request.module) b = in.byte();
    std::memcpy(&request.address, request.module.data(), sizeof request.address);
    const int timeoutMs = (flags & FlagShortTime) ? in.byte() : GenerousTimeoutMs;
    XorShift plan{in.dword() | 1};
    const int embedLength = in.word() % (kq::MaxReplyPayload + 1);
    const size_t embedAt = in.word();

    // The stream: the input's remaining bytes, with a valid reply put in
    // when asked for.
    const std::string_view rest = in.rest();
    Bytes stream(rest.begin(), rest.end());
    size_t replyEnd = 0;
    if (flags & FlagEmbed) {
        const int n = std::min<int>(embedLength, static_cast<int>(stream.size()));
        const Bytes payload(stream.begin(), stream.begin() + n);
        kq::fuzz::InputReader wildcardBytes(stream.data() + n, stream.size() - static_cast<size_t>(n));
        const Bytes reply = buildReply(request, flags & FlagErrorBit, payload.data(), n, wildcardBytes);
        const size_t at = std::min(embedAt, stream.size());
        stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(at), reply.begin(), reply.end());
        replyEnd = at + reply.size();
    }

    // Validation straight on a candidate that ends exactly where the stream does.
    {
        std::vector<uint8_t> exact(stream.begin(), stream.end());
        std::vector<uint8_t> payload(kq::MaxReplyPayload);
        int length = -1;
        if (request.validate(exact.data(), static_cast<int>(exact.size()), payload.data(), length) == 0)
            FUZZ_CHECK(length >= 0 && length <= kq::MaxReplyPayload);
    }

    kq::test::ScopedFakeSerial serial;
    FUZZ_CHECK(kq::openPort(Port, 0, 8, 0, 0) == kq::PortOpenResult::Opened);
    // The stream arrives in pieces of 1..80 bytes, 0..25 ms apart.
    uint32_t at = 0;
    for (size_t pos = 0; pos < stream.size();) {
        const size_t piece = std::min<size_t>(1 + plan.next() % 80, stream.size() - pos);
        serial.fake.arrive(at, Bytes(stream.begin() + static_cast<std::ptrdiff_t>(pos),
                                     stream.begin() + static_cast<std::ptrdiff_t>(pos + piece)));
        pos += piece;
        at += plan.next() % 26;
    }

    const auto payload = std::make_unique<uint8_t[]>(kq::MaxReplyPayload);
    int length = -1;
    const uint32_t repliesBefore = kq::repliesFound(Port);
    const kq::ReceiveOutcome outcome =
        request.moduleLayout
            ? kq::receiveModuleFrame(Port, request.code, request.module, payload.get(), length, timeoutMs)
            : kq::receiveFrame(Port, request.code, request.address, payload.get(), length, timeoutMs);

    if (outcome == kq::NoValidReply) {
        FUZZ_CHECK(kq::repliesFound(Port) == repliesBefore);
        if (timeoutMs == GenerousTimeoutMs) {
            // Nothing is lost while no more than the hold limit is waiting:
            // a reply that is complete by then is found.
            FUZZ_CHECK(replyEnd == 0 || replyEnd > static_cast<size_t>(kq::ReceiveHoldLimit));
            if (stream.size() <= static_cast<size_t>(kq::ReceiveHoldLimit))
                FUZZ_CHECK(!streamHoldsAnyReply(request, stream));
        }
        return 0;
    }
    // Whatever is delivered is a reply that the stream really holds.
    FUZZ_CHECK(outcome == kq::ReplyOk || outcome == kq::ReplyWithError);
    FUZZ_CHECK(kq::repliesFound(Port) == repliesBefore + 1);
    FUZZ_CHECK(length >= 0 && length <= kq::MaxReplyPayload);
    FUZZ_CHECK(streamHolds(request, stream, payload.get(), length, outcome == kq::ReplyWithError));
    return 0;
}
