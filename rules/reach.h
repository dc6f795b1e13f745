#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "commands/output_list.h"
#include "commands/parse.h"
#include "rules/rules.h"

namespace kavtra {

// The outputs of a scope, as Scope= and --add-token's words write it: parts
// separated by ';', each a list of outputs and groups in the form of
// Rules.ini's lists ("1-20", "5,7,@Сад") or a scene ("scene Вечер"), all of
// them ascending, the groups and scenes as `rules` define them; or why not.
Parsed<std::vector<int>> scopeOutputs(std::string_view scope, const Rules& rules);

// The outputs of a list's items added to `outputs`, its groups as `rules`
// define them; empty, or why not (a group that is not there).
std::string addListOutputs(const std::vector<ListItem>& items, const Rules& rules, std::set<int>& outputs);

// Every output a request can switch, ascending, as `rules` define its groups,
// scenes, sequences and rules: a sequence's steps and Finally, a rule's Do,
// and whatever those start or switch on in turn; all and undo can switch any
// output. A name `rules` lack switches nothing (the request is refused as
// not found).
std::vector<int> outputsSwitchedBy(const Command& command, const Rules& rules);
// Whether `reach` takes in every output a request can switch.
bool reachesAll(const OutputReach& reach, const Command& command, const Rules& rules);

}  // namespace kavtra
