#include "app/program.h"

#include <cstdio>
#include <cstdlib>

#include "commands/schedule_listing.h"
#include "persist/paths/files_dir.h"

namespace kavtra {
namespace {

std::unique_ptr<PortStack> openedPort(PortFailureHandler onFailure) {
    // Opened before anything reads or writes either file: a port that cannot
    // be opened ends the program with both files untouched.
    std::unique_ptr<PortStack> port = buildPortStack(portEnvironment(), std::move(onFailure));
    port->open();
    return port;
}

}  // namespace

Program::Program(const std::string& exeDir, PortFailureHandler onPortFailure)
    : executableDir(exeDir),
      port(openedPort(std::move(onPortFailure))),
      filesDir(filesDirectory(exeDir)),
      config(configPath(filesDir)),
      data(dataPath(filesDir)),
      settings(config),
      engine(data, port->lpt()),
      pulses(engine, timers),
      rules(rulesPath(filesDir), engine, deadTimes),
      core(engine, pulses, rules),
      changeLog(changeLogPath(filesDir)),
      logWriter(engine, changeLog),
      // The exit sequence ends the process at once: no handler runs after it.
      runner(
          settings, engine, [] { std::_Exit(0); }, [this](const std::string& name) { return sceneStates(name); }),
      scheduler(
          engine, calendar, calendar, [this](const std::string& name) { return sceneStates(name); },
          [this](const ScheduleEntry& entry, Instant at) {
              changeLog.append(logLine(logTimestamp(std::chrono::system_clock::now()),
                                       sourceText(Source::schedule(entry.name)),
                                       "missed " + localTimeText(systemZone(), at)));
          }),
      exitSignals_([this] { runner.exitSequence(); }) {
    runner.addExitStep([this] { pulses.returnAll(); });
    runner.addStartStep([this] { scheduler.start(schedulePlan(), std::nullopt); });
    rules.addListener([this] {
        if (scheduler.plan()) scheduler.replan(schedulePlan());
    });
    rules.reload();
    for (const RuleProblem& problem : rules.problems())
        std::fprintf(stderr, "kavtra: %s\n", problemText(problem).c_str());
    std::fflush(stderr);
}

std::optional<std::vector<std::pair<int, bool>>> Program::sceneStates(const std::string& name) const {
    const Scene* scene = rules.rules().scene(name);
    if (!scene) return std::nullopt;
    return kavtra::sceneStates(*scene);
}

std::shared_ptr<const SchedulePlan> Program::schedulePlan() const {
    return std::make_shared<const SchedulePlan>(rules.rules().schedules, rules.rules().place, systemZone());
}

}  // namespace kavtra
