#include "plant/plant.h"

#include <cstdio>

#include "commands/output_choice.h"
#include "commands/output_list.h"
#include "commands/parse.h"
#include "persist/paths/files_dir.h"
#include "persist/profile/profile.h"
#include "rules/schedule_listing.h"

namespace kavtra {

Plant::Plant(LPT& lpt, const std::string& filesDir, PlantClocks clocks, EngineThread engineThread)
    : config(configPath(filesDir)),
      data(dataPath(filesDir)),
      settings(config),
      engine(data, lpt, clocks.deadTimes),
      inputs(engine, clocks.timers),
      pulses(engine, clocks.timers, clocks.calendar),
      safety(engine, clocks.timers, clocks.calendar),
      counters(engine, clocks.calendar, clocks.zone),
      rules(rulesPath(filesDir), std::move(engineThread)),
      sequences(engine, clocks.timers, clocks.calendar, rules,
                [this](const Command& command, const Source& source, const CommandCore::Answer& answer) {
                    core.executeTogether({command}, source, answer);
                }),
      core(engine, pulses, rules, &safety, &sequences, &counters),
      changeLog(changeLogPath(filesDir)),
      logWriter(engine, changeLog, [&calendar = clocks.calendar] { return calendar.wallNow(); }),
      switches(engine),
      scheduler(
          engine, clocks.calendar, clocks.alarm, [this](const std::string& name) { return sceneStates(name); },
          [this](const ScheduleEntry& entry, Instant at) {
              changeLog.append(missedLine(Source::schedule(entry.name), clocks_.calendar.wallNow(),
                                          localTimeText(clocks_.zone, at)));
          }),
      ruleRunner(
          engine, clocks.timers, clocks.calendar, clocks.zone, [this](int input) { return inputs.isOn(input); },
          [this](const Rule& rule, const std::string& cause) {
              const Source source = Source::rule(rule.name);
              remark(source, "сработало: " + cause);
              core.executeTogether(rule.actions, source, [this, source](const Reply& reply) {
                  if (reply.outcome == Reply::Outcome::Refused || reply.outcome == Reply::Outcome::NotFound)
                      remark(source, "не выполнено: " + reply.reason);
              });
          },
          [this](const Rule& rule, int depth) {
              remark(Source::rule(rule.name), "не выполнено: цепочка правил, сработавших одно от другого, длиннее " +
                                                  std::to_string(depth) + " (Depth в [Rules] файла Rules.ini)");
          }),
      clocks_(clocks) {
    engine.readInversionWith([this] { return readInversion(); });
    // What keeps to the rules hears of them first, before any transport
    // acts on what they changed. A file that could not be read leaves the
    // rules in force as they were.
    rules.addListener([this] {
        if (!rules.unread().empty()) return;
        engine.setInterlocks(rules.rules().interlocks);
        safety.setLimits(rules.rules().limits);
        std::array<InputTuning, kInputs> tuning{};
        for (const InputSetting& input : rules.rules().inputs)
            tuning[static_cast<std::size_t>(input.number - 1)] = {input.inverted, input.debounce};
        inputs.configure(tuning, rules.rules().inputPeriod);
        ruleRunner.setRules(rules.rules());
        inputs.want("rules", ruleRunner.inputsUsed());
        if (scheduler.plan()) scheduler.replan(schedulePlan());
        sequences.reread();
    });
    rules.addListener([this] {
        if (!rules.unread().empty()) remark(Source::RulesFile, rules.unread());
    });
    sequences.addListener([this](const SequenceStatus& status, const std::string& text) {
        if (!text.empty()) remark(Source::sequence(status.name), text);
    });
    inputs.addListener([this](const InputEdge& edge) { ruleRunner.inputChanged(edge.input, edge.on); });
    counters.addListener([this](const CountersChange& change) {
        if (change.resetBy) remark(*change.resetBy, "счётчики сброшены: " + listText(change.outputs));
    });
    rules.reload();
}

std::int32_t Plant::start() {
    // One look at each file for the whole sequence: a file saved just before
    // the start cannot be trusted to the cache yet, and its 300 policy reads
    // would each parse all of it again. The policy and the names then also
    // come from the same file, even if another program replaces it meanwhile.
    const ProfileReadGroup oneRead;
    const std::int32_t period = settings.timeUpdate();
    // Before the policy, which is counted against what the board held.
    counters.resume();
    applyPolicy(settings.valLoad(), settings.sceneLoad(), Source::StartPolicy);
    engine.LoadList([this] {
        // The limits first: an output whose limit ran out is off before a
        // pulse's return is judged against its state.
        safety.resume();
        pulses.resume();
    });
    engine.Init_Outs();
    // Setting the port up loses the picture the start transfer latched; a
    // running refresh brings it back at its first tick, a stopped one never.
    if (period <= 0) engine.UpdateOuts();
    scheduler.start(schedulePlan(), Scheduler::savedDone(data));
    sequences.resume();
    ruleRunner.start();
    return period;
}

bool Plant::exit() {
    if (exiting_) return false;
    exiting_ = true;
    ruleRunner.stop();
    // The exit policy's 300 reads look at each file once too: a list saved
    // just before the exit would otherwise be parsed anew by every one. A save
    // by a step ends its file's snapshot, so the policy reads what it saved.
    const ProfileReadGroup oneRead;
    // The running timers stay saved as they are: the exit policy's states are
    // not saved either, so Data.dat keeps each output's state and deadline as
    // its last step left them, and the next start judges the two together.
    pulses.returnAll();
    applyPolicy(settings.valUnload(), settings.sceneUnload(), Source::ExitPolicy);
    engine.UpdateOuts();
    engine.releasePort();
    for (const auto& step : finalSteps_) step();
    return true;
}

std::optional<InvertedOutputs> Plant::readInversion() {
    const std::optional<std::string> text = settings.invertedOutputs();
    const Parsed<InvertedOutputs> read = text ? parseInvertedOutputs(*text)
                                              : Parsed<InvertedOutputs>::refused("config.ini не читается");
    if (read) {
        inverted_ = *read.value;
        if (!inversionFault_.empty() && tellInversionFault_) tellInversionFault_({});
        inversionFault_.clear();
        return inverted_;
    }
    const std::string fault =
        "config.ini, [Outputs], Inverted: " + read.error + "; " +
        (inverted_ ? "выводы передаются по прежнему значению" : "выводы не передаются, пока его не исправят");
    if (fault != inversionFault_) {
        inversionFault_ = fault;
        std::fprintf(stderr, "kavtra: %s\n", fault.c_str());
        std::fflush(stderr);
        if (tellInversionFault_) tellInversionFault_(fault);
    }
    return inverted_;
}

void Plant::remark(const Source& source, const std::string& text) {
    changeLog.append(logLine(logTimestamp(clocks_.calendar.wallNow()), sourceText(source), text));
}

void Plant::applyPolicy(std::int16_t policy, const std::string& scene, const Source& source) {
    std::optional<std::vector<std::pair<int, bool>>> states;
    if (!scene.empty()) states = sceneStates(scene);
    if (!scene.empty() && !states) {
        // The policy alone, then: a missing scene must not stop a start or an exit.
        std::fprintf(stderr, "kavtra: config.ini, [Configs], %s: %s в Rules.ini\n",
                     source == Source::StartPolicy ? "SceneLoad" : "SceneUnload", noScene(scene).c_str());
        std::fflush(stderr);
    }
    engine.applyPolicy(policy, source, states.value_or(std::vector<std::pair<int, bool>>{}));
}

std::optional<std::vector<std::pair<int, bool>>> Plant::sceneStates(const std::string& name) const {
    const Scene* scene = rules.rules().scene(name);
    if (!scene) return std::nullopt;
    return kavtra::sceneStates(*scene);
}

std::shared_ptr<const SchedulePlan> Plant::schedulePlan() const {
    return std::make_shared<const SchedulePlan>(rules.rules().schedules, rules.rules().place, clocks_.zone);
}

}  // namespace kavtra
