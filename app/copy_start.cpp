#include "app/copy_start.h"

#include <QString>

#include "app/console.h"
#include "control/command_client.h"
#include "control/single_copy.h"

namespace kavtra {

CopyStart claimOrHandOver(const SocketPlace& place, bool window) {
    SingleCopy copy = claimSingleCopy(place);
    switch (copy.outcome) {
    case SingleCopy::Outcome::Claimed: return {std::move(copy.server), 0};
    case SingleCopy::Outcome::AnotherRuns:
        if (window) return {nullptr, sendCommand(place, ShowCommand{}, consoleOutput())};
        printLine(stderr, "kavtra: программа уже запущена для этой папки данных; команды передаются ей: kavtra --help");
        return {nullptr, kExitCouldNotStart};
    case SingleCopy::Outcome::Failed: break;
    }
    printLine(stderr, "kavtra: " + copy.failure.toStdString());
    return {nullptr, kExitCouldNotStart};
}

}  // namespace kavtra
