#include "production/outbox_state.h"

#include <nlohmann/json.hpp>

#include "platform/whole_file.h"
#include "production/records_journal.h"
#include "production/run_id.h"

namespace kq::production {

namespace {
using Json = nlohmann::ordered_json;
}

std::string outboxStatePath(const std::string& folder) {
    if (folder.empty()) return std::string(OutboxStateFileName);
    const char last = folder.back();
    return folder + (last == '/' || last == '\\' ? "" : "/") + std::string(OutboxStateFileName);
}

std::string outboxStateText(const OutboxState& state) {
    Json json = Json::object();
    json["line_start"] = state.lineStart;
    json["end"] = state.end;
    json["run_id"] = state.runId;
    json["sent"] = state.sent;
    return json.dump() + "\n";
}

std::optional<OutboxState> outboxStateOfText(std::string_view text) {
    const Json json = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!json.is_object()) return std::nullopt;
    const auto number = [&](const char* key) -> std::optional<uint64_t> {
        const auto it = json.find(key);
        if (it == json.end() || !it->is_number_unsigned()) return std::nullopt;
        return it->get<uint64_t>();
    };
    const auto start = number("line_start");
    const auto end = number("end");
    const auto sent = number("sent");
    const auto id = json.find("run_id");
    if (!start || !end || !sent || id == json.end() || !id->is_string()) return std::nullopt;
    OutboxState state{*start, *end, id->get<std::string>(), *sent};
    const bool nothing = state.end == 0 && state.runId.empty();
    if (!nothing && (state.lineStart >= state.end || !isRunId(state.runId))) return std::nullopt;
    return state;
}

OutboxState loadOutboxState(const std::string& folder) {
    const WholeFile file = readWholeFile(outboxStatePath(folder), MaxOutboxStateBytes);
    if (file.status != WholeFile::Read) return {};
    const auto state = outboxStateOfText(file.bytes);
    if (!state || state->end == 0) return {};
    // The acknowledged line must still be where the state says, with its record.
    if (runIdOfLineAt(journalPath(folder), state->lineStart, state->end) != state->runId) return {};
    return *state;
}

bool saveOutboxState(const std::string& folder, const OutboxState& state) {
    return writeFileAtomically(outboxStatePath(folder), outboxStateText(state));
}

}  // namespace kq::production
