#include "automation/sequences.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <sstream>
#include <utility>

#include "commands/parse.h"
#include "persist/files/data_file.h"
#include "persist/profile/profile.h"

namespace kavtra {
namespace {

using std::chrono::milliseconds;

std::string who(const Source& source) { return " (" + sourceLabel(source) + ")"; }

std::string stepWords(int step) { return "шаг " + std::to_string(step + 1); }

// A line of [Sequences]: "running ROUND STEP DEADLINE" or "paused ROUND STEP
// LEFT_MS", round and step from 1.
struct SavedRun {
    bool paused = false;
    int round = 0;
    int step = 0;
    WallTime deadline{};
    milliseconds left{0};
};

std::optional<SavedRun> savedRun(const std::string& text) {
    std::istringstream words(text);
    std::string state, round, step, rest;
    if (!(words >> state >> round >> step >> rest) || (state != "running" && state != "paused")) return std::nullopt;
    SavedRun run;
    run.paused = state == "paused";
    const auto r = digitsValue(round);
    const auto s = digitsValue(step);
    if (!r || !s || *r < 1 || *s < 1 || *r > 1000000 || *s > 1000000) return std::nullopt;
    run.round = static_cast<int>(*r) - 1;
    run.step = static_cast<int>(*s) - 1;
    if (run.paused) {
        const auto left = digitsValue(rest);
        if (!left) return std::nullopt;
        run.left = milliseconds(*left);
    } else {
        const auto deadline = savedTime(rest);
        if (!deadline) return std::nullopt;
        run.deadline = *deadline;
    }
    return run;
}

}  // namespace

std::string_view stateWord(SequenceStatus::State state) {
    switch (state) {
    case SequenceStatus::State::Running: return "running";
    case SequenceStatus::State::Paused: return "paused";
    case SequenceStatus::State::Stopped: break;
    }
    return "stopped";
}

Sequences::Sequences(OutputEngine& engine, Timers& timers, const WallClock& clock, RuleBook& rules, Carry carry)
    : engine_(engine),
      saveHook_(engine_.addSaveHook([this](const OutputChange&, const clsINI& data) { onSave(data); })),
      timer_(timers, 1),
      clock_(clock),
      rules_(rules),
      carry_(std::move(carry)) {}

Sequences::~Sequences() {
    engine_.removeSaveHook(saveHook_);
    timer_.stop(1);
}

Reply Sequences::start(const std::string& name, const Source& source) {
    const Sequence* sequence = rules_.rules().sequence(name);
    const auto found = runs_.find(name);
    if (found == runs_.end() && !sequence) return Reply::notFound(noSequence(name));
    if (found != runs_.end() && !found->second.paused)
        return Reply::refused("последовательность " + quoted(name) + " уже идёт");
    const std::uint64_t saves = saves_;
    const milliseconds now = timer_.now();
    if (found != runs_.end()) {
        Run& run = found->second;
        run.paused = false;
        run.start = now + run.left - run.sequence.steps[static_cast<std::size_t>(run.step)].hold;
        // Its step again: whatever was switched meanwhile, the step holds.
        walk(name, now, true, "продолжена" + who(source));
    } else {
        runs_.insert_or_assign(name, Run{*sequence, ++nextId_, false, 0, 0, now, {}});
        walk(name, now, true, "запущена" + who(source));
    }
    if (saves_ == saves) engine_.SaveList();
    arm();
    return {};
}

Reply Sequences::pause(const std::string& name, const Source& source) {
    const auto found = runs_.find(name);
    if (found == runs_.end())
        return rules_.rules().sequence(name) ? Reply::refused("последовательность " + quoted(name) + " не идёт")
                                             : Reply::notFound(noSequence(name));
    Run& run = found->second;
    if (run.paused) return Reply::refused("последовательность " + quoted(name) + " уже приостановлена");
    run.paused = true;
    run.left = std::max(run.ends() - timer_.now(), milliseconds(0));
    const std::uint64_t saves = saves_;
    tell(name, "приостановлена" + who(source));
    if (saves_ == saves) engine_.SaveList();
    arm();
    return {};
}

Reply Sequences::stop(const std::string& name, const Source& source) {
    if (!runs_.contains(name))
        return rules_.rules().sequence(name) ? Reply::refused("последовательность " + quoted(name) + " не идёт")
                                             : Reply::notFound(noSequence(name));
    const std::uint64_t saves = saves_;
    end(name, "остановлена" + who(source));
    if (saves_ == saves) engine_.SaveList();
    arm();
    return {};
}

void Sequences::walk(const std::string& name, milliseconds now, bool current, const std::string& remark) {
    Run& run = runs_.at(name);
    const std::vector<SequenceStep>& steps = run.sequence.steps;
    const auto count = static_cast<int>(steps.size());
    const std::optional<int> rounds = run.sequence.repeat;
    const auto holdOf = [&](int step) { return steps[static_cast<std::size_t>(step)].hold; };
    // The steps that start at the instant of the one walked to.
    std::vector<int> due;
    if (current) due.push_back(run.step);

    // Whole rounds over since (a restart after a long stop) are passed at
    // once, leaving at most one round to walk step by step.
    const milliseconds round = std::accumulate(steps.begin(), steps.end(), milliseconds(0),
                                               [](milliseconds sum, const SequenceStep& s) { return sum + s.hold; });
    milliseconds roundEnds = run.start;
    for (int step = run.step; step < count; ++step) roundEnds += holdOf(step);
    if (round.count() > 0 && now >= roundEnds + round) {
        long long over = (now - roundEnds) / round;
        if (rounds) over = std::min<long long>(over, *rounds - 2 - run.round);
        if (over >= 1) {
            run.round += 1 + static_cast<int>(over);
            run.step = 0;
            run.start = roundEnds + round * over;
            due = {0};
        }
    }

    bool finished = false;
    while (run.ends() <= now) {
        const milliseconds at = run.ends();
        int step = run.step + 1;
        int next = run.round;
        if (step == count) {
            step = 0;
            ++next;
        }
        if (rounds && next >= *rounds) {
            finished = true;
            break;
        }
        if (at != run.start) due.clear();
        run.step = step;
        run.round = next;
        run.start = at;
        due.push_back(step);
    }

    const std::uint64_t id = run.id;
    std::vector<std::pair<int, Command>> todo;
    for (int step : due) todo.emplace_back(step, steps[static_cast<std::size_t>(step)].command);
    if (finished) {
        // Gone from Data.dat with its last steps' save: done, whatever comes.
        const std::optional<Command> finally = run.sequence.finally;
        runs_.erase(name);
        for (const auto& [step, command] : todo) carry(name, command, stepWords(step));
        tell(name, "завершена");
        if (finally) carry(name, *finally, "Finally");
        return;
    }
    tell(name, remark);
    for (const auto& [step, command] : todo) {
        // A step may stop or restart its own sequence: the rest is not its.
        const auto found = runs_.find(name);
        if (found == runs_.end() || found->second.id != id) return;
        carry(name, command, stepWords(step));
    }
}

void Sequences::end(const std::string& name, const std::string& remark) {
    const auto found = runs_.find(name);
    if (found == runs_.end()) return;
    const std::optional<Command> finally = found->second.sequence.finally;
    runs_.erase(found);
    tell(name, remark);
    if (finally) carry(name, *finally, "Finally");
}

void Sequences::carry(const std::string& name, const Command& command, const std::string& what) {
    carry_(command, Source::sequence(name), [this, name, what](const Reply& reply) {
        if (!reply.done()) tell(name, what + ": " + reply.reason);
    });
}

void Sequences::wake() {
    const milliseconds now = timer_.now();
    std::vector<std::pair<milliseconds, std::string>> due;
    for (const auto& [name, run] : runs_)
        if (!run.paused && run.ends() <= now) due.emplace_back(run.ends(), name);
    std::sort(due.begin(), due.end());
    const std::uint64_t saves = saves_;
    for (const auto& [at, name] : due) {
        // An earlier one's step may have stopped or restarted this one.
        const auto found = runs_.find(name);
        if (found != runs_.end() && !found->second.paused && found->second.ends() <= now) walk(name, now, false, {});
    }
    if (!due.empty() && saves_ == saves) engine_.SaveList();
    arm();
}

void Sequences::arm() {
    std::optional<milliseconds> soonest;
    for (const auto& [name, run] : runs_)
        if (!run.paused && (!soonest || run.ends() < *soonest)) soonest = run.ends();
    if (!soonest) {
        timer_.stop(1);
        return;
    }
    timer_.start(1, std::max(*soonest - timer_.now(), milliseconds(0)), [this] { wake(); });
}

void Sequences::onSave(const clsINI& data) {
    ++saves_;
    // Before the start has read what the last run left, there is nothing of
    // this run's to save, and writing would lose that.
    if (!resumed_) return;
    removeProfileSection(kSequencesSection, data.FileName());
    const milliseconds now = timer_.now();
    for (const auto& [name, run] : runs_) {
        const std::string place = std::to_string(run.round + 1) + " " + std::to_string(run.step + 1) + " ";
        data.WritePrivateINIString(kSequencesSection, name,
                                   run.paused
                                       ? "paused " + place + std::to_string(run.left.count())
                                       : "running " + place + savedTimeText(clock_.wallNow() + (run.ends() - now)));
    }
}

void Sequences::resume() {
    resumed_ = true;
    const clsINI& data = engine_.dataFile();
    const std::vector<std::string> names = profileKeyNames(kSequencesSection, data.FileName());
    const std::uint64_t saves = saves_;
    const milliseconds now = timer_.now();
    for (const std::string& name : names) {
        const std::optional<SavedRun> saved = savedRun(data.GetPrivateINIString(kSequencesSection, name, ""));
        const Sequence* sequence = rules_.rules().sequence(name);
        if (!sequence || !saved || saved->step >= static_cast<int>(sequence->steps.size()) ||
            (sequence->repeat && saved->round >= *sequence->repeat)) {
            tell(name, sequence ? "не продолжена: в Data.dat её место записано неверно"
                                : "не продолжена: её больше нет в Rules.ini");
            continue;
        }
        const milliseconds hold = sequence->steps[static_cast<std::size_t>(saved->step)].hold;
        Run run{*sequence, ++nextId_, saved->paused, saved->round, saved->step, {}, std::min(saved->left, hold)};
        // Never longer than the step's time from now, whatever the calendar
        // did meanwhile: a clock put back must not stretch a step.
        run.start = now + std::min(milliseconds(saved->deadline - clock_.wallNow()), hold) - hold;
        runs_.insert_or_assign(name, run);
        if (saved->paused)
            tell(name, "приостановлена с прошлого запуска, " + stepWords(saved->step));
        else
            walk(name, now, true, "продолжена после перезапуска");
    }
    if (!names.empty() && saves_ == saves) engine_.SaveList();
    arm();
}

void Sequences::reread() {
    const std::uint64_t saves = saves_;
    bool stopped = false;
    std::vector<std::string> names;
    for (const auto& [name, run] : runs_) names.push_back(name);
    for (const std::string& name : names) {
        const auto found = runs_.find(name);
        if (found == runs_.end()) continue;
        const Sequence* sequence = rules_.rules().sequence(name);
        if (sequence && *sequence == found->second.sequence) continue;
        end(name, sequence ? "остановлена: изменена в Rules.ini" : "остановлена: её больше нет в Rules.ini");
        stopped = true;
    }
    if (stopped && saves_ == saves) engine_.SaveList();
    arm();
}

void Sequences::tell(const std::string& name, const std::string& remark) { listeners_.call(status(name), remark); }

SequenceStatus Sequences::status(const std::string& name) const {
    SequenceStatus status;
    status.name = name;
    const auto found = runs_.find(name);
    const Sequence* sequence = found != runs_.end() ? &found->second.sequence : rules_.rules().sequence(name);
    if (!sequence) return status;
    status.steps = static_cast<int>(sequence->steps.size());
    status.rounds = sequence->repeat;
    if (found == runs_.end()) return status;
    const Run& run = found->second;
    status.state = run.paused ? SequenceStatus::State::Paused : SequenceStatus::State::Running;
    status.step = run.step + 1;
    status.round = run.round + 1;
    status.left = run.paused ? run.left : std::max(run.ends() - timer_.now(), milliseconds(0));
    return status;
}

std::vector<SequenceStatus> Sequences::statuses() const {
    std::vector<SequenceStatus> all;
    for (const Sequence& sequence : rules_.rules().sequences) all.push_back(status(sequence.name));
    return all;
}

}  // namespace kavtra
