#include "production/run_fields.h"

#include <array>

#include "link/module_address.h"
#include "link/serial_port.h"
#include "production/outcome.h"

namespace kq::production {

namespace {

using K = FieldKind;

constexpr std::array<FieldDefinition, 41> Fields = {{
    {"run_id", K::Text, "run id"},  // the record's key in the journal, the outbox and the database
    {"program", K::Text, ""},  // the record's title and its version line name it
    {"version", K::Text, "version"},
    {"host", K::Text, "host"},
    // A station's cycle: which station, which port by its stable name, which
    // cycle of that port, and the adapter behind the port.
    {"station", K::Text, "station"},
    {"port_name", K::Text, "port name"},
    {"cycle", K::Integer, "cycle"},
    {"adapter", K::Text, "adapter"},
    {"latency_timer_ms", K::Integer, "latency timer"},
    {"started", K::Text, "started"},
    {"port", K::Text, "port"},
    {"slot", K::Text, ""},  // the port line adds it when the port was given as a device
    {"device", K::Text, "device"},
    {"baud", K::Integer, "baud"},
    {"parity", K::Text, "parity"},
    {"chip", K::Text, "chip"},
    {"type", K::Text, "bootload type"},
    {"user_offset", K::Text, "user offset"},
    {"upgrade_offset", K::Text, "upgrade offset"},
    {"area_kib", K::Integer, "upgrade area"},
    {"frame", K::Integer, "frame length"},
    {"module_address", K::Text, "module address"},
    {"result", K::Text, "result"},
    {"exit_status", K::Integer, "exit status"},
    {"step", K::Text, "step"},
    {"duration_s", K::Number, "duration"},
    {"hex_path", K::Text, "hex file"},
    {"hex_size", K::Integer, "hex size"},
    {"hex_modified", K::Text, "hex modified"},
    {"hex_sha256", K::Text, "hex sha256"},
    {"image_length", K::Integer, "image length"},
    {"sectors", K::Integer, "sectors"},
    {"address_range", K::Text, "addresses"},
    {"image_crc16", K::Text, "image crc16"},
    {"warnings", K::TextList, "warnings"},  // what a file that loaded may hide; absent when nothing
    {"ports", K::TextList, "ports"},
    {"modules", K::TextList, "modules"},
    {"hint", K::Text, "hint"},
    {"message", K::Text, ""},  // check's refusal, on standard error as well
    {"record", K::Text, ""},   // the record file itself
    {"log", K::TextList, ""},  // the record file has the lines with their times
}};

constexpr std::string_view ProgramName = "flashwright-cli";

// Collects the facts of one run or check in the order of the field list,
// whatever order they are added in.
class FactsBuilder {
public:
    FactsBuilder& add(std::string_view name, FieldData data) { return put(name, std::move(data)); }
    FactsBuilder& unknown(std::string_view name) { return put(name, std::nullopt); }
    template <typename T>
    FactsBuilder& maybe(std::string_view name, const std::optional<T>& data) {
        return data ? add(name, FieldData(*data)) : unknown(name);
    }
    Facts done() {
        Facts facts;
        for (const FieldDefinition& field : Fields) {
            for (Fact& fact : facts_) {
                if (fact.definition == &field) facts.push_back(std::move(fact));
            }
        }
        return facts;
    }

private:
    FactsBuilder& put(std::string_view name, std::optional<FieldData> data) {
        facts_.push_back({runRecordField(name), std::move(data)});
        return *this;
    }
    Facts facts_;
};

long long number(int value) { return value; }

std::string_view chipWord(int chipFamily) { return ChipFamilyChoices[isKq581x(chipFamily) ? 0 : 1].word; }

std::string_view choiceWord(std::span<const NamedChoice> choices, int index) {
    return choices[index >= 0 && index < int(choices.size()) ? size_t(index) : 0].word;
}

// The facts of the settings that the bootload type uses.
void addSettings(FactsBuilder& facts, const UpgradeSettings& s) {
    facts.add("chip", std::string(chipWord(s.chipFamily)))
        .add("type", std::string(choiceWord(BootloadTypeChoices, s.bootloadType)))
        .add("user_offset", hexText(parseHexText(s.userOffsetHex)))
        .add("hex_path", s.hexPath);
    // Only the remote path with backup configures an upgrade area, sends
    // frames and names its module (without backup, every request reaches
    // whichever module listens).
    if (s.bootloadType == RemoteWithBackup) {
        facts.add("upgrade_offset", hexText(parseHexText(s.upgradeOffsetHex)))
            .add("area_kib", number(s.upgradeAreaKiB))
            .add("frame", number(frameBytes(s.frameDataLength)));
    }
}

void addFileAndImage(FactsBuilder& facts, const std::optional<HexFileFacts>& file,
                     const std::optional<ImageFacts>& image) {
    if (file) {
        facts.add("hex_size", static_cast<long long>(file->size))
            .add("hex_modified", file->modified)
            .add("hex_sha256", file->sha256);
    } else {
        facts.unknown("hex_size").unknown("hex_modified").unknown("hex_sha256");
    }
    if (image) {
        facts.add("image_length", number(image->length))
            .add("sectors", number(image->sectors))
            .add("address_range", addressRangeText(*image))
            .add("image_crc16", crc16Text(image->crc));
    } else {
        facts.unknown("image_length").unknown("sectors").unknown("address_range").unknown("image_crc16");
    }
}

// Milliseconds are what a run's duration is measured in.
double roundedToMs(double seconds) { return static_cast<double>(static_cast<long long>(seconds * 1000.0 + 0.5)) / 1000.0; }

}  // namespace

std::span<const FieldDefinition> runRecordFields() { return Fields; }

const FieldDefinition* runRecordField(std::string_view name) {
    for (const FieldDefinition& field : Fields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

Facts runFacts(const RunReport& report) {
    const UpgradeSettings& s = report.settings;
    FactsBuilder facts;
    if (!report.runId.empty()) facts.add("run_id", report.runId);
    facts.add("program", std::string(ProgramName))
        .add("version", report.version)
        .add("host", report.host)
        .add("started", report.started)
        .add("port", report.portText)
        .add("slot", "COM" + std::to_string(report.port))
        .add("device", report.device)
        .add("baud", static_cast<long long>(baudFromIndex(s.baudRate)))
        .add("parity", std::string(choiceWord(ParityChoices, s.parity)));
    if (const std::optional<StationFacts>& station = report.station) {
        facts.add("station", station->station).add("port_name", station->portName).add("cycle", station->cycle);
        if (station->adapter.empty()) {
            facts.unknown("adapter");
        } else {
            facts.add("adapter", station->adapter);
        }
        facts.maybe("latency_timer_ms", station->latencyTimerMs ? std::optional<long long>(*station->latencyTimerMs)
                                                                : std::nullopt);
    }
    addSettings(facts, s);
    if (s.bootloadType == RemoteWithBackup) facts.add("module_address", paddedAddress(s.moduleAddress));
    facts.add("result", std::string(recordResultWord(report)))
        .add("exit_status", number(report.exitStatus))
        .add("step", report.step)
        .add("duration_s", roundedToMs(report.durationS));
    addFileAndImage(facts, report.hexFile, report.image);
    if (!report.warnings.empty()) facts.add("warnings", report.warnings);
    if (!report.hint.empty()) facts.add("hint", report.hint);
    if (!report.recordPath.empty()) facts.add("record", report.recordPath);
    std::vector<std::string> lines;
    lines.reserve(report.log.size());
    for (const TimedLine& line : report.log) lines.push_back(line.text);
    facts.add("log", std::move(lines));
    return facts.done();
}

Facts checkFacts(const CheckReport& report) {
    FactsBuilder facts;
    addSettings(facts, report.settings);
    facts.add("result", std::string(report.exitStatus == ExitSuccess ? "ok" : "refused"))
        .add("exit_status", number(report.exitStatus));
    addFileAndImage(facts, report.hexFile, report.image);
    if (!report.warnings.empty()) facts.add("warnings", report.warnings);
    if (!report.portTexts.empty()) facts.add("ports", report.portTexts);
    if (!report.moduleAddresses.empty()) facts.add("modules", report.moduleAddresses);
    if (!report.message.empty()) facts.add("message", report.message);
    return facts.done();
}

RecordValues recordValues(const RunReport& report) {
    RecordValues values;
    for (Fact& fact : runFacts(report)) {
        if (fact.data) values.push_back({fact.definition, std::move(*fact.data)});
    }
    return values;
}

}  // namespace kq::production
