#include "cli/check.h"

#include <memory>
#include <string>

#include "image/hex_image.h"
#include "production/image_facts.h"
#include "production/json.h"
#include "production/outcome.h"
#include "production/run_record.h"

namespace kq::cli {

using namespace kq::production;

namespace {

std::string joined(const std::vector<std::string>& texts) {
    std::string text;
    for (const std::string& item : texts) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string checkText(const FlashOptions& options, const std::optional<HexFileFacts>& file, const ImageFacts& image) {
    const UpgradeSettings& s = options.settings;
    std::string text = recordField("file", s.hexPath);
    if (file) {
        text += recordField("size", std::to_string(file->size) + " bytes");
        text += recordField("modified", file->modified);
        text += recordField("sha256", file->sha256);
    }
    text += recordField("chip", ChipFamilyChoices[isKq581x(s.chipFamily) ? 0 : 1].word);
    text += recordField("bootload type", BootloadTypeChoices[size_t(s.bootloadType)].word);
    text += recordField("user offset", hexText(parseHexText(s.userOffsetHex)));
    if (s.bootloadType == RemoteWithBackup) {
        text += recordField("upgrade offset", hexText(parseHexText(s.upgradeOffsetHex)));
        text += recordField("upgrade area", std::to_string(s.upgradeAreaKiB) + " KiB");
    }
    text += recordField("addresses", addressRangeText(image));
    text += recordField("image length", std::to_string(image.length) + " bytes");
    text += recordField("sectors", std::to_string(image.sectors));
    text += recordField("image crc16", crc16Text(image.crc));
    if (!options.portTexts.empty()) text += recordField("ports", joined(options.portTexts));
    if (!options.moduleAddresses.empty()) text += recordField("modules", joined(options.moduleAddresses));
    return text;
}

std::string checkJson(const FlashOptions& options, const std::optional<HexFileFacts>& file,
                      const std::optional<ImageFacts>& image, int status, const std::string& message) {
    const UpgradeSettings& s = options.settings;
    JsonObject json;
    json.add("result", status == ExitSuccess ? "ok" : "refused")
        .add("exit_status", status)
        .add("hex_path", s.hexPath)
        .add("hex_size", file ? std::optional<int64_t>(int64_t(file->size)) : std::nullopt)
        .add("hex_modified", file ? std::optional<std::string>(file->modified) : std::nullopt)
        .add("hex_sha256", file ? std::optional<std::string>(file->sha256) : std::nullopt)
        .add("chip", ChipFamilyChoices[isKq581x(s.chipFamily) ? 0 : 1].word)
        .add("type", BootloadTypeChoices[size_t(s.bootloadType)].word)
        .add("user_offset", hexText(parseHexText(s.userOffsetHex)))
        .add("address_range", image ? std::optional<std::string>(addressRangeText(*image)) : std::nullopt)
        .add("image_length", image ? std::optional<int64_t>(image->length) : std::nullopt)
        .add("sectors", image ? std::optional<int64_t>(image->sectors) : std::nullopt)
        .add("image_crc16", image ? std::optional<std::string>(crc16Text(image->crc)) : std::nullopt);
    if (!message.empty()) json.add("message", message);
    return json.text() + "\n";
}

void errorLine(std::FILE* err, const std::string& text) {
    std::fprintf(err, "flashwright-cli: %s\n", text.c_str());
    std::fflush(err);
}

}  // namespace

int runCheckCommand(const FlashOptions& options, std::FILE* out, std::FILE* err) {
    const auto image = std::make_unique<FirmwareImage>();  // 512 KiB: not on the stack
    std::string message;
    HexLoadReport report;
    const ShowMessage showMessage = [&](std::string_view text) { message = text; };
    const int loaded = loadHexImage(options.settings.hexLoadInputs(), *image, showMessage, &report);
    const std::optional<HexFileFacts> file = hexFileFactsOf(options.settings.hexPath);
    if (loaded != 0) {
        RunContext context;
        context.hexPath = options.settings.hexPath;
        const RunOutcome outcome =
            describeOutcome(RunResult(RunEnding::FailedWithoutPicture, RunStep::File, report), context);
        if (options.json) std::fputs(checkJson(options, file, std::nullopt, outcome.exitStatus, message).c_str(), out);
        errorLine(err, message);
        if (!outcome.hint.empty()) errorLine(err, outcome.hint);
        return outcome.exitStatus;
    }
    const ImageFacts facts = imageFactsOf(*image, options.settings);
    const std::string text = options.json ? checkJson(options, file, facts, ExitSuccess, "")
                                          : checkText(options, file, facts);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
    return ExitSuccess;
}

}  // namespace kq::cli
