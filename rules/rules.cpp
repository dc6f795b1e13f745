#include "rules/rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "commands/output_list.h"
#include "persist/ini/ini_lines.h"
#include "schedule/schedule_text.h"

namespace kavtra {
namespace {

constexpr std::string_view kGroup = "Group ";
constexpr std::string_view kScene = "Scene ";
constexpr std::string_view kInterlock = "Interlock ";
constexpr long long kLongestDeadTimeMs = 600000;
constexpr std::string_view kSchedule = "Schedule ";
constexpr std::string_view kPlace = "Place";
constexpr std::string_view kToken = "Token ";

// The name after a kind's word, or nothing when the section is not of it.
std::optional<std::string> nameAfter(std::string_view section, std::string_view kind) {
    if (section.size() < kind.size() || !ini::equalsIgnoringAsciiCase(section.substr(0, kind.size()), kind))
        return std::nullopt;
    return std::string(section.substr(kind.size()));
}

std::string quote(std::string_view name) { return "«" + std::string(name) + "»"; }

// [Limits]: N=DURATION per output.
void readLimits(const std::vector<std::string>& sections, const RuleValue& value, const RuleKeys& keys,
                RulesReading& reading) {
    const auto section = std::find_if(sections.begin(), sections.end(), [](const std::string& name) {
        return ini::equalsIgnoringAsciiCase(name, kLimitsSection);
    });
    if (section == sections.end() || !keys) return;
    for (const std::string& key : keys(*section)) {
        const Parsed<int> output = parseOutput(key);
        if (!output) {
            reading.problems.push_back({*section, key, "нет такого вывода: номер должен быть числом от 1 до 300"});
            continue;
        }
        const std::string text = value(*section, key);
        const std::optional<long long> ms = durationValue(text);
        if (!ms || *ms <= 0 || *ms > kLongestLimit.count()) {
            reading.problems.push_back({*section, key,
                                        quote(text) + ": нужно время больше нуля и не больше суток, "
                                                      "например 90s, 20m, 1h30m"});
            continue;
        }
        reading.rules.limits[*output.value] = std::chrono::milliseconds(*ms);
    }
}

// How deep groups may name groups: far beyond any real nesting, and a bound
// on what one chain of names costs every list that names its top.
constexpr int kDeepestGroups = 100;

// Resolves the lists of one file against its groups, each group once. It
// walks the names on a stack of its own: a file may chain as many groups as
// it has lines, and no chain of names may end the program in a recursion.
class Resolver {
public:
    explicit Resolver(std::map<std::string, std::vector<ListItem>> groups) : groups_(std::move(groups)) {}

    Parsed<std::vector<int>> groupOutputs(const std::string& name) {
        if (!groups_.contains(name)) return Parsed<std::vector<int>>::refused("нет группы " + quote(name));
        // The groups being resolved, each with the next of its items to look at.
        std::vector<std::pair<std::string, std::size_t>> path{{name, 0}};
        std::set<std::string> onPath{name};
        while (!path.empty()) {
            const std::string current = path.back().first;
            const std::vector<ListItem>& items = groups_.at(current);
            std::size_t& next = path.back().second;
            while (next < items.size() && !unresolved(items[next].group, onPath)) ++next;
            if (next < items.size()) {
                const std::string inner = items[next].group;
                onPath.insert(inner);
                path.emplace_back(inner, 0);
                continue;
            }
            resolved_.emplace(current, resolve(items, onPath));
            onPath.erase(current);
            path.pop_back();
        }
        return resolved_.at(name).outputs;
    }

private:
    struct Resolved {
        Parsed<std::vector<int>> outputs;
        int depth = 0;  // 1 for a group of outputs only
    };

    bool unresolved(const std::string& group, const std::set<std::string>& onPath) const {
        return !group.empty() && groups_.contains(group) && !resolved_.contains(group) && !onPath.contains(group);
    }

