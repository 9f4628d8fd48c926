#include "support/source_tree.h"

namespace kq::source_tree {

std::string sourcePath(std::string_view relative) {
    return std::string(KQ_SOURCE_DIR) + "/" + std::string(relative);
}

}  // namespace kq::source_tree
