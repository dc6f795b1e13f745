#include "commands/output_list.h"

#include "engine/log_line.h"

namespace kavtra {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

Parsed<std::vector<ListItem>> parseList(std::string_view text) {
    std::vector<ListItem> items;
    if (trimmed(text).empty()) return {items, {}};
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = trimmed(text.substr(0, comma));
        if (item.starts_with('@')) {
            const std::string_view name = trimmed(item.substr(1));
            if (!isRuleName(name)) return Parsed<std::vector<ListItem>>::refused(quoted(item) + ": нет имени группы");
            items.push_back({0, 0, std::string(name)});
        } else {
            const std::size_t dash = item.find('-');
            const Parsed<int> first = parseOutput(trimmed(item.substr(0, dash)));
            if (!first) return Parsed<std::vector<ListItem>>::refused(first.error);
            int last = *first.value;
            if (dash != std::string_view::npos) {
                const Parsed<int> end = parseOutput(trimmed(item.substr(dash + 1)));
                if (!end) return Parsed<std::vector<ListItem>>::refused(end.error);
                if (*end.value < last)
                    return Parsed<std::vector<ListItem>>::refused(quoted(item) + ": диапазон идёт назад");
                last = *end.value;
            }
            items.push_back({*first.value, last, {}});
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return {items, {}};
}

std::string listText(const std::vector<int>& outputs) { return runsText(runsOf(outputs)); }

}  // namespace kavtra
