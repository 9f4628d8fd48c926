#include "e2e/flasher_session.h"

#include <fstream>
#include <regex>

#include "e2e/build_folders.h"
#include "e2e/tool_under_test.h"

namespace kq::testing {

const Sample& sample251() {
    static const Sample sample{sourcePath("samples/demo_kq581x.hex"),
                               "251", 0, 12, 0x1000, 0x8000, 28, 0xFF0000, 0x10000, 0x1000};
    return sample;
}

const Sample& sampleArm() {
    static const Sample sample{sourcePath("samples/demo_kq58xx.hex"),
                               "arm", 1, 40, 0x4000, 0x11000, 52, 0, 0x80000, 0x4000};
    return sample;
}

FlasherSession::FlasherSession(const std::vector<std::string>& simArgs, bool defaultLink)
    : sim_(std::make_unique<SimProcess>(folder_.path(), simArgs, defaultLink)) {}

ProcessResult FlasherSession::flash(const std::vector<std::string>& args, ProcessOptions options,
                                    const SignalOnOutput& trigger) const {
    std::vector<std::string> all = {"flash", "--port", sim_->flasherPort()};
    all.insert(all.end(), args.begin(), args.end());
    if (options.workingDirectory.empty()) options.workingDirectory = folder_.path();
    return runFlasher(all, options, trigger);
}

ProcessResult runFlasher(const std::vector<std::string>& args, const ProcessOptions& options,
                         const SignalOnOutput& trigger) {
    return runTool(Tool::Flasher, args, options, trigger);
}

std::vector<std::string> transcript(const std::string& out) {
    static const std::regex stamp(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})");
    std::vector<std::string> result;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(start, end - start);
        result.push_back(std::regex_match(line, stamp) ? TimeLine : line);
        start = end + 1;
    }
    return result;
}

std::vector<std::string> lines(std::initializer_list<std::vector<std::string>> pieces) {
    std::vector<std::string> all;
    for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

std::vector<std::string> fileRead(int sectors) {
    return {TimeLine, "获取文件开始", "获取文件成功", "共" + std::to_string(sectors) + "个扇区"};
}

std::vector<uint8_t> patternFlash(uint32_t size) {
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 37 + i / 256 + 11) & 0x7F);
    return bytes;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace kq::testing
