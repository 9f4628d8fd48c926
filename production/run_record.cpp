#include "production/run_record.h"

#include <algorithm>
#include <cstdio>

#include "link/serial_port.h"
#include "production/json.h"
#include "production/outcome.h"

namespace kq::production {

namespace {

constexpr int HeaderKeyWidth = 16;  // characters before a header value
constexpr std::string_view RecordTitle = "flashwright-cli upgrade record";
constexpr std::string_view ProgramName = "flashwright-cli";
constexpr std::string_view NoValue = "-";

}  // namespace

std::string recordField(std::string_view key, std::string_view value) {
    std::string line(key);
    line += ':';
    line.append(static_cast<size_t>(std::max<int>(1, HeaderKeyWidth - static_cast<int>(key.size()) - 1)), ' ');
    line += value;
    line += '\n';
    return line;
}

namespace {

std::string field(std::string_view key, std::string_view value) { return recordField(key, value); }

std::string_view chipWord(int chipFamily) { return ChipFamilyChoices[isKq581x(chipFamily) ? 0 : 1].word; }

std::string_view typeWord(int bootloadType) {
    const int index = bootloadType >= 0 && bootloadType < int(BootloadTypeChoices.size()) ? bootloadType : 0;
    return BootloadTypeChoices[size_t(index)].word;
}

std::string_view parityWord(int parity) {
    const int index = parity >= 0 && parity < int(ParityChoices.size()) ? parity : 0;
    return ParityChoices[size_t(index)].word;
}

int frameBytes(int frameDataLength) {
    return frameDataLength >= 0 && frameDataLength < int(FrameDataLengths.size()) ? FrameDataLengths[size_t(frameDataLength)]
                                                                                   : SectorSize;
}

std::string portSlot(int port) { return "COM" + std::to_string(port); }

// Letters, digits, '.', '-' and '_' stay; anything else becomes '_'.
std::string fileNamePart(std::string_view text) {
    std::string part;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '-' || c == '_';
        part += plain ? c : '_';
    }
    return part;
}

// "2026-03-07 08:05:09.123" -> "20260307-080509-123".
std::string compactTime(std::string_view time) {
    std::string digits;
    for (const char c : time) {
        if (c >= '0' && c <= '9') digits += c;
    }
    if (digits.size() < 17) return digits;
    return digits.substr(0, 8) + "-" + digits.substr(8, 6) + "-" + digits.substr(14, 3);
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", value);
    return text;
}

}  // namespace

std::string_view recordResultWord(const RunReport& report) {
    if (report.station && report.station->portLost) return PortLostResult;
    return resultWord(report.exitStatus);
}

std::string recordFileName(const RunReport& report) {
    std::string name = compactTime(report.started) + "_" + portSlot(report.port);
    if (report.portText != portSlot(report.port)) {
        const size_t slash = report.portText.find_last_of("/\\");
        const std::string_view base =
            std::string_view(report.portText).substr(slash == std::string::npos ? 0 : slash + 1);
        // "\\.\COM12" names its slot's port again: nothing to add.
        if (!base.empty() && base != portSlot(report.port)) name += "_" + fileNamePart(base);
    }
    if (report.remote()) name += "_" + fileNamePart(report.settings.moduleAddress);
    return name + ".log";
}

std::string recordHeaderText(const RunReport& report) {
    const UpgradeSettings& s = report.settings;
    std::string text(RecordTitle);
    text += '\n';
    text += field("version", std::string(ProgramName) + " " + report.version);
    text += field("host", report.host);
    if (const auto& station = report.station) {
        text += field("station", station->station);
        text += field("port name", station->portName);
        text += field("cycle", std::to_string(station->cycle));
        text += field("adapter", station->adapter.empty() ? NoValue : std::string_view(station->adapter));
        text += field("latency timer",
                      station->latencyTimerMs ? std::to_string(*station->latencyTimerMs) + " ms" : std::string(NoValue));
    }
    text += field("started", report.started);
    text += field("port", report.portText + (report.portText == portSlot(report.port) ? "" : " (" + portSlot(report.port) + ")"));
    text += field("device", report.device.empty() ? NoValue : std::string_view(report.device));
    text += field("baud", std::to_string(baudFromIndex(s.baudRate)));
    text += field("parity", parityWord(s.parity));
    text += field("chip", chipWord(s.chipFamily));
    text += field("bootload type", typeWord(s.bootloadType));
    text += field("user offset", hexText(parseHexText(s.userOffsetHex)));
    text += field("upgrade offset", hexText(parseHexText(s.upgradeOffsetHex)));
    text += field("upgrade area", std::to_string(s.upgradeAreaKiB) + " KiB");
    text += field("frame length", std::to_string(frameBytes(s.frameDataLength)));
    text += field("module address", report.remote() ? std::string_view(s.moduleAddress) : NoValue);
    text += field("hex file", s.hexPath);
    if (report.hexFile) {
        text += field("hex size", std::to_string(report.hexFile->size) + " bytes");
        text += field("hex modified", report.hexFile->modified);
        text += field("hex sha256", report.hexFile->sha256);
    } else {
        text += field("hex size", NoValue);
        text += field("hex modified", NoValue);
        text += field("hex sha256", NoValue);
    }
    if (report.image) {
        text += field("image length", std::to_string(report.image->length) + " bytes");
        text += field("sectors", std::to_string(report.image->sectors));
        text += field("addresses", addressRangeText(*report.image));
        text += field("image crc16", crc16Text(report.image->crc));
    } else {
        text += field("image length", NoValue);
        text += field("sectors", NoValue);
        text += field("addresses", NoValue);
        text += field("image crc16", NoValue);
    }
    text += "\nlog:\n";
    return text;
}

