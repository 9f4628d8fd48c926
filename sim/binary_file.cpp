#include "sim/binary_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/unique_file.h"

namespace kq::sim {

namespace {

std::string failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool readBinaryFile(const std::string& path, std::vector<uint8_t>& data, std::string& error) {
    UniqueFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = failure("cannot open", path);
        return false;
    }
    data.clear();
    uint8_t chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) data.insert(data.end(), chunk, chunk + got);
    if (std::ferror(file.get())) {
        error = failure("cannot read", path);
        return false;
    }
    return true;
}

bool writeBinaryFile(const std::string& path, const std::vector<uint8_t>& data, std::string& error) {
    UniqueFile file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = failure("cannot create", path);
        return false;
    }
    if (std::fwrite(data.data(), 1, data.size(), file.get()) != data.size()) {
        error = failure("cannot write", path);
        return false;
    }
    // Closing flushes; a full disk shows up only here.
    if (!closeFile(file)) {
        error = failure("cannot write", path);
        return false;
    }
    return true;
}

}  // namespace kq::sim
