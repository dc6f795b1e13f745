#include "commands/command_core.h"

#include <exception>
#include <type_traits>

namespace kavtra {

std::string outputLine(int output, bool on, std::string_view name) {
    return std::to_string(output) + (on ? "\ton\t" : "\toff\t") + std::string(name);
}

CommandCore::CommandCore(OutputEngine& engine, OutputPulses& pulses, WindowShower* window)
    : engine_(engine), pulses_(pulses), window_(window) {}

Reply CommandCore::execute(const Request& request) {
    const Source source = request.source;
    const auto carryOut = [&](const auto& c) -> Reply {
        using T = std::decay_t<decltype(c)>;
        SaveOutcome saved;
        if constexpr (std::is_same_v<T, ShowCommand>) {
            if (!window_) return Reply::refused("программа работает без окна (--no-window), показывать нечего");
            window_->showWindow();
        } else if constexpr (std::is_same_v<T, SetCommand>) {
            // A toggle in a set means what the window's double click means,
            // read from the states before this step.
            std::vector<std::pair<int, bool>> outputsOn;
            for (const auto& [output, action] : c.outputs)
                outputsOn.emplace_back(output,
                                       action == Switch::Toggle ? engine_.toggledOn(output) : action == Switch::On);
            saved = engine_.set(outputsOn, source);
        } else if constexpr (std::is_same_v<T, ToggleCommand>) {
            saved = engine_.toggle(c.output, source);
        } else if constexpr (std::is_same_v<T, AllCommand>) {
            saved = engine_.setAll(c.on, source);
        } else if constexpr (std::is_same_v<T, RenameCommand>) {
            saved = engine_.rename(c.output, c.name, source);
        } else if constexpr (std::is_same_v<T, PulseCommand>) {
            saved = pulses_.pulse(c.output, c.milliseconds, source);
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
        if (saved.saved) return {};
        const char* done = std::is_same_v<T, RenameCommand> ? "имя изменено" : "выходы переключены";
        return Reply::notSaved(std::string(done) + ", но Data.dat не сохранён (" + saved.reason +
                               "): после перезапуска будет прежнее");
    };
    // A request that fails is refused; the running copy goes on.
    try {
        return std::visit(carryOut, request.command);
    } catch (const std::exception& failure) {
        return Reply::refused(std::string("не выполнено: ") + failure.what());
    }
}

}  // namespace kavtra
