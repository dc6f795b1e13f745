#include "ui/main/rule_menus.h"

#include <QMenu>
#include <QPointer>
#include <QTreeWidget>

#include <algorithm>
#include <tuple>

#include "commands/output_list.h"
#include "persist/ini/ini_lines.h"

namespace kavtra {
namespace {

const QString kGroups = QStringLiteral("Группы");
const QString kScenes = QStringLiteral("Сцены");
const QString kSequences = QStringLiteral("Последовательности");

QString stateText(const SequenceStatus& status) {
    if (status.state == SequenceStatus::State::Stopped) return QStringLiteral("остановлена");
    return QStringLiteral("%1, шаг %2 из %3")
        .arg(status.state == SequenceStatus::State::Running ? QStringLiteral("идёт") : QStringLiteral("на паузе"))
        .arg(status.step)
        .arg(status.steps);
}

// A name as a menu shows it: '&' would otherwise mark a shortcut letter.
QString menuText(const std::string& name) {
    return QString::fromStdString(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString quoted(const std::string& name) { return QStringLiteral("«%1»").arg(QString::fromStdString(name)); }

template <class Entry>
bool named(const std::vector<Entry>& entries, const std::string& name) {
    // The file tells sections apart only beyond ASCII letter case.
    return std::any_of(entries.begin(), entries.end(),
                       [&](const Entry& entry) { return ini::equalsIgnoringAsciiCase(entry.name, name); });
}

}  // namespace

RuleMenus::RuleMenus(QWidget& owner, QTreeWidget& list, CommandCore& core, RuleBook& rules, Sequences& sequences,
                     Settings& settings, MenuQuestions questions)
    : QObject(&owner),
      groupmenu(new QMenu(kGroups, &owner)),
      scenemenu(new QMenu(kScenes, &owner)),
      seqmenu(new QMenu(kSequences, &owner)),
      owner_(owner),
      list_(list),
      core_(core),
      rules_(rules),
      sequences_(sequences),
      settings_(settings),
      questions_(std::move(questions)) {
    groupmenu->setObjectName(QStringLiteral("groupmenu"));
    scenemenu->setObjectName(QStringLiteral("scenemenu"));
    seqmenu->setObjectName(QStringLiteral("seqmenu"));
    rebuild();
    connect(&list_, &QTreeWidget::itemSelectionChanged, this, &RuleMenus::enableForSelection);
    // The menus are made anew after the step that read the file has
    // returned: an edit is made from one of their own entries.
    listener_ = rules_.addListener([menus = QPointer<RuleMenus>(this)] {
        QMetaObject::invokeMethod(
            menus,
            [menus] {
                menus->rebuild();
                emit menus->rulesRead();
            },
            Qt::QueuedConnection);
    });
    sequencesListener_ =
        sequences_.addListener([menus = QPointer<RuleMenus>(this)](const SequenceStatus&, const std::string&) {
            QMetaObject::invokeMethod(
                menus, [menus] { menus->rebuild(); }, Qt::QueuedConnection);
        });
}

RuleMenus::~RuleMenus() {
    rules_.removeListener(listener_);
    sequences_.removeListener(sequencesListener_);
}

void RuleMenus::rebuild() {
    // A reload that comes in while one of the entries' questions is open
    // (the socket is served meanwhile) must not delete that entry under it.
    for (QMenu* menu : {groupmenu, scenemenu, seqmenu}) {
        for (QAction* action : menu->actions()) {
            menu->removeAction(action);
            if (action->parent() == menu) action->deleteLater();
        }
        for (QMenu* entry : menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) entry->deleteLater();
    }
    fillGroups();
    fillScenes();
    fillSequences();
    enableForSelection();
}

void RuleMenus::fillGroups() {
    const std::vector<Group>& groups = rules_.rules().groups;
    for (const Group& group : groups) {
        QMenu* entry = groupmenu->addMenu(menuText(group.name));
        entry->addAction(QStringLiteral("Выводы: %1").arg(QString::fromStdString(listText(group.outputs))))
            ->setEnabled(false);
        entry->addSeparator();
        connect(entry->addAction(QStringLiteral("Выделить в списке")), &QAction::triggered, this,
                [this, group] { selectGroup(group); });
        for (const auto& [text, action] :
             {std::pair{QStringLiteral("Включить"), Switch::On}, std::pair{QStringLiteral("Выключить"), Switch::Off}}) {
            connect(entry->addAction(text), &QAction::triggered, this, [this, name = group.name, action = action] {
                request(SetCommand{{{Target::ofGroup(name), action}}}, kGroups);
            });
        }
    }
    if (groups.empty()) groupmenu->addAction(QStringLiteral("(групп нет)"))->setEnabled(false);
    groupmenu->addSeparator();
    newGroup_ = groupmenu->addAction(QStringLiteral("Создать группу из выделенных…"));
    connect(newGroup_, &QAction::triggered, this, &RuleMenus::createGroup);
    QMenu* remove = groupmenu->addMenu(QStringLiteral("Удалить группу"));
    for (const Group& group : groups)
        connect(remove->addAction(menuText(group.name)), &QAction::triggered, this,
                [this, name = group.name] { removeGroup(name); });
    remove->setEnabled(!groups.empty());
}

void RuleMenus::fillScenes() {
    const std::vector<Scene>& scenes = rules_.rules().scenes;
    for (const Scene& scene : scenes)
        connect(scenemenu->addAction(menuText(scene.name)), &QAction::triggered, this,
                [this, name = scene.name] { request(SceneCommand{name}, kScenes); });
    if (scenes.empty()) scenemenu->addAction(QStringLiteral("(сцен нет)"))->setEnabled(false);
    scenemenu->addSeparator();
    connect(scenemenu->addAction(QStringLiteral("Сохранить сцену из всех выводов…")), &QAction::triggered, this,
            [this] { saveScene(false); });
    saveSelected_ = scenemenu->addAction(QStringLiteral("Сохранить сцену из выделенных…"));
    connect(saveSelected_, &QAction::triggered, this, [this] { saveScene(true); });
    QMenu* rename = scenemenu->addMenu(QStringLiteral("Переименовать сцену"));
    QMenu* remove = scenemenu->addMenu(QStringLiteral("Удалить сцену"));
    for (const Scene& scene : scenes) {
        connect(rename->addAction(menuText(scene.name) + QStringLiteral("…")), &QAction::triggered, this,
                [this, name = scene.name] { renameScene(name); });
        connect(remove->addAction(menuText(scene.name)), &QAction::triggered, this,
                [this, name = scene.name] { removeScene(name); });
    }
    rename->setEnabled(!scenes.empty());
    remove->setEnabled(!scenes.empty());
}

void RuleMenus::fillSequences() {
    const std::vector<SequenceStatus> statuses = sequences_.statuses();
    for (const SequenceStatus& status : statuses) {
        QMenu* entry = seqmenu->addMenu(menuText(status.name) + QStringLiteral(" — ") + stateText(status));
        const bool stopped = status.state == SequenceStatus::State::Stopped;
        const bool running = status.state == SequenceStatus::State::Running;
        for (const auto& [text, command, enabled] :
             {std::tuple{QStringLiteral("Запустить"), Command(StartCommand{status.name}), !running},
              std::tuple{QStringLiteral("Пауза"), Command(PauseCommand{status.name}), running},
              std::tuple{QStringLiteral("Остановить"), Command(StopCommand{status.name}), !stopped}}) {
            QAction* action = entry->addAction(text);
            action->setEnabled(enabled);
            connect(action, &QAction::triggered, this, [this, command = command] { request(command, kSequences); });
        }
    }
    if (statuses.empty()) seqmenu->addAction(QStringLiteral("(последовательностей нет)"))->setEnabled(false);
}

void RuleMenus::enableForSelection() {
    const bool any = !selectedOutputs().empty();
    newGroup_->setEnabled(any);
    saveSelected_->setEnabled(any);
}

std::vector<int> RuleMenus::selectedOutputs() const {
    // Rows the find bar hides are not what the user sees selected.
    std::vector<int> outputs;
    for (QTreeWidgetItem* row : list_.selectedItems())
        if (!row->isHidden()) outputs.push_back(list_.indexOfTopLevelItem(row) + 1);
    std::sort(outputs.begin(), outputs.end());
    return outputs;
}

void RuleMenus::selectGroup(const Group& group) {
    if (group.outputs.empty() || list_.topLevelItemCount() < group.outputs.back()) return;
    list_.clearSelection();
    for (int output : group.outputs) list_.topLevelItem(output - 1)->setSelected(true);
    QTreeWidgetItem* first = list_.topLevelItem(group.outputs.front() - 1);
    list_.setCurrentItem(first, 0, QItemSelectionModel::NoUpdate);
    list_.scrollToItem(first);
    list_.setFocus();
}

void RuleMenus::askName(const QString& title, const QString& prompt, QString text,
                        const std::function<std::string(const std::string& name)>& take) {
    while (questions_.askName) {
        const std::optional<QString> typed = questions_.askName(&owner_, title, prompt, text);
        if (!typed) return;
        // Blanks at the ends are typed by mistake; the file could not keep them.
        const std::string why = take(typed->trimmed().toStdString());
        if (why.empty()) return;
        tell(title, why);
        text = *typed;
    }
}

bool RuleMenus::mayReplace(const QString& title, const std::string& name, bool scene) {
    const bool taken = scene ? named(rules_.rules().scenes, name) : named(rules_.rules().groups, name);
    const QString question = scene ? QStringLiteral("Сцена %1 уже есть. Заменить её?")
                                   : QStringLiteral("Группа %1 уже есть. Заменить её выводы?");
    return !taken || (questions_.confirm && questions_.confirm(&owner_, title, question.arg(quoted(name))));
}

void RuleMenus::createGroup() {
    const std::vector<int> outputs = selectedOutputs();
    const QString title = QStringLiteral("Создать группу");
    askName(title, QStringLiteral("Название группы из %1 выделенных выводов:").arg(outputs.size()), {},
            [&](const std::string& name) {
                return mayReplace(title, name, false) ? rules_.saveGroup(name, outputs) : std::string();
            });
}

void RuleMenus::removeGroup(const std::string& name) {
    const QString title = QStringLiteral("Удалить группу");
    if (questions_.confirm && questions_.confirm(&owner_, title,
                                                 QStringLiteral("Удалить группу %1 из Rules.ini?").arg(quoted(name)) +
                                                     brokenText(groupSection(name))))
        tell(title, rules_.remove(groupSection(name)));
}

void RuleMenus::saveScene(bool selectedOnly) {
    const QString title = QStringLiteral("Сохранить сцену");
    std::vector<Target> targets;
    if (selectedOnly)
        for (int output : selectedOutputs()) targets.emplace_back(output);
    const QString prompt = selectedOnly ? QStringLiteral("Название сцены из %1 выделенных выводов:").arg(targets.size())
                                        : QStringLiteral("Название сцены из всех выводов:");
    askName(title, prompt, {}, [&](const std::string& name) {
        return mayReplace(title, name, true) ? refusal(SaveSceneCommand{name, targets}) : std::string();
    });
}

void RuleMenus::renameScene(const std::string& name) {
    const QString title = QStringLiteral("Переименовать сцену");
    askName(title, QStringLiteral("Новое название сцены %1:").arg(quoted(name)), QString::fromStdString(name),
            [&](const std::string& newName) {
                if (newName == name) return std::string();
                const std::string why = rules_.renameScene(name, newName);
                if (!why.empty()) return why;
                // A scene chosen in "Настройки" stays chosen under its new name.
                if (settings_.sceneLoad() == name) settings_.writeSceneLoad(newName);
                if (settings_.sceneUnload() == name) settings_.writeSceneUnload(newName);
                return std::string();
            });
}

void RuleMenus::removeScene(const std::string& name) {
    const QString title = QStringLiteral("Удалить сцену");
    const bool atStart = settings_.sceneLoad() == name;
    const bool atExit = settings_.sceneUnload() == name;
    QString question = QStringLiteral("Удалить сцену %1 из Rules.ini?").arg(quoted(name));
    if (atStart || atExit) question += QStringLiteral("\nОна выбрана в «Настройках»; там станет «(нет)».");
    question += brokenText(sceneSection(name));
    if (!questions_.confirm || !questions_.confirm(&owner_, title, question)) return;
    const std::string why = rules_.remove(sceneSection(name));
    if (!why.empty()) return tell(title, why);
    // The start and the exit would otherwise look for it in vain.
    if (atStart) settings_.writeSceneLoad({});
    if (atExit) settings_.writeSceneUnload({});
}

QString RuleMenus::brokenText(const std::string& section) const {
    QString text;
    for (const RuleProblem& problem : rules_.brokenByRemoving(section))
        text += QLatin1Char('\n') + QString::fromStdString(problemText(problem));
    return text.isEmpty() ? text : QStringLiteral("\nБез неё перестанет действовать:") + text;
}

void RuleMenus::request(const Command& command, const QString& title) { tell(title, refusal(command)); }

std::string RuleMenus::refusal(const Command& command) {
    // A step that was not saved shows in the status bar, as Data.dat's
    // failure; only a refusal needs words here.
    const Reply reply = core_.execute(Request{command, Source::Window});
    return reply.outcome == Reply::Outcome::Refused ? reply.reason : std::string();
}

void RuleMenus::tell(const QString& title, const std::string& why) {
    if (why.empty() || !questions_.tell) return;
    // The reasons are written to follow "refused:" on a command line; a
    // message box begins a sentence.
    QString text = QString::fromStdString(why);
    text[0] = text[0].toUpper();
    questions_.tell(&owner_, title, text);
}

}  // namespace kavtra
