#include "control/command_executor.h"

#include <exception>
#include <type_traits>

namespace kavtra {

CommandExecutor::CommandExecutor(OutputEngine& engine, OutputPulses& pulses, std::function<void()> showWindow)
    : engine_(engine), pulses_(pulses), showWindow_(std::move(showWindow)) {}

Reply CommandExecutor::operator()(const Command& command) {
    const auto carryOut = [this](const auto& c) -> Reply {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, ShowCommand>) {
            if (!showWindow_) return Reply::refused("программа работает без окна (--no-window), показывать нечего");
            showWindow_();
        } else if constexpr (std::is_same_v<T, SetCommand>) {
            engine_.set(c.outputsOn);
        } else if constexpr (std::is_same_v<T, ToggleCommand>) {
            engine_.toggle(c.output);
        } else if constexpr (std::is_same_v<T, AllCommand>) {
            engine_.setAll(c.on);
        } else if constexpr (std::is_same_v<T, RenameCommand>) {
            engine_.rename(c.output, c.name);
        } else if constexpr (std::is_same_v<T, PulseCommand>) {
            pulses_.pulse(c.output, c.milliseconds);
        } else {
            Reply reply;
            const auto line = [&](int output) {
                reply.lines.push_back(outputLine(output, engine_.isOn(output), engine_.name(output)));
            };
            if (c.outputs.empty())
                for (int output = 1; output <= OutState::kOutputs; ++output) line(output);
            for (int output : c.outputs) line(output);
            return reply;
        }
        return {};
    };
    // A request that fails is refused; the running copy goes on.
    try {
        return std::visit(carryOut, command);
    } catch (const std::exception& failure) {
        return Reply::refused(std::string("не выполнено: ") + failure.what());
    }
}

}  // namespace kavtra
