#include "commands/rule_book.h"

#include <algorithm>

#include "commands/output_list.h"
#include "persist/ini/ini_lines.h"
#include "persist/profile/failure_report.h"
#include "persist/profile/profile.h"

namespace kavtra {
namespace {

constexpr const char* kBadName = "имя не годится: пусто, пробелы по краям или знаки [ ] =";

bool sameName(std::string_view a, std::string_view b) { return ini::equalsIgnoringAsciiCase(a, b); }

}  // namespace

RuleBook::RuleBook(std::string path, OutputEngine& engine, Timers& deadTimes)
    : path_(std::move(path)), engine_(engine), deadTimes_(deadTimes) {}

RulesReading readRulesFile(const std::string& path) {
    const ProfileReadGroup oneRead;
    return readRules(
        profileSectionNames(path),
        [&](const std::string& section, std::string_view key) {
            return getPrivateProfileString(section, key, "", path);
        },
        [&](const std::string& section) { return profileKeyNames(section, path); });
}

std::string RuleBook::problemsIn(const std::vector<RuleProblem>& problems, const std::string& section) {
    std::string texts;
    for (const RuleProblem& problem : problems)
        if (sameName(problem.section, section)) texts += (texts.empty() ? "" : "\n") + problemText(problem);
    return texts;
}

void RuleBook::reload() {
    RulesReading reading = readRulesFile(path_);
    rules_ = std::move(reading.rules);
    problems_ = std::move(reading.problems);
    engine_.setInterlocks(rules_.interlocks, deadTimes_);
    // A listener may add or remove listeners while it is told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener();
}

RuleBook::ListenerId RuleBook::addListener(Listener listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void RuleBook::removeListener(ListenerId id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

std::string RuleBook::breaksInterlock(const std::vector<int>& on) const {
    for (const Interlock& interlock : rules_.interlocks) {
        std::vector<int> together;
        for (int output : interlock.outputs)
            if (std::find(on.begin(), on.end(), output) != on.end()) together.push_back(output);
        if (together.size() > 1)
            return "выводы " + std::to_string(together[0]) + " и " + std::to_string(together[1]) +
                   " не могут быть включены вместе (блокировка «" + interlock.name + "»)";
    }
    return {};
}

std::string RuleBook::edit(const std::function<void()>& writes) {
    std::string failure = saveFailure(path_, [&] {
        startProfileAsUtf8(path_);
        writes();
    });
    reload();
    return failure.empty() ? std::string() : "Rules.ini не сохранён: " + failure;
}

std::string RuleBook::saveScene(const std::string& name, const std::vector<int>& on, const std::vector<int>& off) {
    if (!isRuleName(name)) return kBadName;
    if (std::string why = breaksInterlock(on); !why.empty()) return why;
    const std::string section = sceneSection(name);
    return edit([&] {
        writePrivateProfileString(section, "On", listText(on), path_);
        writePrivateProfileString(section, "Off", listText(off), path_);
    });
}

std::string RuleBook::saveGroup(const std::string& name, const std::vector<int>& outputs) {
    if (!isRuleName(name)) return kBadName;
    if (outputs.empty()) return "в группе нет выводов";
    if (std::string why = breaksInterlock(outputs); !why.empty()) return why;
    return edit([&] { writePrivateProfileString(groupSection(name), "Outputs", listText(outputs), path_); });
}

std::string RuleBook::remove(const std::string& section) {
    return edit([&] { removeProfileSection(section, path_); });
}

std::string RuleBook::renameScene(const std::string& name, const std::string& newName) {
    if (!isRuleName(newName)) return kBadName;
    const Scene* scene = rules_.scene(name);
    if (!scene) return "нет сцены «" + name + "»";
    // The file tells names apart only beyond ASCII letter case.
    const bool taken = std::any_of(rules_.scenes.begin(), rules_.scenes.end(), [&](const Scene& other) {
        return other.name != name && ini::equalsIgnoringAsciiCase(other.name, newName);
    });
    if (taken) return "сцена «" + newName + "» уже есть";
    const std::string section = sceneSection(newName);
    const Scene renamed = *scene;
    return edit([&] {
        removeProfileSection(sceneSection(name), path_);
        writePrivateProfileString(section, "On", listText(renamed.on), path_);
        writePrivateProfileString(section, "Off", listText(renamed.off), path_);
    });
}

std::string RuleBook::saveSchedule(const std::string& oldName, const std::string& name, const Keys& keys) {
    if (!isRuleName(name)) return kBadName;
    const std::string section = scheduleSection(name);
    const std::string replaced = oldName.empty() ? std::string() : scheduleSection(oldName);
    Keys written;
    for (const auto& [key, value] : keys)
        if (!value.empty()) written.emplace_back(key, value);

    // The file as the save would leave it, read as a reload reads it, so that
    // an entry reading would leave out never gets into the file from here.
    RulesReading asSaved;
    {
        const ProfileReadGroup oneRead;
        std::vector<std::string> sections = profileSectionNames(path_);
        const bool taken = std::any_of(sections.begin(), sections.end(), [&](const std::string& other) {
            return sameName(other, section) && (replaced.empty() || !sameName(other, replaced));
        });
        if (taken) return "расписание «" + name + "» уже есть";
        if (!replaced.empty())
            std::erase_if(sections, [&](const std::string& other) { return sameName(other, replaced); });
        sections.push_back(section);
        asSaved = readRules(
            sections,
            [&](const std::string& s, std::string_view key) {
                if (!sameName(s, section)) return getPrivateProfileString(s, key, "", path_);
                const auto found = std::find_if(written.begin(), written.end(),
                                                [&](const auto& entry) { return sameName(entry.first, key); });
                return found != written.end() ? found->second : std::string();
            },
            [&](const std::string& s) {
                if (!sameName(s, section)) return profileKeyNames(s, path_);
                std::vector<std::string> names;
                for (const auto& entry : written) names.push_back(entry.first);
                return names;
            });
    }
    if (std::string problems = problemsIn(asSaved.problems, section); !problems.empty()) return problems;

    std::string failure = edit([&] {
        if (!replaced.empty()) removeProfileSection(replaced, path_);
        for (const auto& [key, value] : written) writePrivateProfileString(section, key, value, path_);
    });
    if (!failure.empty()) return failure;
    // Someone else may have changed the file in between: what it now holds is
    // what counts.
    return problemsIn(problems_, section);
}

RuleBook::Keys RuleBook::scheduleKeys(const std::string& name) const {
    const auto sound = std::find_if(rules_.schedules.begin(), rules_.schedules.end(),
                                    [&](const ScheduleEntry& entry) { return entry.name == name; });
    if (sound != rules_.schedules.end()) return sound->written;
    Keys keys;
    const ProfileReadGroup oneRead;
    const std::string section = scheduleSection(name);
    for (std::string& key : profileKeyNames(section, path_)) {
        std::string value = getPrivateProfileString(section, key, "", path_);
        if (!value.empty()) keys.emplace_back(std::move(key), std::move(value));
    }
    return keys;
}

}  // namespace kavtra
