#include "cli/station_rows.h"

#include <cstdio>
#include <vector>

namespace kq::cli {

using namespace kq::production;

namespace {

std::string percent(double fraction) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", fraction * 100.0);
    return text;
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", value);
    return text;
}

std::string countsText(const PortCounts& counts) {
    return "passed " + std::to_string(counts.passed) + ", failed " + std::to_string(counts.failed) + ", yield " +
           percent(counts.yield());
}

size_t width(const std::string& text) {
    size_t characters = 0;
    for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return characters;
}

}  // namespace

std::string activityText(const PortState& port) {
    switch (port.activity) {
        case PortActivity::WaitingForModule: return "waiting for a module";
        case PortActivity::Flashing: return "flashing " + std::to_string(port.progressPercent) + " %";
        case PortActivity::RemoveModule: return "remove the module";
        case PortActivity::WaitingForOperator: return "waiting for the operator";
        case PortActivity::AdapterMissing: return "adapter missing";
        case PortActivity::Paused: return "paused";
    }
    return "";
}

std::string portRow(const PortState& port) {
    std::string row = std::to_string(port.index + 1) + " " + port.stableName + "  " + activityText(port);
    if (!port.moduleAddress.empty()) row += "  module " + port.moduleAddress;
    if (port.last) {
        row += "  last: " + port.last->result;
        if (!port.last->reason.empty()) row += " (" + port.last->reason + ")";
    }
    if (port.activity == PortActivity::Flashing || port.last) row += "  " + seconds(port.cycleTimeS);
    row += "  " + countsText(port.counts);
    return row;
}

std::string totalsRow(const StationState& state) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.0f modules/h", state.modulesPerHour);
    std::string row = "total  " + countsText(state.totals) + "  " + rate;
    if (state.recordsDatabase) row += "  records waiting for the database: " + std::to_string(state.recordsWaiting);
    if (state.stopping) row += "  stopping: each cycle ends at its next check (Ctrl-C again ends at once)";
    return row;
}

std::string stationSummary(const StationState& state) {
    std::vector<std::vector<std::string>> rows = {{"port", "cycles", "passed", "failed", "yield"}};
    for (const PortState& port : state.ports) {
        rows.push_back({port.stableName, std::to_string(port.cycles), std::to_string(port.counts.passed),
                        std::to_string(port.counts.failed), percent(port.counts.yield())});
    }
    long long cycles = 0;
    for (const PortState& port : state.ports) cycles += port.cycles;
    rows.push_back({"total", std::to_string(cycles),
                    std::to_string(state.totals.passed), std::to_string(state.totals.failed),
                    percent(state.totals.yield())});
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], width(row[i]));
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line = row[0];
        line.append(widths[0] - width(row[0]), ' ');
        for (size_t i = 1; i < row.size(); ++i) {
            line.append(2 + widths[i] - width(row[i]), ' ');  // numbers right-aligned
            line += row[i];
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace kq::cli
