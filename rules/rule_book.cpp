#include "rules/rule_book.h"

#include <algorithm>
#include <optional>
#include <set>

#include "commands/output_list.h"
#include "persist/ini/ini_lines.h"
#include "persist/profile/own_profile.h"
#include "persist/profile/profile.h"
#include "schedule/schedule_text.h"

namespace kavtra {
namespace {

constexpr const char* kBadName = "имя не годится: пусто, пробелы по краям или знаки [ ] =";

bool sameName(std::string_view a, std::string_view b) { return ini::equalsIgnoringAsciiCase(a, b); }

RulesReading readRulesFrom(const ProfileReader& file) {
    return readRules(
        readProfileSectionNames(file.bytes()),
        [&](const std::string& section, std::string_view key) {
            return file.wholeValue(section, key).value_or(std::string());
        },
        [&](const std::string& section) { return file.keyNames(section); });
}

RulesReading readRulesOf(const OwnProfile& file) {
    if (file.error.empty()) return readRulesFrom(*file.reader);
    RulesReading unread;
    unread.read = false;
    unread.problems.push_back({{}, {}, "не прочитан (" + file.error + ")"});
    return unread;
}

std::vector<int> ascending(const std::vector<int>& outputs) {
    const std::set<int> sorted(outputs.begin(), outputs.end());
    return {sorted.begin(), sorted.end()};
}

// The file tells names apart only beyond ASCII letter case: a save under
// another case of a name replaces that entry, and reads back as it.
template <typename Entry>
const Entry* entryNamed(const std::vector<Entry>& entries, const std::string& name) {
    const auto found =
        std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) { return sameName(entry.name, name); });
    return found != entries.end() ? &*found : nullptr;
}

std::string notAsSaved(const std::string& what) {
    return "Rules.ini не сохранён: " + what + " прочиталась бы из него не такой, какой её сохраняют";
}

}  // namespace

RuleBook::RuleBook(std::string path, EngineThread engineThread)
    : path_(std::move(path)), engineThread_(std::move(engineThread)) {}

RuleBook::~RuleBook() {
    if (reader_.joinable()) reader_.join();
}

RulesReading readRulesFile(const std::string& path) { return readRulesOf(readOwnProfile(path, kLargestRulesFile)); }

RulesReading readRulesBytes(std::string bytes) {
    return readRulesOf(ownProfileOf(std::move(bytes), kLargestRulesFile));
}

std::string RuleBook::problemsIn(const std::vector<RuleProblem>& problems, const std::string& section) {
    std::string texts;
    for (const RuleProblem& problem : problems)
        if (sameName(problem.section, section)) texts += (texts.empty() ? "" : "\n") + problemText(problem);
    return texts;
}

void RuleBook::reload() { apply(readRulesFile(path_)); }

void RuleBook::apply(RulesReading reading) {
    if (reading.read) {
        rules_ = std::move(reading.rules);
        readProblems_ = std::move(reading.problems);
        problems_ = readProblems_;
        unread_.clear();
    } else {
        // Taking the rules away would take the interlocks with them: the
        // rules in force stay, and everyone who shows the problems says so.
        RuleProblem problem = reading.problems.front();
        problem.why += readings_ == 0 ? ": правил из него нет" : ": действуют правила, прочитанные раньше";
        unread_ = problemText(problem);
        problems_ = readProblems_;
        problems_.insert(problems_.begin(), std::move(problem));
    }
    ++readings_;
    // A listener may add or remove listeners while it is told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener();
}

void RuleBook::reloadInBackground(std::function<void()> done) {
    if (!engineThread_) {
        reload();
        return done();
    }
    waiting_.push_back(std::move(done));
    if (!reading_) startReading();
}

