// A field list shaped like a run record's (the members of flash's JSON
// line, a station's name, the log), for the tests and the benchmark of the
// journal, the outbox and the database: they take any field list, and this
// one holds every kind.
#pragma once

#include <array>
#include <span>
#include <string>

#include "production/record_field.h"
#include "production/records_journal_line.h"

namespace kq::test {

using production::FieldKind;
using production::FieldDefinition;

inline constexpr std::array<FieldDefinition, 14> SampleRecordFields = {{
    {"program", FieldKind::Text, "program"},
    {"station", FieldKind::Text, "station"},
    {"started", FieldKind::Text, "started"},
    {"port", FieldKind::Text, "port"},
    {"baud", FieldKind::Integer, "baud"},
    {"type", FieldKind::Text, "type"},
    {"module_address", FieldKind::Text, "module address"},
    {"result", FieldKind::Text, "result"},
    {"exit_status", FieldKind::Integer, "exit status"},
    {"duration_s", FieldKind::Number, "duration"},
    {"verified", FieldKind::Flag, ""},
    {"hex_sha256", FieldKind::Text, "hex sha256"},
    {"image_crc16", FieldKind::Text, "image crc16"},
    {"log", FieldKind::TextList, ""},
}};

inline std::span<const FieldDefinition> sampleFields() { return SampleRecordFields; }

inline const FieldDefinition* sampleField(std::string_view name) {
    for (const FieldDefinition& field : SampleRecordFields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

// One record of the sample list: the facts a remote upgrade gives.
inline production::RecordRow sampleRecord(std::string runId, std::string started, std::string module,
                                          std::string result = "passed", std::string station = "line-1") {
    using production::FieldValue;
    production::RecordRow row;
    row.runId = std::move(runId);
    row.values = {
        {sampleField("program"), std::string("flashwright-cli")},
        {sampleField("station"), std::move(station)},
        {sampleField("started"), std::move(started)},
        {sampleField("port"), std::string("/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0")},
        {sampleField("baud"), 115200LL},
        {sampleField("type"), std::string("remote-backup")},
        {sampleField("module_address"), std::move(module)},
        {sampleField("result"), std::move(result)},
        {sampleField("exit_status"), 0LL},
        {sampleField("duration_s"), 12.25},
        {sampleField("verified"), true},
        {sampleField("hex_sha256"), std::string("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08")},
        {sampleField("image_crc16"), std::string("0x1D0F")},
        {sampleField("log"), std::vector<std::string>{"升级开始", "擦除成功", "升级成功"}},
    };
    return row;
}

}  // namespace kq::test
