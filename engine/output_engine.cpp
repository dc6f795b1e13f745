#include "engine/output_engine.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "outputs/transfer.h"
#include "persist/files/data_file.h"
#include "persist/files/settings.h"
#include "persist/profile/profile.h"
#include "persist/profile/stored_value.h"

namespace kavtra {
namespace {

constexpr int kOutputs = OutState::kOutputs;

std::vector<int> everyOutput() {
    std::vector<int> all(kOutputs);
    for (int n = 1; n <= kOutputs; ++n) all[n - 1] = n;
    return all;
}

std::int16_t code(bool on) { return on ? kStateOn : kStateOff; }

}  // namespace

OutputEngine::OutputEngine(const clsINI& data, LPT& lpt, Timers& timers)
    : data_(data), lpt_(lpt), gate_(timers, [this](DeadTimeGate::Waiting waiting) {
          std::vector<std::pair<int, std::int16_t>> codes;
          for (int output : waiting.outputs) codes.emplace_back(output, kStateOn);
          // Planned anew: should the clock have run short, the outputs wait again.
          step(codes, waiting.source, false, true, std::move(waiting.whenLatched), waiting.cancelledSome);
      }) {}

void OutputEngine::check(int output) {
    if (output < 1 || output > kOutputs) throw std::out_of_range("output " + std::to_string(output));
}

bool OutputEngine::isOn(int output) const { return state(output) == kStateOn; }

std::int16_t OutputEngine::state(int output) const {
    check(output);
    return states_[output];
}

const std::string& OutputEngine::name(int output) const {
    check(output);
    return names_[output];
}

void OutputEngine::applyPolicy(std::int16_t policy, const Source& source,
                               const std::vector<std::pair<int, bool>>& scene) {
    const bool known = policy == kPolicyAllOn || policy == kPolicyAllOff || policy == kPolicyRemembered;
    if (!known && scene.empty()) return;
    std::vector<std::pair<int, std::int16_t>> codes;
    for (int n = 1; known && n <= kOutputs; ++n) {
        switch (policy) {
        case kPolicyRemembered: codes.emplace_back(n, rememberedValue(data_, n)); break;
        case kPolicyAllOff: codes.emplace_back(n, kStateOff); break;
        default: codes.emplace_back(n, kStateOn); break;
        }
    }
    for (const auto& [output, on] : scene) codes.emplace_back(output, code(on));
    gate_.cancel(codes);
    // Before the start nothing is known to be on: what the start switches is
    // what it leaves on, so no dead time applies. At the exit an output that
    // would have to wait for one stays off: no later step will come.
    // What the board held before is not known either: an output the start
    // leaves off may have been on, so its dead time counts from the start's
    // latch.
    const bool starting = source == Source::StartPolicy;
    if (known && starting)
        for (int n = 1; n <= kOutputs; ++n) {
            states_[n] = kStateOff;
            gate_.switchedOff(n);
        }
    const InterlockPlan plan = gate_.plan(states_, codes, !starting);
    OutputChange change{everyOutput(), {}, source};
    change.switched = applyCodes(plan.codes, plan.held);
    change.held = plan.held;
    finish(change);
}

void OutputEngine::LoadList(const std::function<void()>& beforeTransfer) {
    const ProfileReadGroup oneRead;
    for (int n = 1; n <= kOutputs; ++n) names_[n] = savedName(data_, n);
    if (beforeTransfer) beforeTransfer();
    UpdateOuts();
    finish(OutputChange{{}, everyOutput(), Source::StartPolicy});
}

SaveOutcome OutputEngine::SaveList() { return save(OutputChange{}); }

SaveOutcome OutputEngine::save(const OutputChange& change) {
    std::string failure = saveFailure(data_.FileName(), [&] {
        for (int n = 1; n <= kOutputs; ++n) {
            const std::string section = deviceSection(n);
            data_.WritePrivateINIString(section, kValueKey, std::to_string(states_[n]));
            data_.WritePrivateINIString(section, kNameKey, names_[n]);
        }
        saveHooks_.call(change, data_);
    });
    if (!failure.empty()) ++figures_.saveFailures;
    return {failure.empty(), std::move(failure)};
}

SaveOutcome OutputEngine::settle(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source) {
    for (const auto& [output, on] : outputsOn) check(output);
    std::vector<std::pair<int, std::int16_t>> codes;
    for (const auto& [output, on] : outputsOn) codes.emplace_back(output, code(on));
    return step(codes, source, false, false);
}

bool OutputEngine::UpdateOuts() {
    if (inversionReader_) {
        const std::optional<InvertedOutputs> inverted = inversionReader_();
        if (!inverted) return false;
        inverted_ = *inverted;
    }
    const std::uint64_t refused = lpt_.RefusedAccesses();
    kavtra::UpdateOuts(states_, lpt_, inverted_);
    if (lpt_.RefusedAccesses() != refused) ++figures_.portErrors;
    gate_.latched(states_);
    return true;
}

void OutputEngine::Init_Outs() { kavtra::Init_Outs(lpt_); }

void OutputEngine::releasePort() { lpt_.SetDataInput(true); }

bool OutputEngine::toggledOn(int output) const { return state(output) == kStateOff; }

SaveOutcome OutputEngine::toggle(int output, const Source& source) {
    return set({{output, toggledOn(output)}}, source);
}

SaveOutcome OutputEngine::set(const std::vector<std::pair<int, bool>>& outputsOn, const Source& source,
                              WhenLatched whenLatched) {
    for (const auto& [output, on] : outputsOn) check(output);
    std::vector<std::pair<int, std::int16_t>> codes;
    for (const auto& [output, on] : outputsOn) codes.emplace_back(output, code(on));
    return step(codes, source, source.kind == Source::Kind::Scene || source.kind == Source::Kind::Group, true,
                std::move(whenLatched));
}

SaveOutcome OutputEngine::setAll(bool on, const Source& source, WhenLatched whenLatched) {
    std::vector<std::pair<int, std::int16_t>> codes;
    for (int n = 1; n <= kOutputs; ++n) codes.emplace_back(n, code(on));
    return step(codes, source, true, true, std::move(whenLatched));
}

SaveOutcome OutputEngine::undo(WhenLatched whenLatched) {
    std::vector<std::pair<int, std::int16_t>> codes;
    for (const auto& [output, was] : undo_)
        if (states_[output] == was.second) codes.emplace_back(output, was.first);
    undo_.clear();
    return step(codes, Source::Undo, false, true, std::move(whenLatched));
}

SaveOutcome OutputEngine::step(const std::vector<std::pair<int, std::int16_t>>& requested, const Source& source,
                               bool undoable, bool transfer, WhenLatched whenLatched, bool cancelledSome) {
    if (requested.empty()) {
        if (whenLatched) whenLatched({cancelledSome, {}});
        return {};
    }
    gate_.cancel(requested);
    const InterlockPlan plan = gate_.plan(states_, requested, true);
    if (undoable) {
        undo_.clear();
        for (const auto& [output, code] : plan.codes) undo_.push_back({output, {states_[output], code}});
    }
    OutputChange change{{}, {}, source};
    for (const auto& [output, code] : plan.codes) change.states.push_back(output);
    change.switched = applyCodes(plan.codes, plan.held);
    change.held = plan.held;
    const SaveOutcome saved = finishStep(change, transfer);
    if (plan.later.empty()) {
        if (whenLatched) whenLatched({cancelledSome, saved});
        return saved;
    }
    // The wait starts once this step's transfer has latched the others off.
    gate_.wait(plan.wait, {plan.later, source, std::move(whenLatched), cancelledSome});
    return saved;
}

std::vector<Switched> OutputEngine::applyCodes(const std::vector<std::pair<int, std::int16_t>>& codes,
                                               const std::vector<InterlockHold>& held) {
    std::vector<Switched> switched;
    for (const auto& entry : codes) {
        const int output = entry.first;
        const std::int16_t code = entry.second;
        const bool wasOn = states_[output] == kStateOn;
        states_[output] = code;
        if (wasOn && code != kStateOn) gate_.switchedOff(output);
        const bool byInterlock = std::any_of(held.begin(), held.end(), [output](const InterlockHold& hold) {
            return std::find(hold.outputs.begin(), hold.outputs.end(), output) != hold.outputs.end();
        });
        if (wasOn != (code == kStateOn) && !byInterlock) switched.push_back({output, code == kStateOn});
    }
    return switched;
}

SaveOutcome OutputEngine::rename(int output, const std::string& name, const Source& source) {
    check(output);
    // The name as the next start will read it back, so that whoever shows it
    // shows what was really kept.
    names_[output] = valueAsStored(deviceSection(output), kNameKey, name, data_.FileName());
    return finishStep(OutputChange{{}, {output}, source}, false);
}

SaveOutcome OutputEngine::finishStep(const OutputChange& change, bool transfer) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begun = Clock::now();
    const SaveOutcome saved = save(change);
    const Clock::time_point savedAt = Clock::now();
    figures_.saves.add(savedAt - begun);
    if (transfer && UpdateOuts()) figures_.transfers.add(Clock::now() - savedAt);
    finish(change);
    return saved;
}

void OutputEngine::finish(const OutputChange& change) {
    ++figures_.steps;
    listeners_.call(change);
}

}  // namespace kavtra
