#include "e2e/build_folders.h"

namespace kq::testing {

std::string programPath(std::string_view name) { return std::string(KQ_BIN_DIR) + "/" + std::string(name); }

}  // namespace kq::testing
