// The station's rows in the terminal, made from a snapshot of its state: one
// per port (its number, stable name, what it is doing, the module, the last
// result and its reason, the cycle time, its counts) and a totals row; and
// the summary table written at the end.
#pragma once

#include <string>

#include "production/station_state.h"

namespace kq::cli {

// "waiting for a module", "flashing 42 %", "remove the module", "adapter
// missing", "waiting for the operator", "paused".
std::string activityText(const production::PortState& port);
std::string portRow(const production::PortState& port);
std::string totalsRow(const production::StationState& state);
// A table of every port's counts and the totals, under a heading.
std::string stationSummary(const production::StationState& state);

}  // namespace kq::cli
