#include "engine/output_engine.h"

#include <algorithm>
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

OutputEngine::OutputEngine(clsINI& data, LPT& lpt) : data_(data), lpt_(lpt) {}

void OutputEngine::check(int output) {
    if (output < 1 || output > kOutputs) throw std::out_of_range("output " + std::to_string(output));
}

bool OutputEngine::isOn(int output) const { return state(output) == kStateOn; }

std::int16_t OutputEngine::state(int output) const {
    check(output);
    return OutState[output];
}

const std::string& OutputEngine::name(int output) const {
    check(output);
    return names_[output];
}

void OutputEngine::applyPolicy(std::int16_t policy) {
    if (policy != kPolicyAllOn && policy != kPolicyAllOff && policy != kPolicyRemembered) return;
    for (int n = 1; n <= kOutputs; ++n) {
        switch (policy) {
        case kPolicyRemembered: OutState[n] = rememberedValue(data_, n); break;
        case kPolicyAllOff: OutState[n] = kStateOff; break;
        default: OutState[n] = kStateOn; break;
        }
    }
    finish(OutputChange{everyOutput(), {}});
}

void OutputEngine::LoadList() {
    const ProfileReadGroup oneRead;
    for (int n = 1; n <= kOutputs; ++n) names_[n] = savedName(data_, n);
    UpdateOuts();
    finish(OutputChange{{}, everyOutput()});
}

void OutputEngine::SaveList() {
    const ProfileWriteGroup oneSave;
    for (int n = 1; n <= kOutputs; ++n) {
        const std::string section = deviceSection(n);
        data_.WritePrivateINIString(section, kValueKey, std::to_string(OutState[n]));
        data_.WritePrivateINIString(section, kNameKey, names_[n]);
    }
}

void OutputEngine::UpdateOuts() { kavtra::UpdateOuts(OutState, lpt_); }

void OutputEngine::Init_Outs() { kavtra::Init_Outs(lpt_); }

void OutputEngine::releasePort() { lpt_.SetDataInput(true); }

void OutputEngine::toggle(int output) {
    check(output);
    OutState[output] = OutState[output] == kStateOff ? kStateOn : kStateOff;
    SaveList();
    UpdateOuts();
    finish(OutputChange{{output}, {}});
}

void OutputEngine::set(const std::vector<std::pair<int, bool>>& outputsOn) {
    for (const auto& [output, on] : outputsOn) check(output);
    if (outputsOn.empty()) return;
    OutputChange change;
    for (const auto& [output, on] : outputsOn) {
        OutState[output] = code(on);
        if (std::find(change.states.begin(), change.states.end(), output) == change.states.end())
            change.states.push_back(output);
    }
    SaveList();
    UpdateOuts();
    finish(change);
}

void OutputEngine::setAll(bool on) {
    for (int n = 1; n <= kOutputs; ++n) OutState[n] = code(on);
    SaveList();
    UpdateOuts();
    finish(OutputChange{everyOutput(), {}});
}

void OutputEngine::rename(int output, const std::string& name) {
    check(output);
    // The name as the next start will read it back, so that whoever shows it
    // shows what was really kept.
    names_[output] = valueAsStored(deviceSection(output), kNameKey, name, data_.FileName());
    SaveList();
    finish(OutputChange{{}, {output}});
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
