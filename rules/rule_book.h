#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "rules/rules.h"

namespace kavtra {

// The largest Rules.ini read: some thousand times a real one (a scene of all
// 300 outputs takes one line), and small enough to be read in well under a
// second. A larger file is refused unread, whole MiB as the refusal says.
inline constexpr std::uintmax_t kLargestRulesFile = 4 * 1024 * 1024;

// The rules of the Rules.ini at `path`, read in one look at the file, values
// whole. A file that cannot be read gives no rules, `read` false and the why
// as its one problem.
RulesReading readRulesFile(const std::string& path);
// The same of the file's bytes at hand.
RulesReading readRulesBytes(std::string bytes);

// The kinds of entries the window edits key by key.
enum class EntryKind { Schedule, Rule, Sequence };

// Runs a call on the engine's thread; itself called from any thread.
using EngineThread = std::function<void(std::function<void()>)>;

// Rules.ini of the running copy: read at start and by `reload`, edited by
// the window and `--save-scene`; whoever keeps to the rules listens. Every
// edit is one save of the file (the profile layer's lock and atomic
// replacement), then a read of what was saved, so that what the program
// keeps to is what the file says. A file that cannot be read leaves the
// rules in force as they were, and problems() and unread() say why.
class RuleBook {
public:
    // Without `engineThread`, readings are made on the caller's thread only.
    explicit RuleBook(std::string path, EngineThread engineThread = {});
    ~RuleBook();
    RuleBook(const RuleBook&) = delete;
    RuleBook& operator=(const RuleBook&) = delete;

    // Reads the file anew; every entry at fault is left out and named in
    // problems(). Listeners are told.
    void reload();
    // The same, but read on a thread of its own, so that the engine's steps
    // and timers go on meanwhile; what was read is applied on the engine's
    // thread, which then calls `done`. Requests made while a reading is
    // under way are answered by the next one, which starts after it.
    void reloadInBackground(std::function<void()> done);
    const Rules& rules() const { return rules_; }
    const std::vector<RuleProblem>& problems() const { return problems_; }
    // Why the last reading could not read the file ("Rules.ini не прочитан
    // (...): ..."), or empty when it could.
    const std::string& unread() const { return unread_; }
    const std::string& path() const { return path_; }

    // Edits. Each gives why it was refused or not saved, or nothing when the
    // file has it. An edit whose entry would not read back as it is saved
    // (a file grown past kLargestRulesFile, a name the file's encoding
    // cannot hold) is refused, and nothing is written.
    std::string saveScene(const std::string& name, const std::vector<int>& on, const std::vector<int>& off);
    std::string saveGroup(const std::string& name, const std::vector<int>& outputs);
    // A rule's Enabled, the rest of its section as it is.
    std::string switchRule(const std::string& name, bool on);
    // `section` as sceneSection() or groupSection() make it.
    std::string remove(const std::string& section);
    // The entries that removing `section` would leave at fault (a schedule
    // switching the group, a group or scene built on it), not at fault now:
    // what to name before the user confirms. Empty when the file cannot be
    // read.
    std::vector<RuleProblem> brokenByRemoving(const std::string& section) const;
    std::string renameScene(const std::string& name, const std::string& newName);

    // Puts Latitude and Longitude into [Place], each as the shortest text that
    // reads back as the number; the section's other keys stay.
    std::string savePlace(const Place& place);

    using Keys = std::vector<std::pair<std::string, std::string>>;
    // Puts [KIND name] in place of [KIND oldName] (a new one when oldName is
    // empty) with exactly these keys in this order, empty values left out. An
    // entry that reading would leave out is refused with the reading's own
    // words (problemText, one a line), and nothing is written.
    std::string saveEntry(EntryKind kind, const std::string& oldName, const std::string& name, const Keys& keys);
    // An entry's keys as the file has them, in its order, empty ones left
    // out: as read when the entry is sound, else from the file (for mending
    // an entry at fault). Empty when there is no such section.
    Keys entryKeys(EntryKind kind, const std::string& name) const;

    using Listener = std::function<void()>;
    using ListenerId = std::size_t;
    ListenerId addListener(Listener listener);
    // For a listener that goes away before the rule book.
    void removeListener(ListenerId id);

private:
    // One change of the file: key=value in section, or, with no key, the
    // section's removal.
    struct Write {
        std::string section;
        std::string key;
        std::string value;
    };
    // Saves the writes when the file as they would leave it reads back as
    // `readsBack` wants (it says why not, or nothing), then reads it.
    using ReadsBack = std::function<std::string(const RulesReading&)>;
    std::string edit(const std::vector<Write>& writes, const ReadsBack& readsBack);
    // The file's bytes as the writes would leave it, or why they cannot be
    // made.
    struct AsSaved {
        std::string bytes;
        std::string refusal;
    };
    AsSaved asSaved(const std::vector<Write>& writes) const;
    void apply(RulesReading reading);
    void startReading();
    // Why outputs switched on together would break an interlock, or nothing.
    std::string breaksInterlock(const std::vector<int>& on) const;
    // The problems reading finds in `section` (names in any ASCII letter
    // case), as texts one a line.
    static std::string problemsIn(const std::vector<RuleProblem>& problems, const std::string& section);

    const std::string path_;
    const EngineThread engineThread_;
    Rules rules_;
    std::vector<RuleProblem> problems_;
    std::vector<RuleProblem> readProblems_;  // of the last reading that read the file
    std::string unread_;
    std::uint64_t readings_ = 0;  // applied so far, whether the file was read or not
    std::vector<std::pair<ListenerId, Listener>> listeners_;
    ListenerId nextListener_ = 0;

    // The reading under way off the engine's thread, the requests it answers
    // and those that wait for the next.
    std::thread reader_;
    bool reading_ = false;
    std::vector<std::function<void()>> answered_;
    std::vector<std::function<void()>> waiting_;
    // What a reading that ends after the rule book finds: nothing to apply to.
    const std::shared_ptr<RuleBook*> alive_ = std::make_shared<RuleBook*>(this);
};

}  // namespace kavtra