void RuleBook::startReading() {
    if (reader_.joinable()) reader_.join();
    reading_ = true;
    answered_ = std::move(waiting_);
    waiting_.clear();
    reader_ =
        std::thread([alive = std::weak_ptr<RuleBook*>(alive_), path = path_, post = engineThread_, since = readings_] {
            const auto reading = std::make_shared<RulesReading>(readRulesFile(path));
            post([alive, reading, since] {
                const auto book = alive.lock();
                if (!book) return;
                RuleBook& self = **book;
                // A reading applied meanwhile (an edit's) is no older than the
                // requests this one answers, and may be newer than this one.
                if (self.readings_ == since) self.apply(std::move(*reading));
                self.reading_ = false;
                const auto answered = std::move(self.answered_);
                self.answered_.clear();
                if (!self.waiting_.empty()) self.startReading();
                for (const auto& done : answered) done();
            });
        });
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

RuleBook::AsSaved RuleBook::asSaved(const std::vector<Write>& writes) const {
    const OwnProfile file = readOwnProfile(path_, kLargestRulesFile);
    if (!file.error.empty()) return {{}, "Rules.ini не прочитан (" + file.error + "), и правка не сохранена"};
    ProfileEdit edited(file.reader->bytes());
    edited.startAsUtf8();
    for (const Write& w : writes) {
        const auto refusal = w.key.empty() ? edited.removeSection(w.section) : edited.write(w.section, w.key, w.value);
        if (refusal) return {{}, "Rules.ini не сохранён: " + std::string(*refusal)};
    }
    std::string bytes = edited.bytes();
    if (bytes.size() > kLargestRulesFile)
        return {{},
                "Rules.ini не сохранён: в нём стало бы больше " + std::to_string(kLargestRulesFile / (1024 * 1024)) +
                    " МиБ"};
    return {std::move(bytes), {}};
}

std::vector<RuleProblem> RuleBook::brokenByRemoving(const std::string& section) const {
    const AsSaved after = asSaved({{section, {}, {}}});
    if (!after.refusal.empty()) return {};
    std::vector<RuleProblem> broken = readRulesFrom(ProfileReader(after.bytes)).problems;
    std::erase_if(broken, [this](const RuleProblem& problem) {
        return std::find(problems_.begin(), problems_.end(), problem) != problems_.end();
    });
    return broken;
}

std::string RuleBook::edit(const std::vector<Write>& writes, const ReadsBack& readsBack) {
    // The file as the save would leave it, read as a reload reads it.
    const AsSaved after = asSaved(writes);
    if (!after.refusal.empty()) return after.refusal;
    if (std::string why = readsBack(readRulesFrom(ProfileReader(after.bytes))); !why.empty()) return why;

    std::string failure = saveFailure(path_, [&] {
        startProfileAsUtf8(path_);
        for (const Write& w : writes) {
            if (w.key.empty())
                removeProfileSection(w.section, path_);
            else
                writePrivateProfileString(w.section, w.key, w.value, path_);
        }
    });
    reload();
    return failure.empty() ? std::string() : "Rules.ini не сохранён: " + failure;
}

std::string RuleBook::saveScene(const std::string& name, const std::vector<int>& on, const std::vector<int>& off) {
    if (!isRuleName(name)) return kBadName;
    if (std::string why = breaksInterlock(on); !why.empty()) return why;
    const std::string section = sceneSection(name);
    const Scene wanted{name, ascending(on), ascending(off)};
    return edit({{section, "On", listText(on)}, {section, "Off", listText(off)}}, [&](const RulesReading& asSaved) {
        const Scene* scene = entryNamed(asSaved.rules.scenes, name);
        if (scene && scene->on == wanted.on && scene->off == wanted.off) return std::string();
        std::string problems = problemsIn(asSaved.problems, section);
        return problems.empty() ? notAsSaved("сцена «" + name + "»") : problems;
    });
}

std::string RuleBook::saveGroup(const std::string& name, const std::vector<int>& outputs) {
    if (!isRuleName(name)) return kBadName;
    if (outputs.empty()) return "в группе нет выводов";
    if (std::string why = breaksInterlock(outputs); !why.empty()) return why;
    const std::string section = groupSection(name);
    return edit({{section, "Outputs", listText(outputs)}}, [&](const RulesReading& asSaved) {
        const Group* group = entryNamed(asSaved.rules.groups, name);
        if (group && group->outputs == ascending(outputs)) return std::string();
        std::string problems = problemsIn(asSaved.problems, section);
        return problems.empty() ? notAsSaved("группа «" + name + "»") : problems;
    });
}

std::string RuleBook::switchRule(const std::string& name, bool on) {
    const std::string section = ruleSection(name);
    return edit({{section, "Enabled", on ? "1" : "0"}}, [&](const RulesReading& asSaved) {
        const Rule* rule = entryNamed(asSaved.rules.automationRules, name);
        if (rule && rule->enabled == on) return std::string();
        std::string problems = problemsIn(asSaved.problems, section);
        return problems.empty() ? notAsSaved("правило «" + name + "»") : problems;
    });
}

std::string RuleBook::remove(const std::string& section) {
    return edit({{section, {}, {}}}, [](const RulesReading&) { return std::string(); });
}

std::string RuleBook::renameScene(const std::string& name, const std::string& newName) {
    if (!isRuleName(newName)) return kBadName;
    const Scene* scene = rules_.scene(name);
    if (!scene) return noScene(name);
    const bool taken = std::any_of(rules_.scenes.begin(), rules_.scenes.end(), [&](const Scene& other) {
        return other.name != name && sameName(other.name, newName);
    });
    if (taken) return "сцена «" + newName + "» уже есть";
    const std::string section = sceneSection(newName);
    const Scene renamed = *scene;
    return edit(
        {{sceneSection(name), {}, {}}, {section, "On", listText(renamed.on)}, {section, "Off", listText(renamed.off)}},
        [&](const RulesReading& asSaved) {
            const Scene* read = entryNamed(asSaved.rules.scenes, newName);
            if (read && read->on == renamed.on && read->off == renamed.off) return std::string();
            return notAsSaved("сцена «" + newName + "»");
        });
}

std::string RuleBook::savePlace(const Place& place) {
    const std::string section(kPlaceSection);
    return edit(
        {{section, "Latitude", degreesText(place.latitude)}, {section, "Longitude", degreesText(place.longitude)}},
        [&](const RulesReading& asSaved) {
            if (asSaved.rules.place == place) return std::string();
            std::string problems = problemsIn(asSaved.problems, section);
            return problems.empty() ? notAsSaved("запись [Place]") : problems;
        });
}

namespace {

std::string sectionOf(EntryKind kind, std::string_view name) {
    switch (kind) {
    case EntryKind::Schedule: return scheduleSection(name);
    case EntryKind::Rule: return ruleSection(name);
    case EntryKind::Sequence: return sequenceSection(name);
    }
    return {};
}

// The entry's word in a refusal: "расписание «Полив» уже есть".
const char* wordOf(EntryKind kind) {
    return kind == EntryKind::Schedule ? "расписание" : kind == EntryKind::Rule ? "правило" : "последовательность";
}

template <class Entry>
std::optional<RuleBook::Keys> writtenOf(const std::vector<Entry>& entries, const std::string& name) {
    const auto sound = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; });
    if (sound == entries.end()) return std::nullopt;
    return sound->written;
}

}  // namespace

