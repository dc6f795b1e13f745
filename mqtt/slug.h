#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavtra {

// A name as a topic level and an id for Home Assistant: Latin lower-case
// letters, digits and '_' only. Russian letters are transliterated, so that
// "Свет в зале" reads "svet_v_zale"; any other character becomes '_' (a run
// of them one '_', none at either end). The same name always gives the same
// slug, whatever else changes.
std::string slugOf(std::string_view name);

// The slugs of the names of one kind, in their order, all different: of
// names that give the same slug the first keeps it and each later one gets
// '_' and six hex digits of a hash of its own name, so that adding a name
// changes no slug already given out.
std::vector<std::string> uniqueSlugs(const std::vector<std::string>& names);

}  // namespace kavtra
