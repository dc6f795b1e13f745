#include "engine/output_engine.h"

#include <algorithm>
#include <stdexcept>

#include "outputs/transfer.h"
#include "persist/files/data_file.h"
#include "persist/files/settings.h"
#include "persist/profile/failure_report.h"
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

OutputEngine::OutputEngine(const clsINI& data, LPT& lpt) : data_(data), lpt_(lpt) {}

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

void OutputEngine::applyPolicy(std::int16_t policy, const Source& source) {
    if (policy != kPolicyAllOn && policy != kPolicyAllOff && policy != kPolicyRemembered) return;
    for (int n = 1; n <= kOutputs; ++n) {
        switch (policy) {
        case kPolicyRemembered: states_[n] = rememberedValue(data_, n); break;
        case kPolicyAllOff: states_[n] = kStateOff; break;
        default: states_[n] = kStateOn; break;
        }
    }
    finish(OutputChange{everyOutput(), {}, source});
}

void OutputEngine::LoadList() {
    const ProfileReadGroup oneRead;
    for (int n = 1; n <= kOutputs; ++n) names_[n] = savedName(data_, n);
    UpdateOuts();
    finish(OutputChange{{}, everyOutput(), Source::StartPolicy});
}

SaveOutcome OutputEngine::SaveList() {
    // The profile layer says what failed only to its listeners; this one
    // hears the save of our own file, for the one who asked for the step.
    SaveOutcome outcome;
    const std::string& path = data_.FileName();
    const ProfileListenerId heard = addProfileListener([&](const ProfileReport& report) {
        if (report.path == path && report.what == kNotSaved) outcome = {false, report.reason};
    });
    {
        const ProfileWriteGroup oneSave;
        for (int n = 1; n <= kOutputs; ++n) {
            const std::string section = deviceSection(n);
            data_.WritePrivateINIString(section, kValueKey, std::to_string(states_[n]));
            data_.WritePrivateINIString(section, kNameKey, names_[n]);
        }
    }
    removeProfileListener(heard);
    return outcome;
}

void OutputEngine::UpdateOuts() { kavtra::UpdateOuts(states_, lpt_); }

void OutputEngine::Init_Outs() { kavtra::Init_Outs(lpt_); }

void OutputEngine::releasePort() { lpt_.SetDataInput(true); }

bool OutputEngine::toggledOn(int output) const { return state(output) == kStateOff; }

SaveOutcome OutputEngine::toggle(int output, Source source) { return set({{output, toggledOn(output)}}, source); }

SaveOutcome OutputEngine::set(const std::vector<std::pair<int, bool>>& outputsOn, Source source) {
    for (const auto& [output, on] : outputsOn) check(output);
    if (outputsOn.empty()) return {};
    OutputChange change{{}, {}, source};
    for (const auto& [output, on] : outputsOn) {
        states_[output] = code(on);
        if (std::find(change.states.begin(), change.states.end(), output) == change.states.end())
            change.states.push_back(output);
    }
    return finishStep(change, true);
}

SaveOutcome OutputEngine::setAll(bool on, Source source) {
    for (int n = 1; n <= kOutputs; ++n) states_[n] = code(on);
    return finishStep(OutputChange{everyOutput(), {}, source}, true);
}

SaveOutcome OutputEngine::rename(int output, const std::string& name, Source source) {
    check(output);
    // The name as the next start will read it back, so that whoever shows it
    // shows what was really kept.
    names_[output] = valueAsStored(deviceSection(output), kNameKey, name, data_.FileName());
    return finishStep(OutputChange{{}, {output}, source}, false);
}

SaveOutcome OutputEngine::finishStep(const OutputChange& change, bool transfer) {
    const SaveOutcome saved = SaveList();
    if (transfer) UpdateOuts();
    finish(change);
    return saved;
}

OutputEngine::ListenerId OutputEngine::addListener(Listener listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void OutputEngine::removeListener(ListenerId id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void OutputEngine::finish(const OutputChange& change) {
    // A listener may add or remove listeners while it is told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(change);
}

}  // namespace kavtra
