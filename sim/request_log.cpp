#include "sim/request_log.h"

#include <cerrno>
#include <cstring>

#include "sim/command_names.h"

namespace kq::sim {

namespace {

std::string hexText(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string moduleText(const ModuleAddress& address) {
    std::string text;
    char pair[3];
    for (const uint8_t byte : address) {
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::string formatLogLine(const LogRecord& record) {
    const Request& request = *record.request;
    const Handling& handling = *record.handling;
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", record.timeMs);

    std::string line = "{\"n\":" + std::to_string(record.number);
    line += ",\"t_ms\":" + std::string(time);
    line += ",\"code\":" + quoted(hexText(request.code, 4));
    line += ",\"name\":" + quoted(commandName(request.code));
    if (request.layout == FrameLayout::Flash) {
        line += ",\"layout\":\"flash\",\"address\":" + quoted(hexText(request.address, 8));
    } else {
        line += ",\"layout\":\"module\",\"module\":" + quoted(moduleText(request.module));
    }
    line += ",\"payload\":" + std::to_string(request.payload.size());
    line += ",\"request_bytes\":" + std::to_string(request.frameBytes);
    line += ",\"reply\":" + quoted(replyKindName(handling.kind));
    line += ",\"reply_bytes\":" + std::to_string(record.replyBytes);
    if (handling.offset) line += ",\"offset\":" + std::to_string(*handling.offset);
    if (handling.crc) line += ",\"crc\":" + quoted(hexText(*handling.crc, 4));
    line += ",\"mode\":" + quoted(handling.mode == ModuleMode::Boot ? "boot" : "app");
    if (!handling.addressed) line += ",\"addressed\":false";
    if (!handling.busModule.empty()) line += ",\"bus_module\":" + quoted(handling.busModule);
    if (record.noiseBytes > 0) line += ",\"noise_bytes\":" + std::to_string(record.noiseBytes);
    line += "}";
    return line;
}

bool RequestLog::open(const std::string& path, std::string& error) {
    file_.reset(std::fopen(path.c_str(), "w"));
    if (!file_) error = "cannot create " + path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void RequestLog::write(const LogRecord& record) {
    if (!file_) return;
    const std::string line = formatLogLine(record) + "\n";
    std::fputs(line.c_str(), file_.get());
    std::fflush(file_.get());
}

}  // namespace kq::sim
