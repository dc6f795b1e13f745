#include "commands/rule_book.h"

#include <algorithm>

#include "commands/output_list.h"
#include "persist/ini/ini_lines.h"
#include "persist/profile/failure_report.h"
#include "persist/profile/profile.h"

namespace kavtra {
namespace {

constexpr const char* kBadName = "имя не годится: пусто, пробелы по краям или знаки [ ] =";

}  // namespace

RuleBook::RuleBook(std::string path, OutputEngine& engine, Timers& deadTimes)
    : path_(std::move(path)), engine_(engine), deadTimes_(deadTimes) {}

void RuleBook::reload() {
    RulesReading reading;
    {
        const ProfileReadGroup oneRead;
        reading = readRules(
            profileSectionNames(path_),
            [&](const std::string& section, std::string_view key) {
                return getPrivateProfileString(section, key, "", path_);
            },
            [&](const std::string& section) { return profileKeyNames(section, path_); });
    }
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

}  // namespace kavtra