    // A group's outputs once every group it names is resolved, or on the path.
    Resolved resolve(const std::vector<ListItem>& items, const std::set<std::string>& onPath) const {
        const auto refused = [](std::string why) {
            return Resolved{Parsed<std::vector<int>>::refused(std::move(why))};
        };
        std::set<int> outputs;
        int depth = 1;
        for (const ListItem& item : items) {
            if (item.group.empty()) {
                for (int n = item.first; n <= item.last; ++n) outputs.insert(n);
                continue;
            }
            if (!groups_.contains(item.group)) return refused("нет группы " + quote(item.group));
            if (onPath.contains(item.group))
                return refused("группы ссылаются друг на друга по кругу (" + quote(item.group) + ")");
            const Resolved& inner = resolved_.at(item.group);
            if (!inner.outputs) return inner;
            depth = std::max(depth, inner.depth + 1);
            outputs.insert(inner.outputs.value->begin(), inner.outputs.value->end());
        }
        if (depth > kDeepestGroups)
            return refused("группы вложены друг в друга глубже " + std::to_string(kDeepestGroups) + " уровней");
        return {{std::vector<int>(outputs.begin(), outputs.end()), {}}, depth};
    }

    std::map<std::string, std::vector<ListItem>> groups_;
    std::map<std::string, Resolved> resolved_;
};

using Problem = std::function<void(const std::string& section, std::string key, std::string why)>;
using OutputsOf = std::function<std::optional<std::vector<int>>(const std::string& section, std::string_view key)>;

// Degrees as people write them: "55.75", "-74,006".
std::optional<double> degrees(std::string text, double most) {
    std::replace(text.begin(), text.end(), ',', '.');
    const std::string_view digits = ini::trimBlanks(text);
    const bool plus = digits.starts_with('+');
    double value = 0;
    const char* first = digits.data() + (plus ? 1 : 0);
    const auto [end, error] = std::from_chars(first, digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value) ||
        std::abs(value) > most)
        return std::nullopt;
    return value;
}

std::optional<Place> readPlace(const std::vector<std::string>& sections, const RuleValue& value,
                               const Problem& problem) {
    const auto section = std::find_if(sections.begin(), sections.end(), [](const std::string& name) {
        return ini::equalsIgnoringAsciiCase(name, kPlace);
    });
    if (section == sections.end()) return std::nullopt;
    const auto latitude = degrees(value(*section, "Latitude"), 90);
    const auto longitude = degrees(value(*section, "Longitude"), 180);
    if (!latitude) problem(*section, "Latitude", "нужно число градусов от -90 до 90 (север +, юг -)");
    if (!longitude) problem(*section, "Longitude", "нужно число градусов от -180 до 180 (восток +, запад -)");
    if (!latitude || !longitude) return std::nullopt;
    return Place{*latitude, *longitude};
}

bool bySun(const std::optional<DayTime>& time) { return time && time->kind != DayTime::Kind::Clock; }

// One [Schedule NAME], or nothing when it is at fault (and why, in problem).
std::optional<ScheduleEntry> readSchedule(const std::string& section, const std::string& name, const RuleValue& value,
                                          const RuleKeys& keys, const Rules& rules, const Problem& problem,
                                          const OutputsOf& outputsOf) {
    const auto fail = [&](std::string key, std::string why) -> std::optional<ScheduleEntry> {
        problem(section, std::move(key), std::move(why));
        return std::nullopt;
    };
    const std::string timeForms =
        "время пишется ЧЧ:ММ или ЧЧ:ММ:СС, sunrise или sunset с поправкой в минутах (sunset-15)";
    const std::string at = value(section, "At");
    const std::string from = value(section, "From");
    const std::string to = value(section, "To");
    const std::string days = value(section, "Days");
    const std::string scene = value(section, "Scene");
    ScheduleEntry entry;
    entry.name = name;
    if (!at.empty() && (!from.empty() || !to.empty()))
        return fail("At", "At не сочетается с From и To: это либо событие, либо окно времени");
    if (at.empty() && from.empty() && to.empty()) return fail({}, "нет времени: нужен At или From и To");
    if (to.empty() && !from.empty()) return fail("To", "у окна времени есть From, но нет To");
    if (from.empty() && !to.empty()) return fail("From", "у окна времени есть To, но нет From");
    if (!at.empty()) {
        const auto parsed = parseAt(at);
        if (!parsed) return fail("At", quote(at) + ": " + timeForms + ", или дата и время (2026-12-31 23:59:30)");
        entry.at = parsed->time;
        entry.date = parsed->date;
    } else {
        entry.from = parseDayTime(from);
        if (!entry.from) return fail("From", quote(from) + ": " + timeForms);
        entry.to = parseDayTime(to);
        if (!entry.to) return fail("To", quote(to) + ": " + timeForms);
    }
    const auto parsedDays = parseDays(days);
    if (!parsedDays)
        return fail(
            "Days",
            quote(days) + ": дни пишутся daily, днями недели (Mon,Wed,Fri; Пн,Ср,Пт; Mon-Fri) или датами (2026-12-31)");
    if (entry.date && !days.empty()) return fail("Days", "у At с датой дней нет: такое событие бывает один раз");
    entry.days = *parsedDays;
    for (const auto& [key, time] :
         {std::pair{"At", entry.at}, std::pair{"From", entry.from}, std::pair{"To", entry.to}})
        if (bySun(time) && !rules.place) return fail(key, "для sunrise и sunset нужны Latitude и Longitude в [Place]");

    const auto on = outputsOf(section, "On");
    const auto off = on ? outputsOf(section, "Off") : std::nullopt;
    if (!on || !off) return std::nullopt;
    std::vector<int> both;
    std::set_intersection(on->begin(), on->end(), off->begin(), off->end(), std::back_inserter(both));
    if (!both.empty()) return fail("Off", "вывод " + std::to_string(both.front()) + " и в On, и в Off");
    if (!scene.empty() && !rules.scene(scene)) return fail("Scene", "нет сцены " + quote(scene));
    if (on->empty() && off->empty() && scene.empty()) return fail({}, "нечего делать: нет ни On, ни Off, ни Scene");
    // A window holds its outputs on while it lasts and off outside it: what
    // it switches is its On list alone.
    if (entry.from && (!off->empty() || !scene.empty()))
        return fail(off->empty() ? "Scene" : "Off",
                    "у окна времени только On: его выводы включены внутри окна и выключены вне его");
    if (entry.from && on->empty()) return fail("On", "у окна времени нет выводов");
    entry.on = *on;
    entry.off = *off;
    entry.scene = scene;

    std::vector<std::string> written;
    if (keys) {
        written = keys(section);
    } else {
        for (const char* key : {"At", "From", "To", "Days", "On", "Off", "Scene"})
            if (!value(section, key).empty()) written.emplace_back(key);
    }
    for (std::string& key : written) {
        std::string text = value(section, key);
        entry.written.emplace_back(std::move(key), std::move(text));
    }
    return entry;
}

}  // namespace

