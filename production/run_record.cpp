#include "production/run_record.h"

#include <algorithm>
#include <cstdio>

#include "production/outcome.h"
#include "production/record_rendering.h"
#include "production/run_fields.h"

namespace kq::production {

namespace {

constexpr std::string_view RecordTitle = "flashwright-cli upgrade record";
constexpr std::string_view NoValue = "-";

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
    if (report.portLost || (report.station && report.station->portLost)) return PortLostResult;
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
    return std::string(RecordTitle) + "\n" + factLines(runFacts(report), FactPart::Header) + "\nlog:\n";
}

std::string recordLineText(const TimedLine& line) { return line.time + "  " + line.text + "\n"; }

std::string recordEndingText(const RunReport& report) { return "\n" + factLines(runFacts(report), FactPart::Ending); }

std::string runJson(const RunReport& report) { return factsJson(runFacts(report)); }

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
