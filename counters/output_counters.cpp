#include "counters/output_counters.h"

#include <string>

#include "persist/files/data_file.h"
#include "persist/profile/profile.h"

namespace kavtra {

OutputCounters::OutputCounters(OutputEngine& engine, const WallClock& clock, const LocalZone& zone)
    : engine_(engine),
      clock_(clock),
      zone_(zone),
      saveHook_(engine_.addSaveHook([this](const OutputChange& change, const clsINI& data) {
          std::vector<int> counted = count(change);
          counted.insert(counted.end(), unsaved_.begin(), unsaved_.end());
          unsaved_.clear();
          write(counted, data);
          saved_.insert(saved_.end(), counted.begin(), counted.end());
      })),
      listener_(engine_.addListener([this](const OutputChange& change) {
          // A step the engine did not save (a policy's) is counted here; a
          // saved one was counted by its save. The start writes no file, so
          // its policy's counts go with the next save; no save follows the
          // exit's, so those are saved alone.
          const std::vector<int> unsaved = count(change);
          if (change.source == Source::ExitPolicy && !unsaved.empty())
              saveFailure(engine_.dataFile().FileName(), [&] { write(unsaved, engine_.dataFile()); });
          else
              unsaved_.insert(unsaved_.end(), unsaved.begin(), unsaved.end());
          CountersChange told{std::move(saved_), nullptr};
          saved_.clear();
          told.outputs.insert(told.outputs.end(), unsaved.begin(), unsaved.end());
          if (!told.outputs.empty()) listeners_.call(told);
      })) {}

OutputCounters::~OutputCounters() {
    engine_.removeListener(listener_);
    engine_.removeSaveHook(saveHook_);
}

void OutputCounters::resume() {
    resumed_ = true;
    for (const auto& [output, text] : savedEntries(engine_.dataFile(), kCountersSection))
        if (const std::optional<CounterRecord> record = recordOf(text)) {
            records_[static_cast<std::size_t>(output)] = *record;
            known_[static_cast<std::size_t>(output)] = true;
        }
}

std::vector<int> OutputCounters::count(const OutputChange& change) {
    std::vector<int> counted;
    if (!resumed_) return counted;
    const WallTime now = clock_.wallNow();
    const bool policy = change.source == Source::StartPolicy || change.source == Source::ExitPolicy;
    for (int output : change.states) {
        CounterRecord& record = records_[static_cast<std::size_t>(output)];
        if (engine_.isOn(output) == record.on) continue;
        // Counting starts at an output's first switch by a step: what a
        // policy gives one that has none is where it starts from.
        if (policy && !known_[static_cast<std::size_t>(output)]) {
            record = {0, {}, {}, {}, now, engine_.isOn(output)};
            continue;
        }
        record = switchedAt(record, !record.on, now, zone_);
        counted.push_back(output);
    }
    return counted;
}

void OutputCounters::write(const std::vector<int>& outputs, const clsINI& data) {
    for (int output : outputs) {
        known_[static_cast<std::size_t>(output)] = true;
        data.WritePrivateINIString(kCountersSection, std::to_string(output),
                                   recordText(records_[static_cast<std::size_t>(output)]));
    }
}

OutputTally OutputCounters::tally(int output) const {
    return tallyAt(records_.at(static_cast<std::size_t>(output)), clock_.wallNow(), zone_);
}

SaveOutcome OutputCounters::reset(const std::vector<int>& outputs, const Source& source) {
    std::vector<int> reset = outputs;
    if (reset.empty())
        for (int output = 1; output <= OutState::kOutputs; ++output) reset.push_back(output);
    const WallTime now = clock_.wallNow();
    for (int output : reset) {
        CounterRecord& record = records_.at(static_cast<std::size_t>(output));
        record = {0, {}, {}, {}, now, record.on};
    }
    std::string failure = saveFailure(engine_.dataFile().FileName(), [&] { write(reset, engine_.dataFile()); });
    listeners_.call(CountersChange{reset, &source});
    return {failure.empty(), std::move(failure)};
}

}  // namespace kavtra
