#include "commands/output_view.h"

namespace kavtra {

std::string outputLine(const OutputView& view) {
    const std::optional<std::int64_t> seconds = view.secondsLeft();
    return std::to_string(view.output) + (view.on ? "\ton\t" : "\toff\t") + view.name +
           (seconds ? "\t" + std::to_string(*seconds) + "s" : std::string());
}

}  // namespace kavtra
