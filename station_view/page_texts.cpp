#include "station_view/page_texts.h"

#include <nlohmann/json.hpp>

namespace kq::station_view {

namespace {

// The port states' English words are those of the station's terminal rows.
constexpr PageText Texts[] = {
    {"title", "工位", "Station"},
    {"ports", "端口", "Ports"},
    {"connected", "已连接", "connected"},
    {"disconnected", "连接已断开，正在重新连接…", "connection lost, reconnecting…"},
    {"stopping", "工位正在停止：进行中的周期将在下一次检查时结束", "the station is stopping: running cycles end at their next check"},
    {"read_only", "只读：操作需要终端给出的带令牌的地址", "Read-only: actions need the address with the token that the terminal printed"},
    {"waiting-for-module", "等待模块", "waiting for a module"},
    {"flashing", "正在升级", "flashing"},
    {"remove-module", "请取下模块", "remove the module"},
    {"waiting-for-operator", "等待操作员", "waiting for the operator"},
    {"adapter-missing", "适配器未连接", "adapter missing"},
    {"paused", "已暂停", "paused"},
    {"passed", "通过", "passed"},
    {"failed", "失败", "failed"},
    {"yield", "良率", "yield"},
    {"cycles", "周期", "cycles"},
    {"module", "模块地址", "module"},
    {"cycle_time", "周期时间", "cycle time"},
    {"seconds", "秒", "s"},
    {"totals", "合计", "Totals"},
    {"modules_per_hour", "每小时模块数", "modules per hour"},
    {"records_waiting", "待写入数据库的记录", "records waiting for the database"},
    {"recipe", "配方", "Recipe"},
    {"hex_file", "文件", "file"},
    {"sha256", "SHA-256", "SHA-256"},
    {"chip", "芯片", "chip"},
    {"type", "类型", "type"},
    {"user_offset", "用户程序偏移", "user offset"},
    {"upgrade_offset", "升级偏移", "upgrade offset"},
    {"baud", "波特率", "baud"},
    {"recent", "最近的记录", "Recent records"},
    {"time", "时间", "time"},
    {"port", "端口", "port"},
    {"result", "结果", "result"},
    {"reason", "原因", "reason"},
    {"no_records", "还没有记录", "no records yet"},
    {"warnings", "适配器警告", "Adapter warnings"},
    {"no_warnings", "没有警告", "no warnings"},
    {"actions", "操作", "Actions"},
    {"next", "下一个模块", "next module"},
    {"next_all", "全部端口：下一个模块", "next module on every port"},
    {"pause", "暂停", "pause"},
    {"resume", "继续", "resume"},
    {"stop", "停止工位", "stop the station"},
    {"stop_confirm", "停止工位？进行中的周期将在下一次检查时结束。", "Stop the station? Running cycles end at their next check."},
    {"refused", "操作被拒绝", "action refused"},
    {"not_applicable", "此操作现在不适用", "the action does not apply now"},
    {"forbidden", "令牌无效", "the token is not valid"},
    {"sent", "已发送", "sent"},
    {"for_port", "端口", "port"},
    // A failed cycle in the module log's own words, by its result word, else
    // by the step it ended at; the run's hint follows them.
    {"ending-port-lost", "通信口中断（适配器被拔出？）", "the port stopped working"},
    {"ending-stopped", "已停止", "stopped"},
    {"ending-timeout", "对接超时：模块没有应答", "no answer to the handshake"},
    {"step-file", "获取文件失败", "the HEX file could not be read"},
    {"step-port", "通信口打不开", "the port would not open"},
    {"step-upgrade_flag", "写入升级标志失败", "the upgrade flag failed"},
    {"step-handshake", "对接失败", "the handshake failed"},
    {"step-erase", "擦除失败", "the erase failed"},
    {"step-write", "写入失败", "a write failed"},
    {"step-check", "检测失败", "the CRC check failed"},
    {"step-crc_mismatch", "CRC不一致，失败", "the CRC differs"},
    {"step-module_address", "模块地址错误", "wrong module address"},
    {"step-configure", "配置失败", "the configure step failed"},
    {"step-verify", "校验失败", "the verify failed"},
    {"step-not_started", "未开始", "not started"},
};

}  // namespace

std::span<const PageText> pageTexts() { return Texts; }

std::string_view pageText(std::string_view key, PageLanguage language) {
    for (const auto& text : Texts)
        if (text.key == key) return language == PageLanguage::English ? text.english : text.chinese;
    return {};
}

std::string pageTextsJson(PageLanguage language) {
    nlohmann::json texts = nlohmann::json::object();
    for (const auto& text : Texts)
        texts[std::string(text.key)] = std::string(language == PageLanguage::English ? text.english : text.chinese);
    return texts.dump();
}

}  // namespace kq::station_view
