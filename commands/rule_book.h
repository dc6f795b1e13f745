#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "commands/rules.h"
#include "engine/output_engine.h"
#include "engine/timers.h"

namespace kavtra {

// The rules of the Rules.ini at `path`, read in one look at the file.
RulesReading readRulesFile(const std::string& path);

// Rules.ini of the running copy: read at start and by `reload`, edited by
// the window and `--save-scene`, its interlocks handed to the engine. Every
// edit is one save of the file (the profile layer's lock and atomic
// replacement), then a read of what was saved, so that what the program
// keeps to is what the file says.
class RuleBook {
public:
    RuleBook(std::string path, OutputEngine& engine, Timers& deadTimes);

    // Reads the file anew; every entry at fault is left out and named in
    // problems(). Listeners are told.
    void reload();
    const Rules& rules() const { return rules_; }
    const std::vector<RuleProblem>& problems() const { return problems_; }
    const std::string& path() const { return path_; }

    // Edits. Each gives why it was refused or not saved, or nothing when the
    // file has it.
    std::string saveScene(const std::string& name, const std::vector<int>& on, const std::vector<int>& off);
    std::string saveGroup(const std::string& name, const std::vector<int>& outputs);
    // `section` as sceneSection() or groupSection() make it.
    std::string remove(const std::string& section);
    std::string renameScene(const std::string& name, const std::string& newName);

    using Keys = std::vector<std::pair<std::string, std::string>>;
    // Puts [Schedule name] in place of [Schedule oldName] (a new one when
    // oldName is empty) with exactly these keys in this order, empty values
    // left out. An entry that reading would leave out is refused with the
    // reading's own words (problemText, one a line), and nothing is written.
    std::string saveSchedule(const std::string& oldName, const std::string& name, const Keys& keys);
    // A schedule's keys as the file has them, in its order, empty ones left
    // out: as read when the entry is sound, else from the file (for mending
    // an entry at fault). Empty when there is no such section.
    Keys scheduleKeys(const std::string& name) const;

    using Listener = std::function<void()>;
    using ListenerId = std::size_t;
    ListenerId addListener(Listener listener);
    // For a listener that goes away before the rule book.
    void removeListener(ListenerId id);

private:
    std::string edit(const std::function<void()>& writes);
    // Why outputs switched on together would break an interlock, or nothing.
    std::string breaksInterlock(const std::vector<int>& on) const;
    // The problems reading finds in `section` (names in any ASCII letter
    // case), as texts one a line.
    static std::string problemsIn(const std::vector<RuleProblem>& problems, const std::string& section);

    const std::string path_;
    OutputEngine& engine_;
    Timers& deadTimes_;
    Rules rules_;
    std::vector<RuleProblem> problems_;
    std::vector<std::pair<ListenerId, Listener>> listeners_;
    ListenerId nextListener_ = 0;
};

}  // namespace kavtra
