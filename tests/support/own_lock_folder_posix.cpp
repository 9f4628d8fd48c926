#include "support/own_lock_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kq::test {

namespace {

std::string& ownFolder() {
    static std::string folder;
    return folder;
}

void removeOwnFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(ownFolder(), ignored);
}

}  // namespace

void useOwnLockFolder() {
    if (std::getenv("KQ_LOCK_DIR") != nullptr) return;
    if (ownFolder().empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kq-test-locks-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) return;
        ownFolder() = pattern;
        std::atexit(removeOwnFolder);
    }
    ::setenv("KQ_LOCK_DIR", ownFolder().c_str(), 1);
}

}  // namespace kq::test