const Group* Rules::group(std::string_view name) const {
    const auto found = std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.name == name; });
    return found != groups.end() ? &*found : nullptr;
}

const Scene* Rules::scene(std::string_view name) const {
    const auto found = std::find_if(scenes.begin(), scenes.end(), [&](const Scene& s) { return s.name == name; });
    return found != scenes.end() ? &*found : nullptr;
}

std::vector<std::pair<int, bool>> sceneStates(const Scene& scene) {
    std::vector<std::pair<int, bool>> states;
    for (int output : scene.on) states.emplace_back(output, true);
    for (int output : scene.off) states.emplace_back(output, false);
    return states;
}

std::string problemText(const RuleProblem& problem) {
    if (problem.section.empty()) return "Rules.ini " + problem.why;
    return "Rules.ini, [" + problem.section + "]" + (problem.key.empty() ? "" : ", " + problem.key) + ": " +
           problem.why;
}

std::string groupSection(std::string_view name) { return std::string(kGroup) + std::string(name); }
std::string sceneSection(std::string_view name) { return std::string(kScene) + std::string(name); }
std::string interlockSection(std::string_view name) { return std::string(kInterlock) + std::string(name); }
std::string scheduleSection(std::string_view name) { return std::string(kSchedule) + std::string(name); }
std::string tokenSection(std::string_view name) { return std::string(kToken) + std::string(name); }

