#include "production/station_adapter.h"

namespace kq::production {

AdapterInfo adapterOfOpenPort(int, const std::string&) { return {}; }

}  // namespace kq::production
