#include "cli/check.h"

#include <memory>
#include <string>

#include "image/hex_image.h"
#include "production/image_facts.h"
#include "production/outcome.h"
#include "production/record_rendering.h"
#include "production/run_fields.h"

namespace kq::cli {

using namespace kq::production;

namespace {

void errorLine(std::FILE* err, const std::string& text) {
    std::fprintf(err, "flashwright-cli: %s\n", text.c_str());
    std::fflush(err);
}

}  // namespace

int runCheckCommand(const FlashOptions& options, std::FILE* out, std::FILE* err) {
    const auto image = std::make_unique<FirmwareImage>();  // 512 KiB: not on the stack
    CheckReport check;
    check.settings = options.settings;
    check.portTexts = options.portTexts;
    check.moduleAddresses = options.moduleAddresses;
    HexLoadReport report;
    const ShowMessage showMessage = [&](std::string_view text) { check.message = text; };
    const int loaded = loadHexImage(options.settings.hexLoadInputs(), *image, showMessage, &report);
    check.hexFile = hexFileFactsOf(options.settings.hexPath);
    if (loaded != 0) {
        RunContext context;
        context.hexPath = options.settings.hexPath;
        const RunOutcome outcome =
            describeOutcome(RunResult(RunEnding::FailedWithoutPicture, RunStep::File, report), context);
        check.exitStatus = outcome.exitStatus;
        if (options.json) std::fputs((factsJson(checkFacts(check)) + "\n").c_str(), out);
        errorLine(err, check.message);
        if (!outcome.hint.empty()) errorLine(err, outcome.hint);
        return outcome.exitStatus;
    }
    check.image = imageFactsOf(*image, options.settings);
    const Facts facts = checkFacts(check);
    const std::string text = options.json ? factsJson(facts) + "\n" : factLines(facts, FactPart::Header);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
    return ExitSuccess;
}

}  // namespace kq::cli