RulesReading readRules(const std::vector<std::string>& sections, const RuleValue& value, const RuleKeys& keys) {
    RulesReading reading;
    const auto problem = [&](const std::string& section, std::string key, std::string why) {
        reading.problems.push_back({section, std::move(key), std::move(why)});
    };
    // The sections come each name once, as the file's first of that name
    // spells it: later ones are never read.
    const std::vector<std::string>& unique = sections;
    const auto list = [&](const std::string& section, std::string_view key) -> std::optional<std::vector<ListItem>> {
        Parsed<std::vector<ListItem>> items = parseList(value(section, key));
        if (!items) problem(section, std::string(key), items.error);
        return items.value;
    };
    const auto named = [&](const std::string& section, std::string_view kind) -> std::optional<std::string> {
        std::optional<std::string> name = nameAfter(section, kind);
        if (name && !isRuleName(*name)) {
            problem(section, {}, "имя не годится: пусто, пробелы по краям или знаки [ ] =");
            return std::nullopt;
        }
        return name;
    };

    std::map<std::string, std::vector<ListItem>> groupItems;
    std::vector<std::string> groupOrder;
    for (const std::string& section : unique) {
        const auto name = named(section, kGroup);
        if (!name) continue;
        if (auto items = list(section, "Outputs")) {
            groupItems.emplace(*name, std::move(*items));
            groupOrder.push_back(*name);
        }
    }
    Resolver resolver(groupItems);
    for (const std::string& name : groupOrder) {
        Parsed<std::vector<int>> outputs = resolver.groupOutputs(name);
        if (!outputs)
            problem(groupSection(name), "Outputs", outputs.error);
        else if (outputs.value->empty())
            problem(groupSection(name), "Outputs", "в группе нет выводов");
        else
            reading.rules.groups.push_back({name, std::move(*outputs.value)});
    }
    // A group left out leaves out whatever names it: it is not there.
    const auto outputsOf = [&](const std::string& section, std::string_view key) -> std::optional<std::vector<int>> {
        const auto items = list(section, key);
        if (!items) return std::nullopt;
        std::set<int> outputs;
        for (const ListItem& item : *items) {
            if (item.group.empty()) {
                for (int n = item.first; n <= item.last; ++n) outputs.insert(n);
            } else if (const Group* group = reading.rules.group(item.group)) {
                outputs.insert(group->outputs.begin(), group->outputs.end());
            } else {
                problem(section, std::string(key), "нет группы " + quote(item.group));
                return std::nullopt;
            }
        }
        return std::vector<int>(outputs.begin(), outputs.end());
    };

    for (const std::string& section : unique) {
        if (const auto name = named(section, kScene)) {
            const auto on = outputsOf(section, "On");
            const auto off = on ? outputsOf(section, "Off") : std::nullopt;
            if (!on || !off) continue;
            std::vector<int> both;
            std::set_intersection(on->begin(), on->end(), off->begin(), off->end(), std::back_inserter(both));
            if (!both.empty()) {
                problem(section, "Off", "вывод " + std::to_string(both.front()) + " и в On, и в Off");
                continue;
            }
            reading.rules.scenes.push_back({*name, *on, *off});
        } else if (const auto interlockName = named(section, kInterlock)) {
            const auto outputs = outputsOf(section, "Outputs");
            if (!outputs) continue;
            if (outputs->size() < 2) {
                problem(section, "Outputs", "в блокировке должно быть не меньше двух выводов");
                continue;
            }
            const std::string deadTime = value(section, "DeadTime");
            const std::optional<long long> ms = deadTime.empty() ? 0LL : digitsValue(deadTime);
            if (!ms || *ms > kLongestDeadTimeMs) {
                problem(section, "DeadTime", "нужно число миллисекунд от 0 до 600000");
                continue;
            }
            reading.rules.interlocks.push_back({*interlockName, *outputs, std::chrono::milliseconds(*ms)});
        }
    }
    // After the scenes, which schedules recall wherever they stand.
    reading.rules.place = readPlace(unique, value, problem);
    for (const std::string& section : unique) {
        if (const auto name = named(section, kSchedule)) {
            if (auto entry = readSchedule(section, *name, value, keys, reading.rules, problem, outputsOf))
                reading.rules.schedules.push_back(std::move(*entry));
        }
    }
    readLimits(unique, value, keys, reading);
    for (const std::string& section : unique) {
        const auto name = named(section, kToken);
        if (!name) continue;
        const std::string role = value(section, "Role");
        AccessToken token{*name, AccessToken::Role::Read, value(section, "Hash")};
        for (char& c : token.hash)
            if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (ini::equalsIgnoringAsciiCase(role, "switch"))
            token.role = AccessToken::Role::Switch;
        else if (!ini::equalsIgnoringAsciiCase(role, "read")) {
            problem(section, "Role", quote(role) + ": нужно read или switch");
            continue;
        }
        const bool hex = token.hash.size() == 64 && std::all_of(token.hash.begin(), token.hash.end(), [](char c) {
                             return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                         });
        if (!hex) {
            problem(section, "Hash", "нужен хеш SHA-256 из 64 шестнадцатеричных цифр (kavtra --add-token его пишет)");
            continue;
        }
        reading.rules.tokens.push_back(std::move(token));
    }
    return reading;
}

}  // namespace kavtra
