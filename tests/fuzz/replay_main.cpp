// Runs a fuzz target's entry point over saved inputs without the fuzzing
// engine: every file named on the command line, and every file of every
// folder named there (in name order). This is how the corpora are replayed as
// ordinary tests with any compiler.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool replayFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that reading past it is caught
    // by the address sanitizer as it would be under the fuzzing engine.
    std::vector<uint8_t> exact(bytes);
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    bool ok = true;
    for (int a = 1; a < argc; ++a) {
        const fs::path given(argv[a]);
        std::error_code error;
        if (fs::is_directory(given, error)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(given, error))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            if (files.empty()) {
                std::fprintf(stderr, "no inputs in %s\n", given.c_str());
                ok = false;
            }
            for (const auto& file : files) ok = replayFile(file) && ok, ++replayed;
        } else {
            ok = replayFile(given) && ok;
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return ok && replayed > 0 ? 0 : 1;
}
