// The outbox: the journal's lines after the last one the database
// acknowledged. Its state is one small file beside the journal, replaced
// atomically, that says where that line ends and which record it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kq::production {

constexpr std::string_view OutboxStateFileName = "records.outbox";
constexpr uint64_t MaxOutboxStateBytes = 4096;

// folder + "/" + OutboxStateFileName.
std::string outboxStatePath(const std::string& folder);

struct OutboxState {
    uint64_t lineStart = 0;  // where the last acknowledged line starts in the journal
    uint64_t end = 0;        // where it ends: the outbox starts here (0: nothing acknowledged)
    std::string runId;       // its record's run id ("" when nothing is acknowledged)
    uint64_t sent = 0;       // records acknowledged so far, for the operator
};

// The state's text (one JSON object) and back; nullopt for text that is not
// a state (a hand-edited or foreign file).
std::string outboxStateText(const OutboxState& state);
std::optional<OutboxState> outboxStateOfText(std::string_view text);

// The state of the folder's outbox, checked against its journal: a state
// that no longer fits the journal (missing, unreadable, pointing past its end
// or at another record, as when the journal was replaced) counts as nothing
// acknowledged, so that every record is sent again (the database keeps each
// once).
OutboxState loadOutboxState(const std::string& folder);

// Replaces the folder's state file atomically; false when it cannot be written.
bool saveOutboxState(const std::string& folder, const OutboxState& state);

}  // namespace kq::production
