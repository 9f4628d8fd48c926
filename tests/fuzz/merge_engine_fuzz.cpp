// The merge engine's file test, record scan and merge on two texts cut from
// the input, and the HEX loader on the merged file.
//
// Input: chip byte, then the bootloader text, a NUL byte, the user text.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "image/hex_image.h"
#include "merge/merge_engine.h"

namespace {

struct Messages {
    std::vector<std::string> shown;
    kq::ShowMessage box() {
        return [this](std::string_view text) { shown.emplace_back(text); };
    }
};

bool passesFileTest(std::string_view text) {
    if (text.size() < kq::MinHexFileSize || text.size() > kq::MaxHexFileSize) return false;
    const std::string_view end = text.ends_with(kq::EndRecordLineCrLf) ? kq::EndRecordLineCrLf
                                 : text.ends_with(kq::EndRecordLineLf)  ? kq::EndRecordLineLf
                                                                        : std::string_view();
    if (end.empty()) return false;
    const char before = text.size() > end.size() ? text[text.size() - end.size() - 1] : '\n';
    return before == '\n' || before == '\r';  // the end record starts its line
}

// The file test answers from the size and the last bytes alone, with one
// message on refusal.
void checkFileTest(const kq::fuzz::ScratchFile& file, std::string_view text, std::string_view label) {
    Messages messages;
    const bool passed = kq::verifyHexFile(file.path(), label, messages.box());
    FUZZ_CHECK(passed == passesFileTest(text));
    FUZZ_CHECK(messages.shown.size() == (passed ? 0u : 1u));
    if (!passed) FUZZ_CHECK(messages.shown[0] == std::string(label) + std::string(kq::DamagedFileMessage));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kq::fuzz::ScratchFile bootFile("boot");
    static const kq::fuzz::ScratchFile userFile("user");
    static const kq::fuzz::ScratchFile mergedFile("merged");

    kq::fuzz::InputReader in(data, size);
    const uint8_t chip = in.byte();
    const int chipFamily = (chip & 0x80) ? chip : (chip & 1);
    const std::string_view rest = in.rest();
    const size_t cut = rest.find('\0');
    const std::string_view boot = rest.substr(0, cut);
    const std::string_view user = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);

    // The scan refuses with exactly one message, or passes silently.
    Messages scanMessages;
    const bool scanned = kq::scanHexPair(boot, user, chipFamily, scanMessages.box());
    FUZZ_CHECK(scanMessages.shown.size() == (scanned ? 0u : 1u));

    bootFile.write(boot);
    userFile.write(user);
    checkFileTest(bootFile, boot, kq::BootFileLabel);
    checkFileTest(userFile, user, kq::UserFileLabel);
    if (!passesFileTest(boot) || !passesFileTest(user)) return 0;

    // Both pass the file test: the merge follows the scan, and the merged file
    // is the bootloader without its end-record line (CR LF or LF) followed by
    // the whole user file.
    mergedFile.write("old");
    Messages mergeMessages;
    const kq::MergeOutcome outcome =
        kq::runMerge(bootFile.path(), userFile.path(), chipFamily, mergedFile.path(), mergeMessages.box());
    if (!scanned) {
        FUZZ_CHECK(outcome == kq::MergeOutcome::Refused);
        FUZZ_CHECK(mergeMessages.shown == scanMessages.shown);
        FUZZ_CHECK(mergedFile.readBack() == "old");
        return 0;
    }
    FUZZ_CHECK(outcome == kq::MergeOutcome::Merged);
    FUZZ_CHECK(mergeMessages.shown.empty());
    const size_t endLine = boot.ends_with(kq::EndRecordLineCrLf) ? kq::EndRecordLineCrLf.size() : kq::EndRecordLineLf.size();
    std::string expected(boot.substr(0, boot.size() - endLine));
    expected += user;
    FUZZ_CHECK(mergedFile.readBack() == expected);

    // The HEX loader reads every record of the merged file: it may refuse an
    // address outside its window, or a file without data, never a record.
    static kq::FirmwareImage image;  // 512 KiB: not on the stack
    kq::HexLoadReport report;
    kq::loadHexImage({mergedFile.path(), "0", chipFamily, kq::LocalUpgrade, 0}, image, {}, &report);
    FUZZ_CHECK(report.problem != kq::HexLoadProblem::Malformed);
    return 0;
}
