#include "merge/merge_engine.h"

#include "image/chip_family.h"
#include "image/hex_record.h"
#include "image/text_line_reader.h"
#include "platform/whole_file.h"

namespace kq {
namespace {

constexpr std::string_view EndRecordLine = ":00000001FF";  // the line that ends a scan, without its line end

struct FamilyRules {
    int chipFamily;
    uint32_t addressLimit;  // lowest start address refused
    std::string_view bootTooLarge;
    std::string_view userTooLarge;
};

constexpr FamilyRules Kq581xRules{Kq581x, Kq581xAddressLimit, "引导程序超63.5K!", "用户程序超63.5K!"};
constexpr FamilyRules Kq58xxRules{Kq58xx, Kq58xxAddressLimit, "引导程序超512K!", "用户程序超512K!"};

const FamilyRules& rulesFor(int chipFamily) { return isKq581x(chipFamily) ? Kq581xRules : Kq58xxRules; }

void tell(const ShowMessage& showMessage, std::string_view text) {
    if (showMessage) showMessage(text);
}

void tellAboutFile(const ShowMessage& showMessage, std::string_view label, std::string_view reason) {
    tell(showMessage, std::string(label) + std::string(reason));
}

// Reads one input whole and runs the file test on its bytes.
bool loadHexFile(const std::string& path, std::string_view label, const ShowMessage& showMessage,
                 std::string& bytes) {
    WholeFile file = readWholeFile(path, MaxHexFileSize);
    switch (file.status) {
    case WholeFile::CannotOpen:
        tellAboutFile(showMessage, label, MissingFileMessage);
        return false;
    case WholeFile::TooLarge:
    case WholeFile::ReadError:
        tellAboutFile(showMessage, label, DamagedFileMessage);
        return false;
    case WholeFile::Read:
        break;
    }
    const std::string_view content = file.bytes;
    if (content.size() < MinHexFileSize || endRecordLineLength(content) == 0) {
        tellAboutFile(showMessage, label, DamagedFileMessage);
        return false;
    }
    bytes = std::move(file.bytes);
    return true;
}

// Walks the records of one file, read as the HEX loader reads it (the same
// lines, the same record rule), up to its first exact end-record line, and
// hands every data record's start address and count to onData, which returns
// false to end the scan. recordBase, set by extended address records, carries
// across calls. A record the loader would refuse, or a line longer than it
// reads, ends the scan with label + "第N行格式错误!". Returns false once a
// message has been shown.
template <typename OnData>
bool scanRecords(std::string_view text, std::string_view label, const FamilyRules& rules, uint32_t& recordBase,
                 const ShowMessage& showMessage, OnData onData) {
    const auto refuseLine = [&](int lineNumber) {
        tell(showMessage, lineFormatErrorMessage(label, lineNumber));
        return false;
    };
    TextLineReader reader(text);
    HexRecord record;
    for (int lineNumber = 1;; ++lineNumber) {
        const TextLineReader::Read read = reader.next();
        if (read == TextLineReader::Read::End) return true;
        if (read != TextLineReader::Read::Line) return refuseLine(lineNumber);  // too long (a text cannot fail)
        const std::string_view line = reader.line();
        if (!line.starts_with(':')) continue;
        if (line == EndRecordLine) return true;
        if (!parseHexRecord(line, record)) return refuseLine(lineNumber);
        if (record.type == HexExtendedSegment || record.type == HexExtendedLinear) {
            recordBase = extendedAddressBase(record.type, record.word(), rules.chipFamily);
            continue;
        }
        if (record.type != HexData) continue;  // end records written otherwise, start addresses
        const uint32_t address = recordBase + record.address;  // below 2^32: the base is at most 0xFFFF0000
        if (!onData(address, uint32_t(record.count))) return false;
    }
}

// The bootloader without its closing end-record line, then the whole user program.
std::string mergedBytes(std::string_view boot, std::string_view user) {
    const std::string_view bootPart = boot.substr(0, boot.size() - endRecordLineLength(boot));
    std::string merged;
    merged.reserve(bootPart.size() + user.size());
    merged.append(bootPart);
    merged.append(user);
    return merged;
}

}  // namespace

std::string lineFormatErrorMessage(std::string_view label, int lineNumber) {
    return std::string(label) + "第" + std::to_string(lineNumber) + "行格式错误!";
}

std::size_t endRecordLineLength(std::string_view content) {
    std::size_t length = 0;
    if (content.ends_with(EndRecordLineCrLf)) length = EndRecordLineCrLf.size();
    else if (content.ends_with(EndRecordLineLf)) length = EndRecordLineLf.size();
    // On a line of its own: cut off after "text:00000001FF", the text would
    // run on into the user program's first line in the merged file.
    if (length == 0 || length == content.size()) return length;
    const char before = content[content.size() - length - 1];
    return before == '\n' || before == '\r' ? length : 0;
}

bool verifyHexFile(const std::string& path, std::string_view label, const ShowMessage& showMessage) {
    std::string bytes;
    return loadHexFile(path, label, showMessage, bytes);
}

bool scanHexPair(std::string_view bootText, std::string_view userText, int chipFamily,
                  const ShowMessage& showMessage) {
    const FamilyRules& rules = rulesFor(chipFamily);
    uint32_t recordBase = 0;
    uint32_t bootEnd = 0;  // one past the highest bootloader data byte

    const bool bootPassed =
        scanRecords(bootText, BootFileLabel, rules, recordBase, showMessage, [&](uint32_t address, uint32_t count) {
            if (address >= rules.addressLimit) {
                tell(showMessage, rules.bootTooLarge);
                return false;
            }
            // address < 0x80000 here, so address + count cannot wrap.
            if (count > 0 && address + count > bootEnd) bootEnd = address + count;
            return true;
        });
    if (!bootPassed) return false;

    return scanRecords(userText, UserFileLabel, rules, recordBase, showMessage,
                       [&](uint32_t address, uint32_t) {
                           if (address < bootEnd) {
                               tell(showMessage, OverlapMessage);
                               return false;
                           }
                           if (address >= rules.addressLimit) {
                               tell(showMessage, rules.userTooLarge);
                               return false;
                           }
                           return true;
                       });
}

bool writeMergedFile(const std::string& bootPath, const std::string& userPath, const std::string& outputPath) {
    const WholeFile boot = readWholeFile(bootPath, MaxHexFileSize);
    const WholeFile user = readWholeFile(userPath, MaxHexFileSize);
    if (boot.status != WholeFile::Read || user.status != WholeFile::Read) return false;
    if (endRecordLineLength(boot.bytes) == 0) return false;
    return writeFileAtomically(outputPath, mergedBytes(boot.bytes, user.bytes));
}

MergeOutcome runMerge(const std::string& bootPath, const std::string& userPath, int chipFamily,
                      const std::string& outputPath, const ShowMessage& showMessage) {
    std::string boot, user;
    if (!loadHexFile(bootPath, BootFileLabel, showMessage, boot)) return MergeOutcome::Refused;
    if (!loadHexFile(userPath, UserFileLabel, showMessage, user)) return MergeOutcome::Refused;
    if (!scanHexPair(boot, user, chipFamily, showMessage)) return MergeOutcome::Refused;
    if (!writeFileAtomically(outputPath, mergedBytes(boot, user))) {
        tell(showMessage, WriteFailedMessage);
        return MergeOutcome::WriteFailed;
    }
    return MergeOutcome::Merged;
}

bool mergeHexFiles(const std::string& bootPath, const std::string& userPath, int chipFamily,
                   const MergeHost& host) {
    const std::string outputPath = host.outputFolder + std::string(MergedFileName);
    if (runMerge(bootPath, userPath, chipFamily, outputPath, host.showMessage) != MergeOutcome::Merged) return false;
    tell(host.showMessage, MergedMessage);
    return true;
}

}  // namespace kq
