// The parameter-file reader on arbitrary file content, and the writer and
// reader together on records built from the input.
//
// Input: a mode byte; mode bit 0 clear: the file content; set: a record (five
// texts separated by 0x01, then seven 4-byte numbers).
#include <array>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "tool_files/parameter_file.h"

namespace {

using kq::ParameterRecord;

// The texts of a record, in file order.
std::array<const std::string*, 5> texts(const ParameterRecord& r) {
    const kq::UpgradeSettings& s = r.settings;
    return {&s.hexPath, &r.hexFileTimeText, &s.moduleAddress, &s.userOffsetHex, &s.upgradeOffsetHex};
}

bool sameRecord(const ParameterRecord& a, const ParameterRecord& b) {
    const kq::UpgradeSettings& x = a.settings;
    const kq::UpgradeSettings& y = b.settings;
    for (std::size_t i = 0; i < texts(a).size(); ++i)
        if (*texts(a)[i] != *texts(b)[i]) return false;
    return x.frameDataLength == y.frameDataLength && x.baudRate == y.baudRate && x.parity == y.parity &&
           x.upgradeAreaKiB == y.upgradeAreaKiB && x.chipFamily == y.chipFamily &&
           x.bootloadType == y.bootloadType && a.savedPortIndex == b.savedPortIndex;
}

bool textsAreUtf8(const ParameterRecord& r) {
    for (const std::string* text : texts(r))
        if (!kq::fuzz::isUtf8(*text)) return false;
    return true;
}

// Written bytes end in the NUL, read back as the same record, and writing
// that again gives the same bytes.
void checkRoundTrip(const ParameterRecord& record, const std::string& bytes) {
    FUZZ_CHECK(!bytes.empty() && bytes.back() == '\0' && bytes.find('\0') == bytes.size() - 1);
    const auto back = kq::parseParameterBytes(bytes);
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(sameRecord(*back, record));
    const auto again = kq::encodeParameterBytes(*back);
    FUZZ_CHECK(again.has_value() && *again == bytes);
    // An older, longer record behind the NUL changes nothing.
    FUZZ_CHECK(kq::parseParameterBytes(bytes + "#x##y##z#").has_value());
    FUZZ_CHECK(sameRecord(*kq::parseParameterBytes(bytes + "#x##y##z#"), record));
}

void checkFileContent(std::string_view fileBytes) {
    const auto record = kq::parseParameterBytes(fileBytes);
    if (!record) return;
    FUZZ_CHECK(textsAreUtf8(*record));
    // Texts read from a file cannot hold the field mark.
    for (const std::string* text : texts(*record))
        FUZZ_CHECK(text->find('#') == std::string::npos && text->find('\0') == std::string::npos);
    // A record read can be written unless a damaged text grew past the field
    // limit once its unreadable bytes became replacement characters.
    const auto bytes = kq::encodeParameterBytes(*record);
    if (bytes) checkRoundTrip(*record, *bytes);
}

void checkBuiltRecord(kq::fuzz::InputReader& in) {
    ParameterRecord record;
    kq::UpgradeSettings& s = record.settings;
    std::string* fields[] = {&s.hexPath, &record.hexFileTimeText, &s.moduleAddress, &s.userOffsetHex,
                             &s.upgradeOffsetHex};
    for (std::string* text : fields) {
        for (uint8_t b = in.byte(); b != 0x01 && !in.empty(); b = in.byte()) text->push_back(static_cast<char>(b));
    }
    int* numbers[] = {&s.frameDataLength, &s.baudRate, &s.parity, &s.upgradeAreaKiB, &s.chipFamily, &s.bootloadType,
                      &record.savedPortIndex};
    for (int* number : numbers) *number = static_cast<int>(in.dword());

    const auto bytes = kq::encodeParameterBytes(record);
    bool writable = textsAreUtf8(record);
    for (const std::string* text : fields)
        writable = writable && text->find('#') == std::string::npos && text->find('\0') == std::string::npos;
    if (!bytes) {
        // Refused only for a reason the writer names: a mark, a NUL, bad
        // UTF-8, or a field too long on disk.
        // (GB18030 takes at most twice the UTF-8 bytes of a text.)
        bool tooLong = false;
        for (const std::string* text : fields) tooLong = tooLong || text->size() > kq::MaxParameterFieldBytes / 2;
        FUZZ_CHECK(!writable || tooLong);
        return;
    }
    FUZZ_CHECK(writable);
    checkRoundTrip(record, *bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kq::fuzz::InputReader in(data, size);
    if (in.byte() & 1)
        checkBuiltRecord(in);
    else
        checkFileContent(in.rest());
    return 0;
}
