#include "app/program.h"

#include <QMetaObject>

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
      pulses(engine, timers, wallClock),
      safety(engine, timers, wallClock),
      rules(rulesPath(filesDir), engine, deadTimes,
            [this](std::function<void()> call) {
                QMetaObject::invokeMethod(&timers, std::move(call), Qt::QueuedConnection);
            }),
      core(engine, pulses, rules, &safety),
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
    // The limits first: an output whose limit ran out is off before a pulse's
    // return is judged against its state.
    runner.addStartStep([this] { safety.resume(); });
    runner.addStartStep([this] { pulses.resume(); });
    // The running timers stay saved as they are: the exit policy's states are
    // not saved either, so Data.dat keeps each output's state and deadline as
    // its last step left them, and the next start judges the two together.
    runner.addExitStep([this] { pulses.returnAll(); });
    runner.addStartedStep([this] { scheduler.start(schedulePlan(), Scheduler::savedDone(data)); });
    rules.addListener([this] {
        if (scheduler.plan()) scheduler.replan(schedulePlan());
    });
    rules.addListener([this] { safety.setLimits(rules.rules().limits); });
    rules.addListener([this] {
        if (!rules.unread().empty())
            changeLog.append(logLine(logTimestamp(std::chrono::system_clock::now()), "rules", rules.unread()));
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
