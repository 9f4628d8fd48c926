// The station's state as the JSON of GET /api/state, GET /api/records and
// the event stream (the README's "Station view" gives its shape). Members
// are lower case with '_', as in the run records.
#pragma once

#include "production/station_state.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kq::station_view {

// "waiting-for-module", "flashing", "remove-module", "waiting-for-operator",
// "adapter-missing", "paused".
std::string_view activityWord(production::PortActivity activity);

// The whole snapshot, on one line.
std::string stateJson(const production::StationState& state);

// {"version": ..., "records": [the newest `limit` cycles, newest first]}.
std::string recordsJson(const production::StationState& state, size_t limit);

// The same JSON, safe inside an HTML <script> element: '<', '>' and '&'
// (which occur only inside JSON strings) written as \u escapes.
std::string jsonForScriptElement(std::string_view json);

}  // namespace kq::station_view
