#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands/output_list.h"
#include "rules/rules.h"

namespace kavtra {

// A section of one kind, with the name after the kind's word ("Теплица" of
// [Group Теплица]); empty for a kind that is one section ([Place]).
struct RuleSection {
    std::string section;
    std::string name;
};

// What every kind's reader shares: the file's values, the rules read so far,
// and one way of naming a fault.
struct RuleReader {
    Rules& rules() { return reading.rules; }
    void problem(const std::string& section, std::string key, std::string why);
    // A list as written, or nothing (and why, as a problem).
    std::optional<std::vector<ListItem>> list(const std::string& section, std::string_view key);
    // A list's outputs, ascending, the groups read so far resolved. A group
    // left out leaves out whatever names it: it is not there.
    std::optional<std::vector<int>> outputsOf(const std::string& section, std::string_view key);
    // On and Off of one section, or nothing when either is at fault or an
    // output is in both.
    std::optional<std::pair<std::vector<int>, std::vector<int>>> onAndOff(const std::string& section);
    // A request a rule or a sequence carries out (Do=, Steps=, Finally=), in
    // the command language: one that switches or runs something, naming only
    // groups, scenes and sequences read so far (or, given `sequences`, those
    // names: the sequences, which name one another in any order). Nothing
    // (and why, as a problem) otherwise.
    std::optional<Command> request(const std::string& section, std::string_view key, std::string_view text,
                                   const std::set<std::string>* sequences = nullptr);
    // The section's keys as written, in file order (or `known` in their order
    // when the file's order is not given), empty ones left out.
    std::vector<std::pair<std::string, std::string>> written(const std::string& section,
                                                             std::initializer_list<const char*> known);

    const RuleValue& value;
    const RuleKeys& keys;  // may be empty
    RulesReading& reading;
};

std::string quote(std::string_view name);
// The parts of a text between `separator`s, blanks around each taken off,
// empty ones left out.
std::vector<std::string_view> partsOf(std::string_view text, char separator);

// One reader per kind, each given every section of its kind in file order.
using KindReader = void (*)(RuleReader&, const std::vector<RuleSection>&);
void readGroups(RuleReader& reader, const std::vector<RuleSection>& sections);
void readScenes(RuleReader& reader, const std::vector<RuleSection>& sections);
void readInterlocks(RuleReader& reader, const std::vector<RuleSection>& sections);
void readLimits(RuleReader& reader, const std::vector<RuleSection>& sections);
void readPower(RuleReader& reader, const std::vector<RuleSection>& sections);
void readPlace(RuleReader& reader, const std::vector<RuleSection>& sections);
void readSchedules(RuleReader& reader, const std::vector<RuleSection>& sections);
void readSequences(RuleReader& reader, const std::vector<RuleSection>& sections);
void readTokens(RuleReader& reader, const std::vector<RuleSection>& sections);
void readInputs(RuleReader& reader, const std::vector<RuleSection>& sections);
void readInputPeriod(RuleReader& reader, const std::vector<RuleSection>& sections);
void readRuleDepth(RuleReader& reader, const std::vector<RuleSection>& sections);
void readAutomationRules(RuleReader& reader, const std::vector<RuleSection>& sections);

}  // namespace kavtra