std::string recordLineText(const TimedLine& line) { return line.time + "  " + line.text + "\n"; }

std::string recordEndingText(const RunReport& report) {
    std::string text = "\n";
    text += field("result", recordResultWord(report));
    text += field("exit status", std::to_string(report.exitStatus));
    text += field("step", report.step);
    text += field("duration", seconds(report.durationS));
    if (!report.hint.empty()) text += field("hint", report.hint);
    return text;
}

std::string runJson(const RunReport& report) {
    const UpgradeSettings& s = report.settings;
    JsonObject json;
    json.add("program", ProgramName)
        .add("version", report.version)
        .add("host", report.host);
    if (const auto& station = report.station) {
        json.add("station", station->station)
            .add("port_name", station->portName)
            .add("cycle", int64_t{station->cycle})
            .add("adapter", station->adapter)
            .add("latency_timer_ms", station->latencyTimerMs ? std::optional<int64_t>(*station->latencyTimerMs)
                                                             : std::nullopt);
    }
    json.add("started", report.started)
        .add("port", report.portText)
        .add("slot", portSlot(report.port))
        .add("device", report.device)
        .add("baud", int64_t{baudFromIndex(s.baudRate)})
        .add("parity", parityWord(s.parity))
        .add("chip", chipWord(s.chipFamily))
        .add("type", typeWord(s.bootloadType))
        .add("user_offset", hexText(parseHexText(s.userOffsetHex)))
        .add("upgrade_offset", hexText(parseHexText(s.upgradeOffsetHex)))
        .add("area_kib", s.upgradeAreaKiB)
        .add("frame", frameBytes(s.frameDataLength));
    if (report.remote()) json.add("module_address", s.moduleAddress);
    const auto& file = report.hexFile;
    const auto& image = report.image;
    json.add("result", recordResultWord(report))
        .add("step", report.step)
        .add("exit_status", report.exitStatus)
        .addFixed3("duration_s", report.durationS)
        .add("hex_path", s.hexPath)
        .add("hex_size", file ? std::optional<int64_t>(int64_t(file->size)) : std::nullopt)
        .add("hex_modified", file ? std::optional<std::string>(file->modified) : std::nullopt)
        .add("hex_sha256", file ? std::optional<std::string>(file->sha256) : std::nullopt)
        .add("image_length", image ? std::optional<int64_t>(image->length) : std::nullopt)
        .add("sectors", image ? std::optional<int64_t>(image->sectors) : std::nullopt)
        .add("image_crc16", image ? std::optional<std::string>(crc16Text(image->crc)) : std::nullopt);
    if (!report.hint.empty()) json.add("hint", report.hint);
    if (!report.recordPath.empty()) json.add("record", report.recordPath);
    std::vector<std::string> lines;
    lines.reserve(report.log.size());
    for (const TimedLine& line : report.log) lines.push_back(line.text);
    json.add("log", lines);
    return json.text();
}

std::string summaryTable(const std::vector<RunReport>& reports) {
    const bool withModules = std::any_of(reports.begin(), reports.end(), [](const RunReport& r) { return r.remote(); });
    std::vector<std::vector<std::string>> rows = {{"port"}};
    if (withModules) rows[0].push_back("module");
    rows[0].insert(rows[0].end(), {"result", "step", "duration"});
    for (const RunReport& report : reports) {
        std::vector<std::string> row = {report.portText};
        if (withModules) row.push_back(report.remote() ? report.settings.moduleAddress : std::string(NoValue));
        row.insert(row.end(), {std::string(recordResultWord(report)), report.step, seconds(report.durationS)});
        rows.push_back(std::move(row));
    }
    // Widths in characters (UTF-8 continuation bytes take no room).
    const auto width = [](const std::string& text) {
        return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                                 [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], width(row[i]));
    }
    std::string text;
    for (size_t r = 0; r < rows.size(); ++r) {
        std::string line;
        for (size_t i = 0; i < rows[r].size(); ++i) {
            const std::string& cell = rows[r][i];
            const size_t pad = widths[i] - width(cell);
            if (i + 1 < rows[r].size()) {
                line += cell;
                line.append(pad + 2, ' ');
            } else if (r == 0) {
                line += cell;
            } else {
                line.append(pad, ' ');  // durations right-aligned
                line += cell;
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    return text;
}

}  // namespace kq::production
