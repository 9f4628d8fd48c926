#include "station_view/state_json.h"

#include <nlohmann/json.hpp>

namespace kq::station_view {

using json = nlohmann::ordered_json;
using production::CycleSummary;
using production::PortActivity;
using production::StationState;

std::string_view activityWord(PortActivity activity) {
    switch (activity) {
    case PortActivity::WaitingForModule: return "waiting-for-module";
    case PortActivity::Flashing: return "flashing";
    case PortActivity::RemoveModule: return "remove-module";
    case PortActivity::WaitingForOperator: return "waiting-for-operator";
    case PortActivity::AdapterMissing: return "adapter-missing";
    case PortActivity::Paused: return "paused";
    }
    return "waiting-for-module";
}

namespace {

json cycleJson(const CycleSummary& cycle) {
    return json{{"cycle", cycle.cycle},
                {"finished", cycle.finished},
                {"module_address", cycle.moduleAddress},
                {"passed", cycle.passed},
                {"result", cycle.result},
                {"reason", cycle.reason},
                {"step", cycle.step},
                {"duration_s", cycle.durationS},
                {"run_id", cycle.runId}};
}

json recentJson(const StationState& state, size_t limit) {
    json list = json::array();
    for (size_t i = 0; i < state.recent.size() && i < limit; ++i) {
        json entry = cycleJson(state.recent[i]);
        int port = i < state.recentPorts.size() ? state.recentPorts[i] : -1;
        entry["port"] = port;
        entry["port_name"] = port >= 0 && size_t(port) < state.ports.size() ? state.ports[size_t(port)].stableName : "";
        list.push_back(std::move(entry));
    }
    return list;
}

// Text from the station may hold bytes that are not UTF-8 (a device name,
// say): they are replaced rather than failing the whole answer.
std::string dumped(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string stateJson(const StationState& state) {
    json ports = json::array();
    for (const auto& port : state.ports) {
        ports.push_back(json{{"index", port.index},
                             {"stable_name", port.stableName},
                             {"device", port.device},
                             {"activity", activityWord(port.activity)},
                             {"progress_percent", port.progressPercent},
                             {"module_address", port.moduleAddress},
                             {"cycle_time_s", port.cycleTimeS},
                             {"cycles", port.cycles},
                             {"passed", port.counts.passed},
                             {"failed", port.counts.failed},
                             {"yield", port.counts.yield()},
                             {"last", port.last ? cycleJson(*port.last) : json(nullptr)},
                             {"adapter", port.adapter},
                             {"adapter_warning", port.adapterWarning}});
    }
    const auto& recipe = state.recipe;
    json whole{{"version", state.version},
               {"station", state.stationName},
               {"stopping", state.stopping},
               {"recipe",
                {{"hex_file", recipe.hexFile},
                 {"sha256", recipe.sha256},
                 {"chip", recipe.chip},
                 {"type", recipe.type},
                 {"user_offset", recipe.userOffset},
                 {"upgrade_offset", recipe.upgradeOffset},
                 {"baud", recipe.baud}}},
               {"ports", std::move(ports)},
               {"totals",
                {{"passed", state.totals.passed},
                 {"failed", state.totals.failed},
                 {"yield", state.totals.yield()},
                 {"modules_per_hour", state.modulesPerHour}}},
               {"recent", recentJson(state, production::RecentCycles)},
               // null: the station has no records database
               {"records_waiting", state.recordsDatabase ? json(state.recordsWaiting) : json(nullptr)}};
    return dumped(whole);
}

std::string recordsJson(const StationState& state, size_t limit) {
    return dumped(json{{"version", state.version}, {"records", recentJson(state, limit)}});
}

std::string jsonForScriptElement(std::string_view json) {
    std::string out;
    out.reserve(json.size() + 16);
    for (char c : json) {
        switch (c) {
        case '<': out += "\\u003c"; break;
        case '>': out += "\\u003e"; break;
        case '&': out += "\\u0026"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace kq::station_view
