#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/parse.h"

namespace kavtra {

// One item of a list in Rules.ini: outputs first..last, or a group.
struct ListItem {
    int first = 0;
    int last = 0;
    std::string group;  // "@NAME" without the '@'; then first and last are 0
    bool operator==(const ListItem&) const = default;
};

// "1-40,55,@Теплица": numbers and ranges separated by commas, blanks around
// items allowed, `@NAME` for a group. Empty text is an empty list.
Parsed<std::vector<ListItem>> parseList(std::string_view text);

// Outputs as such a list, ascending and in ranges: "1-10,12".
std::string listText(const std::vector<int>& outputs);

}  // namespace kavtra
