#include "tool_files/saved_log_file.h"

#include "platform/gb_text.h"
#include "platform/local_time.h"
#include "platform/whole_file.h"

namespace kq {

std::string savedLogPath(const std::string& toolFolder, std::time_t t) {
    char stamp[64] = "";
    if (const auto local = localTime(t)) std::strftime(stamp, sizeof stamp, "%y年%m月%d日%H时%M分%S秒", &*local);
    return toolFolder + "日志保存--" + stamp + ".txt";
}

bool writeSavedLog(const std::string& path, std::string_view text) {
    auto bytes = utf8ToGb18030(text);
    if (!bytes) return false;
    bytes->push_back('\0');
    return overwriteFromStart(path, *bytes);
}

}  // namespace kq
