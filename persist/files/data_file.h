#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "persist/profile/cls_ini.h"

namespace kavtra {

// Keys of Data.dat: one section "Devais_<n>" per output with Value and Name.
std::string deviceSection(int output);
inline constexpr std::string_view kValueKey = "Value";
inline constexpr std::string_view kNameKey = "Name";
std::string defaultOutputName(int output);  // "Вывод <n>"

// State codes, in OutState and in Value alike. Any code other than kStateOn
// means off; a switch writes kStateOff.
inline constexpr std::int16_t kStateOn = 0;
inline constexpr std::int16_t kStateOff = 1;

// The state last saved for an output: its Value by numeric reading, rounded
// half to even into 16 bits, "0" (on) when missing. Reads through `data`,
// which its owner has pointed at Data.dat.
std::int16_t rememberedValue(const clsINI& data, int output);

// The name saved for an output, defaultOutputName when missing.
std::string savedName(const clsINI& data, int output);

// Sections after the outputs' for what is due to happen to an output at a
// time, saved with the step that set it so that a restart finds it: when a
// limit switches an output off ("N=2026-05-01T12:20:00.000Z") and when a
// pulse returns ("N=2026-05-01T12:00:01.500Z on", with the state it returns
// to). Times are UTC, so that a change of time zone or summer time moves
// none of them.
inline constexpr std::string_view kTimersSection = "Timers";
inline constexpr std::string_view kPulsesSection = "Pulses";

// [Schedule] Done=: until when the schedules were carried out, saved with
// every step, so that a start can name the events missed since.
inline constexpr std::string_view kScheduleSection = "Schedule";
inline constexpr std::string_view kScheduleDoneKey = "Done";

// [Sequences] NAME=: where a running or paused sequence stands, saved with
// each of its steps: "running ROUND STEP DEADLINE" or "paused ROUND STEP
// LEFT_MS".
inline constexpr std::string_view kSequencesSection = "Sequences";

// [Counters] N=: an output's counters as they stood at its last switch or
// reset, saved with that step: "SWITCHES TOTAL_MS DAY_MS DAY_BEFORE_MS AT
// on|off" (57 switches, on 43500000 ms in all, of which 4200000 ms on AT's
// local day and 7200000 ms on the day before, on or off since AT), e.g.
// "57 43500000 4200000 7200000 2026-05-01T12:20:00.000Z on". Time on since
// AT is counted when read.
inline constexpr std::string_view kCountersSection = "Counters";

using SavedTime = std::chrono::sys_time<std::chrono::milliseconds>;
std::string savedTimeText(SavedTime time);  // "2026-05-01T12:20:00.000Z"
// Nothing for any other text than savedTimeText's form.
std::optional<SavedTime> savedTime(std::string_view text);

// Such a section's entries by output: keys that are no output number (1 to
// 300) are left out.
std::map<int, std::string> savedEntries(const clsINI& data, std::string_view section);
// The section made to hold these entries and no others (removed when there
// are none); inside a write group it joins that group's one save.
void writeSavedEntries(const clsINI& data, std::string_view section, const std::map<int, std::string>& entries);

}  // namespace kavtra