std::string RuleBook::saveEntry(EntryKind kind, const std::string& oldName, const std::string& name, const Keys& keys) {
    if (!isRuleName(name)) return kBadName;
    const std::string section = sectionOf(kind, name);
    const std::string replaced = oldName.empty() ? std::string() : sectionOf(kind, oldName);
    // A file that cannot be read has none here, and the edit says why.
    const std::vector<std::string> sections =
        readProfileSectionNames(readOwnProfile(path_, kLargestRulesFile).reader->bytes());
    const bool taken = std::any_of(sections.begin(), sections.end(), [&](const std::string& other) {
        return sameName(other, section) && (replaced.empty() || !sameName(other, replaced));
    });
    if (taken) return std::string(wordOf(kind)) + " «" + name + "» уже есть";

    std::vector<Write> writes;
    if (!replaced.empty()) writes.push_back({replaced, {}, {}});
    for (const auto& [key, value] : keys)
        if (!value.empty()) writes.push_back({section, key, value});
    std::string failure =
        edit(writes, [&](const RulesReading& asSaved) { return problemsIn(asSaved.problems, section); });
    if (!failure.empty()) return failure;
    // Someone else may have changed the file in between: what it now holds is
    // what counts.
    return problemsIn(problems_, section);
}

RuleBook::Keys RuleBook::entryKeys(EntryKind kind, const std::string& name) const {
    const std::optional<Keys> sound = kind == EntryKind::Schedule ? writtenOf(rules_.schedules, name)
                                      : kind == EntryKind::Rule   ? writtenOf(rules_.automationRules, name)
                                                                  : writtenOf(rules_.sequences, name);
    if (sound) return *sound;
    Keys keys;
    const OwnProfile file = readOwnProfile(path_, kLargestRulesFile);
    const std::string section = sectionOf(kind, name);
    for (std::string& key : file.reader->keyNames(section)) {
        std::string value = file.reader->wholeValue(section, key).value_or(std::string());
        if (!value.empty()) keys.emplace_back(std::move(key), std::move(value));
    }
    return keys;
}

}  // namespace kavtra
