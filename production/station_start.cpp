#include "production/station_start.h"

#include <memory>

#include "image/hex_image.h"
#include "production/image_facts.h"
#include "production/outcome.h"

namespace kq::production {

StartCheck confirmRecipeFile(const Recipe& recipe) {
    const std::string& path = recipe.settings.hexPath;
    const std::optional<HexFileFacts> facts = hexFileFactsOf(path);
    if (!facts) return {ExitHexRefused, path + ": the HEX file cannot be read: nothing is flashed"};
    if (facts->sha256 != recipe.hexSha256) {
        return {ExitHexRefused, path + ": the HEX file's SHA-256 is " + facts->sha256 + ", the recipe " + recipe.path +
                                    " pins " + recipe.hexSha256 + ": the file has changed, nothing is flashed"};
    }
    const auto image = std::make_unique<FirmwareImage>();  // 512 KiB: not on the stack
    std::string message;
    HexLoadReport report;
    const ShowMessage showMessage = [&](std::string_view text) { message = text; };
    if (loadHexImage(recipe.settings.hexLoadInputs(), *image, showMessage, &report) != 0) {
        RunContext context;
        context.hexPath = path;
        const RunOutcome outcome =
            describeOutcome(RunResult(RunEnding::FailedWithoutPicture, RunStep::File, report), context);
        return {outcome.exitStatus, message + (outcome.hint.empty() ? "" : ": " + outcome.hint)};
    }
    return {};
}

}  // namespace kq::production
