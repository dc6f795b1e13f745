#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/sequences.h"
#include "commands/command.h"
#include "commands/command_core.h"
#include "persist/files/settings.h"
#include "rules/rule_book.h"

class QAction;
class QMenu;
class QTreeWidget;
class QWidget;

namespace kavtra {

// The questions the menus ask and the refusals they pass on, so that a test
// can answer them. An empty function answers "no" or cancels.
struct MenuQuestions {
    // The text typed, or nothing when cancelled; `text` is shown to start with.
    std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& prompt,
                                         const QString& text)>
        askName;
    // True for "Да".
    std::function<bool(QWidget* parent, const QString& title, const QString& text)> confirm;
    std::function<void(QWidget* parent, const QString& title, const QString& text)> tell;
};

// "Группы", "Сцены" and "Последовательности": Rules.ini's groups, scenes and
// sequences, made anew whenever the rule book has been read or edited (and
// the sequences' whenever one of them starts, pauses, stops or steps on). A switch or a recall is a request of the
// window to the command core, as any transport's; the edits that no command
// carries (a new group, a removal, a scene's new name) go to the rule book.
// Either way a refusal is shown in its own words.
class RuleMenus : public QObject {
    Q_OBJECT

public:
    // `list` gives the selection; `settings` follows a renamed scene chosen
    // for the start or the exit.
    RuleMenus(QWidget& owner, QTreeWidget& list, CommandCore& core, RuleBook& rules, Sequences& sequences,
              Settings& settings, MenuQuestions questions);
    ~RuleMenus() override;

    QMenu* groupmenu;
    QMenu* scenemenu;
    // The last entry of "Сцены": the menu bar has no room left for it at the
    // window's first width.
    QMenu* seqmenu;

signals:
    // After every read or edit of Rules.ini, the menus already made anew.
    void rulesRead();

private:
    void rebuild();
    void fillGroups();
    void fillScenes();
    void fillSequences();
    void enableForSelection();

    void selectGroup(const Group& group);
    void createGroup();
    void removeGroup(const std::string& name);
    void saveScene(bool selectedOnly);
    void renameScene(const std::string& name);
    void removeScene(const std::string& name);

    void request(const Command& command, const QString& title);
    // Why the core refused the command; empty when it did not.
    std::string refusal(const Command& command);
    void tell(const QString& title, const std::string& why);
    // The entries that removing the group's or scene's section would leave
    // at fault, one a line after a heading; empty when none would be.
    QString brokenText(const std::string& section) const;
    // Asks for a name until `take` has it (returning no reason) or the user
    // backs out. A name refused is said, then asked for again with what was
    // typed, so that a slip costs no retyping.
    void askName(const QString& title, const QString& prompt, QString text,
                 const std::function<std::string(const std::string& name)>& take);
    // Whether a new group or scene may have this name: yes when none has it,
    // else when the user says to replace that one.
    bool mayReplace(const QString& title, const std::string& name, bool scene);
    std::vector<int> selectedOutputs() const;

    QWidget& owner_;
    QTreeWidget& list_;
    CommandCore& core_;
    RuleBook& rules_;
    RuleBook::ListenerId listener_;
    Sequences& sequences_;
    Sequences::ListenerId sequencesListener_;
    Settings& settings_;
    MenuQuestions questions_;
    QAction* newGroup_ = nullptr;
    QAction* saveSelected_ = nullptr;
};

}  // namespace kavtra
