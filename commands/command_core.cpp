#include "commands/command_core.h"

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <type_traits>

#include "commands/output_list.h"

namespace kavtra {

namespace {

// Why a step was not saved, said the way the request was answered.
Reply answer(const SaveOutcome& saved, const char* done = "выходы переключены") {
    if (saved.saved) return {};
    return Reply::notSaved(std::string(done) + ", но Data.dat не сохранён (" + saved.reason +
                           "): после перезапуска будет прежнее");
}

// The answer to a step once its outputs are latched.
WhenLatched answering(const CommandCore::Answer& reply) {
    return [reply](const Latched& end) {
        reply(end.cancelled ? Reply::cancelled("выход ждал мёртвого времени блокировки, и более поздняя команда "
                                               "отменила ожидание: он не включён")
                            : answer(end.saved));
    };
}

// Thrown where a request names what is not there; refused like any failure.
struct Unknown : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace

CommandCore::CommandCore(OutputEngine& engine, OutputPulses& pulses, RuleBook& rules, const SafetyTimers* safety,
                         SequenceControl* sequences, OutputCounters* counters)
    : engine_(engine), pulses_(pulses), rules_(rules), safety_(safety), sequences_(sequences), counters_(counters) {}

std::vector<OutputView> CommandCore::inputs() const {
    const InputLevels levels = engine_.readInputs();
    const std::vector<InputSetting>& settings = rules_.rules().inputs;
    std::vector<OutputView> views;
    for (int number = 1; number <= static_cast<int>(kInputs); ++number) {
        const auto setting = std::find_if(settings.begin(), settings.end(),
                                          [number](const InputSetting& input) { return input.number == number; });
        const bool inverted = setting != settings.end() && setting->inverted;
        views.push_back({number, inputName(settings, number), levels[number - 1] != inverted});
    }
    return views;
}

OutputView CommandCore::view(int output) const {
    return {output, engine_.name(output), engine_.isOn(output), safety_ ? safety_->left(output) : std::nullopt,
            safety_ ? safety_->deadline(output) : std::nullopt};
}

StatsView CommandCore::stats(int output) const {
    engine_.state(output);  // the number's check
    if (!counters_) throw std::runtime_error("счётчики здесь не ведутся");
    const auto power = rules_.rules().power.find(output);
    return {output, counters_->tally(output),
            power == rules_.rules().power.end() ? std::nullopt : std::optional<double>(power->second)};
}

std::vector<int> CommandCore::outputsOf(const Target& target) const {
    if (target.group.empty()) return {target.output};
    const Group* group = rules_.rules().group(target.group);
    if (!group) throw Unknown(noGroup(target.group));
    return group->outputs;
}

std::vector<int> CommandCore::outputsOf(const std::vector<Target>& targets) const {
    std::set<int> outputs;
    for (const Target& target : targets) {
        const std::vector<int> more = outputsOf(target);
        outputs.insert(more.begin(), more.end());
    }
    return {outputs.begin(), outputs.end()};
}

Reply CommandCore::linesOf(const std::vector<Target>& targets, const std::function<std::string(int)>& line) const {
    Reply reply;
    std::vector<int> outputs;  // as asked, in order
    for (const Target& target : targets) {
        const std::vector<int> more = outputsOf(target);
        outputs.insert(outputs.end(), more.begin(), more.end());
    }
    if (targets.empty())
        for (int output = 1; output <= OutState::kOutputs; ++output) outputs.push_back(output);
    for (int output : outputs) reply.lines.push_back(line(output));
    return reply;
}

Reply CommandCore::execute(const Request& request, WindowShower* window) {
    auto now = std::make_shared<std::optional<Reply>>();
    execute(
        request, [now](const Reply& reply) { *now = reply; }, window);
    return now->value_or(Reply{});
}

void CommandCore::execute(const Request& request, Answer respond, WindowShower* window) {
    // Those that switch answer through `respond` when latched; the others
    // return their reply.
    const auto carryOut = [&](const auto& c) -> std::optional<Reply> {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, ShowCommand>) {
            if (!window) return Reply::refused("программа работает без окна (--no-window), показывать нечего");
            window->showWindow();
            return Reply{};
        } else if constexpr (std::is_same_v<T, SetCommand>) {
            set(c.outputs, request.source, respond);
        } else if constexpr (std::is_same_v<T, ToggleCommand>) {
            set({{c.output, Switch::Toggle}}, request.source, respond);
        } else if constexpr (std::is_same_v<T, AllCommand>) {
            engine_.setAll(c.on, request.source, answering(respond));
        } else if constexpr (std::is_same_v<T, RenameCommand>) {
            return answer(engine_.rename(c.output, c.name, request.source), "имя изменено");
        } else if constexpr (std::is_same_v<T, PulseCommand>) {
            pulses_.pulse(c.output, c.milliseconds, request.source, answering(respond));
        } else if constexpr (std::is_same_v<T, GetCommand>) {
            return linesOf(c.outputs, [this](int output) { return outputLine(view(output)); });
        } else if constexpr (std::is_same_v<T, StatsCommand>) {
            return linesOf(c.outputs, [this](int output) { return statsLine(stats(output)); });
        } else if constexpr (std::is_same_v<T, ResetStatsCommand>) {
            if (!counters_) return Reply::refused("счётчики здесь не ведутся");
            return answer(counters_->reset(outputsOf(c.outputs), request.source), "счётчики сброшены");
        } else if constexpr (std::is_same_v<T, GetInputsCommand>) {
            Reply reply;
            for (const OutputView& input : inputs()) reply.lines.push_back(outputLine(input));
            return reply;
        } else if constexpr (std::is_same_v<T, SceneCommand>) {
            const Scene* scene = rules_.rules().scene(c.name);
            if (!scene) return Reply::notFound(noScene(c.name));
            engine_.set(sceneStates(*scene), Source::scene(c.name), answering(respond));
        } else if constexpr (std::is_same_v<T, SaveSceneCommand>) {
            std::vector<int> outputs = outputsOf(c.outputs);
            if (c.outputs.empty())
                for (int output = 1; output <= OutState::kOutputs; ++output) outputs.push_back(output);
            std::vector<int> on, off;
            for (int output : outputs) (engine_.isOn(output) ? on : off).push_back(output);
            const std::string why = rules_.saveScene(c.name, on, off);
            return why.empty() ? Reply{} : Reply::refused(why);
        } else if constexpr (std::is_same_v<T, UndoCommand>) {
            if (!engine_.canUndo()) return Reply::refused("отменять нечего");
            engine_.undo(answering(respond));
        } else if constexpr (std::is_same_v<T, StartCommand> || std::is_same_v<T, PauseCommand> ||
                             std::is_same_v<T, StopCommand>) {
            if (!sequences_) return Reply::refused("последовательности здесь не выполняются");
            if constexpr (std::is_same_v<T, StartCommand>) return sequences_->start(c.name, request.source);
            if constexpr (std::is_same_v<T, PauseCommand>) return sequences_->pause(c.name, request.source);
            if constexpr (std::is_same_v<T, StopCommand>) return sequences_->stop(c.name, request.source);
        } else if constexpr (std::is_same_v<T, RuleCommand>) {
            if (!rules_.rules().rule(c.name)) return Reply::notFound(noRule(c.name));
            const std::string why = rules_.switchRule(c.name, c.on);
            return why.empty() ? Reply{} : Reply::refused(why);
        } else {
            // Read off this thread: the transfers and timers go on meanwhile.
            rules_.reloadInBackground([this, respond] {
                if (!rules_.unread().empty()) return respond(Reply::unread(rules_.unread()));
                Reply reply;
                for (const RuleProblem& problem : rules_.problems()) reply.lines.push_back(problemText(problem));
                respond(reply);
            });
        }
        return std::nullopt;
    };
    // A request that fails is refused; the running copy goes on.
    std::optional<Reply> now;
    try {
        now = std::visit(carryOut, request.command);
    } catch (const std::exception& failure) {
        now = dynamic_cast<const Unknown*>(&failure) ? Reply::notFound(failure.what())
                                                     : Reply::refused(std::string("не выполнено: ") + failure.what());
    }
    if (now) respond(*now);
}

void CommandCore::executeTogether(const std::vector<Command>& commands, const Source& source, const Answer& answer) {
    std::vector<std::pair<int, bool>> step;  // in the order asked; a later word wins in the engine's step
    std::map<int, bool> asked;
    const auto ask = [&](int output, bool on) {
        step.emplace_back(output, on);
        asked[output] = on;
    };
    const auto isOn = [&](int output) {
        const auto found = asked.find(output);
        return found != asked.end() ? found->second : engine_.isOn(output);
    };
    // A toggle means the window's, of the state this step has asked for so far.
    const auto toggled = [&](int output) {
        const auto found = asked.find(output);
        return found != asked.end() ? !found->second : engine_.toggledOn(output);
    };
    const auto flush = [&] {
        if (!step.empty()) engine_.set(step, source, answering(answer));
        step.clear();
        asked.clear();
    };
    for (const Command& command : commands) {
        try {
            if (const auto* set = std::get_if<SetCommand>(&command)) {
                for (const auto& [target, action] : set->outputs) {
                    const std::vector<int> outputs = outputsOf(target);
                    const bool allOn = std::all_of(outputs.begin(), outputs.end(), isOn);
                    for (int output : outputs) {
                        const bool toggledOn = target.group.empty() ? toggled(output) : !allOn;
                        ask(output, action == Switch::Toggle ? toggledOn : action == Switch::On);
                    }
                }
            } else if (const auto* toggle = std::get_if<ToggleCommand>(&command)) {
                const std::vector<int> outputs = outputsOf(toggle->output);
                const bool allOn = std::all_of(outputs.begin(), outputs.end(), isOn);
                for (int output : outputs) ask(output, toggle->output.group.empty() ? toggled(output) : !allOn);
            } else if (const auto* all = std::get_if<AllCommand>(&command)) {
                for (int output = 1; output <= OutState::kOutputs; ++output) ask(output, all->on);
            } else if (const auto* scene = std::get_if<SceneCommand>(&command)) {
                const Scene* found = rules_.rules().scene(scene->name);
                if (!found) throw Unknown(noScene(scene->name));
                for (const auto& [output, on] : sceneStates(*found)) ask(output, on);
            } else {
                flush();
                execute({command, source}, answer);
            }
        } catch (const Unknown& failure) {
            answer(Reply::notFound(failure.what()));
        }
    }
    flush();
}

void CommandCore::set(const std::vector<std::pair<Target, Switch>>& targets, const Source& source,
                      const Answer& respond) {
    // A toggle means what the window's double click means, read from the
    // states before this step; a group's toggle switches it all off when it
    // is all on, otherwise all on.
    std::vector<std::pair<int, bool>> outputsOn;
    for (const auto& [target, action] : targets) {
        const std::vector<int> outputs = outputsOf(target);
        const bool allOn = std::all_of(outputs.begin(), outputs.end(), [&](int n) { return engine_.isOn(n); });
        for (int output : outputs) {
            const bool toggledOn = target.group.empty() ? engine_.toggledOn(output) : !allOn;
            outputsOn.emplace_back(output, action == Switch::Toggle ? toggledOn : action == Switch::On);
        }
    }
    const bool oneGroup = targets.size() == 1 && !targets.front().first.group.empty();
    engine_.set(outputsOn, oneGroup ? Source::group(targets.front().first.group) : source, answering(respond));
}

}  // namespace kavtra
