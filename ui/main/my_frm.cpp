#include "ui/main/my_frm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "persist/files/data_file.h"
#include "persist/profile/profile.h"
#include "ui/main/list_edit_delegate.h"
#include "ui/main/twips.h"
#include "ui/main/window_placement.h"

namespace kavtra {
namespace {

constexpr int kOutputs = OutState::kOutputs;
constexpr int kSaverPeriodMs = 100;

const QString kOn = QStringLiteral("Вкл.");
const QString kOff = QStringLiteral("Выкл.");

constexpr int kLimitTickMs = 1000;

// A limit's time left as the row shows it: "17:59", "1:29:59"; a started
// second counts whole, as --get counts it.
QString leftText(std::int64_t seconds) {
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(seconds / 60 % 60, seconds >= 3600 ? 2 : 1, 10, QChar('0'))
                                          .arg(seconds % 60, 2, 10, QChar('0'));
    return seconds >= 3600 ? QStringLiteral("%1:%2").arg(seconds / 3600).arg(minutesAndSeconds) : minutesAndSeconds;
}

std::int32_t wholeTwips(int pixels) { return static_cast<std::int32_t>(pixelsToTwips(pixels)); }

QList<QRect> availableScreens() {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
    return screens;
}

// The characters of typed that a save turned into something else.
QString lostCharacters(const QString& typed, const QString& stored) {
    const QList<uint> kept = stored.toUcs4();
    const QSet<uint> keptSet(kept.begin(), kept.end());
    QString lost;
    for (const uint c : typed.toUcs4()) {
        const char32_t code = c;
        const QString character = QString::fromUcs4(&code, 1);
        if (!keptSet.contains(c) && !character.trimmed().isEmpty() && !lost.contains(character)) lost += character;
    }
    return lost;
}

}  // namespace

MyFrm::MyFrm(OutputRunner& runner, Settings& settings, CommandCore& core, InputWatch& inputs, RuleBook& rules,
             MyFrmPlatform platform)
    : runner_(runner),
      engine_(runner.engine()),
      settings_(settings),
      core_(core),
      inputs_(inputs),
      rules_(rules),
      platform_(std::move(platform)) {
    setWindowTitle(QStringLiteral("Кавтра"));
    setWindowIcon(Image1.image(1));
    // A sizable border and a minimize box, but no maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildList();
    buildMenus();
    buildFindBar();
    status_ = new MainStatusBar(this);
    status_->setObjectName(QStringLiteral("status"));
    setStatusBar(status_);
    connect(status_->port, &StatusField::doubleClicked, this, &MyFrm::portDoubleClicked);
    // Rules.ini was read before the window was made, and is read again by
    // every reload and edit.
    showProblems();
    connect(ruleMenus_, &RuleMenus::rulesRead, this, &MyFrm::showProblems);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &MyFrm::Timer1_Timer);
    Timer1->start(kSaverPeriodMs);
    listener_ = engine_.addListener([this](const OutputChange& change) { showChange(change); });
    // The time left in the rows, while any limit runs.
    limitTick_ = new QTimer(this);
    limitTick_->setObjectName(QStringLiteral("limitTick"));
    connect(limitTick_, &QTimer::timeout, this, &MyFrm::showTimeLeft);
    connect(ruleMenus_, &RuleMenus::rulesRead, this, &MyFrm::showTimeLeft);
    showInputs();
    inputsListener_ = inputs_.addListener([this](const InputEdge&) { showInputs(); });
    watchListener_ = inputs_.addWatchListener([this] { showInputs(); });
}

MyFrm::~MyFrm() {
    engine_.removeListener(listener_);
    inputs_.removeListener(inputsListener_);
    inputs_.removeWatchListener(watchListener_);
}

void MyFrm::showInputs() {
    QString text;
    for (int input = 1; input <= static_cast<int>(kInputs); ++input)
        if (const std::optional<bool> on = inputs_.isOn(input))
            text += QStringLiteral(" %1 %2").arg(input).arg(*on ? QStringLiteral("●") : QStringLiteral("○"));
    if (!inputs_.fault().empty())
        text = QStringLiteral("Входы не читаются: ") + QString::fromStdString(inputs_.fault());
    else if (!text.isEmpty())
        text = QStringLiteral("Входы:") + text;
    status_->setInputsState(text);
}

void MyFrm::buildMenus() {
    outmenu = menuBar()->addMenu(QStringLiteral("Выводы"));
    on_all = outmenu->addAction(QStringLiteral("Включить все"));
    off_all = outmenu->addAction(QStringLiteral("Выключить все"));
    editmenu = menuBar()->addMenu(QStringLiteral("Правка"));
    undo_menu = editmenu->addAction(QStringLiteral("Отменить"));
    undo_menu->setShortcut(QKeySequence::Undo);
    undo_menu->setEnabled(engine_.canUndo());
    ruleMenus_ = new RuleMenus(*this, *List1, core_, rules_, runner_.sequences(), settings_, platform_.questions);
    menuBar()->addMenu(ruleMenus_->groupmenu);
    menuBar()->addMenu(ruleMenus_->scenemenu);
    // What acts on its own, under the name the schedules had: the bar has no
    // room for more entries at the window's first width.
    automenu = menuBar()->addMenu(QStringLiteral("Расписание"));
    schedule_menu = automenu->addAction(QStringLiteral("Расписание…"));
    rules_menu = automenu->addAction(QStringLiteral("Правила…"));
    automenu->addMenu(ruleMenus_->seqmenu);
    journal_menu = menuBar()->addAction(QStringLiteral("Журнал"));
    // Short: the bar must keep "О программе" in view at the window's first width.
    netmenu = menuBar()->addMenu(QStringLiteral("Сеть"));
    web_menu = netmenu->addAction(QStringLiteral("Веб-доступ…"));
    phone_menu = netmenu->addAction(QStringLiteral("Телефон…"));
    mqtt_menu = netmenu->addAction(QStringLiteral("MQTT…"));
    propmenu = menuBar()->addMenu(QStringLiteral("Настройки"));
    options_menu = propmenu->addAction(QStringLiteral("Настройки…"));
    propmenu->addSeparator();
    export_menu = propmenu->addAction(QStringLiteral("Сохранить копию…"));
    import_menu = propmenu->addAction(QStringLiteral("Восстановить из копии…"));
    about_menu = menuBar()->addAction(QStringLiteral("О программе"));
    outmenu->setObjectName(QStringLiteral("outmenu"));
    on_all->setObjectName(QStringLiteral("on_all"));
    off_all->setObjectName(QStringLiteral("off_all"));
    propmenu->setObjectName(QStringLiteral("propmenu"));
    options_menu->setObjectName(QStringLiteral("options_menu"));
    export_menu->setObjectName(QStringLiteral("export_menu"));
    import_menu->setObjectName(QStringLiteral("import_menu"));
    about_menu->setObjectName(QStringLiteral("about_menu"));
    editmenu->setObjectName(QStringLiteral("editmenu"));
    undo_menu->setObjectName(QStringLiteral("undo_menu"));
    automenu->setObjectName(QStringLiteral("automenu"));
    schedule_menu->setObjectName(QStringLiteral("schedule_menu"));
    rules_menu->setObjectName(QStringLiteral("rules_menu"));
    journal_menu->setObjectName(QStringLiteral("journal_menu"));
    netmenu->setObjectName(QStringLiteral("netmenu"));
    web_menu->setObjectName(QStringLiteral("web_menu"));
    phone_menu->setObjectName(QStringLiteral("phone_menu"));
    mqtt_menu->setObjectName(QStringLiteral("mqtt_menu"));
    connect(undo_menu, &QAction::triggered, this, &MyFrm::undoLast);
    // Each entry that opens what the platform gives, when it gives it.
    const auto opens = [this](QAction* entry, std::function<void(QWidget*)> MyFrmPlatform::*open) {
        connect(entry, &QAction::triggered, this, [this, open] {
            if (platform_.*open) (platform_.*open)(this);
        });
    };
    opens(schedule_menu, &MyFrmPlatform::showSchedules);
    opens(rules_menu, &MyFrmPlatform::showRules);
    opens(journal_menu, &MyFrmPlatform::showJournal);
    opens(web_menu, &MyFrmPlatform::showWeb);
    opens(phone_menu, &MyFrmPlatform::showPhone);
    opens(mqtt_menu, &MyFrmPlatform::showMqtt);
    // A build without MQTT has no dialog to offer.
    mqtt_menu->setEnabled(static_cast<bool>(platform_.showMqtt));
    connect(on_all, &QAction::triggered, this, &MyFrm::AllOutsOn);
    connect(off_all, &QAction::triggered, this, &MyFrm::AllOutsOff);
    opens(options_menu, &MyFrmPlatform::showOptions);
    opens(export_menu, &MyFrmPlatform::saveBackup);
    opens(import_menu, &MyFrmPlatform::restoreBackup);
    opens(about_menu, &MyFrmPlatform::showAbout);
}

void MyFrm::buildList() {
    // A layout rather than margins from the outer size: the frame a window
    // manager adds is of any height, and the list must end where the status
    // bar begins whatever it is.
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    List1 = new OutputList(client);
    List1->setObjectName(QStringLiteral("List1"));
    List1->tipsFrom([this](int output) { return QString::fromStdString(statsTip(core_.stats(output))); });
    layout->addWidget(List1, 1);
    List1->setRootIsDecorated(false);
    List1->setUniformRowHeights(true);
    List1->setAllColumnsShowFocus(true);
    List1->setIconSize(QSize(16, 16));
    List1->setColumnCount(0);
    List1->header()->setStretchLastSection(false);
    List1->header()->setSectionsMovable(false);
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    List1->setFont(font);
    // A double click switches the output; the name is edited by a click on
    // the selected row or by F2.
    List1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* delegate = new ListEditDelegate(List1);
    List1->setItemDelegateForColumn(0, delegate);
    connect(delegate, &ListEditDelegate::editEnded, this, &MyFrm::List1_AfterLabelEdit);
    connect(List1, &QTreeWidget::itemDoubleClicked, this, &MyFrm::List1_DblClick);
    connect(List1, &OutputList::switchRequested, this, &MyFrm::List1_DblClick);
}

void MyFrm::buildFindBar() {
    findBar_ = new FindBar(*List1, centralWidget());
    findBar_->setObjectName(QStringLiteral("findBar"));
    centralWidget()->layout()->addWidget(findBar_);
    // A shortcut of the window, not an entry of its menus.
    auto* findAction = new QAction(QStringLiteral("Найти"), this);
    findAction->setObjectName(QStringLiteral("findAction"));
    findAction->setShortcut(QKeySequence::Find);
    addAction(findAction);
    connect(findAction, &QAction::triggered, findBar_, &FindBar::open);
}

void MyFrm::Form_Load() {
    // The program ends its process itself, at the end of the exit sequence.
    QApplication::setQuitOnLastWindowClosed(false);

    const float left = settings_.x();
    const float top = settings_.y();
    const float height = settings_.height();
    const float width = settings_.width();
    setOuterGeometry(left, top, width, height);

    List1->setHeaderLabels({QStringLiteral("Название"), QStringLiteral("Состояние")});
    List1->setColumnWidth(0, twipsToPixels(settings_.listWidth1()));
    List1->setColumnWidth(1, twipsToPixels(settings_.listWidth2()));

    fillList();
}

void MyFrm::setOuterGeometry(float left, float top, float width, float height) {
    // Saved on another set of screens (one unplugged, another resolution or
    // scale), the window would open where nobody can reach it.
    const QRect saved(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect outer = primary ? ontoScreens(saved, availableScreens(), primary->availableGeometry()) : saved;
    move(outer.topLeft());
    outerSizeWanted_ = outer.size();
    const QSize frame = frameGeometry().size() - size();
    resize(outerSizeWanted_ - frame);
}

void MyFrm::fillList() {
    // The rows are made once the start sequence has set the states and read
    // the names; from then on each change updates only its own rows.
    QList<QTreeWidgetItem*> rows;
    rows.reserve(kOutputs);
    for (int n = 1; n <= kOutputs; ++n) {
        auto* row = new QTreeWidgetItem({QString::fromStdString(engine_.name(n))});
        row->setFlags(row->flags() | Qt::ItemIsEditable);
        // Two outputs of the same name are told apart by their numbers.
        row->setToolTip(0, QStringLiteral("Вывод %1").arg(n));
        showState(row, n);
        rows.append(row);
    }
    List1->addTopLevelItems(rows);
    showTimeLeft();
}

void MyFrm::showChange(const OutputChange& change) {
    undo_menu->setEnabled(engine_.canUndo());
    // Rows do not exist before the load sequence has filled the list, and the
    // exit sequence's states are not shown: the window goes with the process.
    if (List1->topLevelItemCount() != kOutputs || runner_.exiting()) return;
    for (const int n : change.states) showState(List1->topLevelItem(n - 1), n);
    for (const int n : change.names) List1->topLevelItem(n - 1)->setText(0, QString::fromStdString(engine_.name(n)));
    List1->viewport()->update();
    showTimeLeft();
}

void MyFrm::showState(QTreeWidgetItem* row, int output) {
    const std::int16_t state = engine_.state(output);
    const std::optional<std::int64_t> left = core_.view(output).secondsLeft();
    // Short enough for the state column's usual width; the tooltip says what
    // the time is.
    const QString shown = left ? leftText(*left) : QString();
    row->setText(1, (state == kStateOn ? kOn : kOff) + (left ? " " + shown : QString()));
    row->setToolTip(1, left ? QStringLiteral("Выключится по пределу через %1").arg(shown) : QString());
    row->setIcon(0, Image1.image(state + 1));
}

void MyFrm::showTimeLeft() {
    if (List1->topLevelItemCount() != kOutputs || runner_.exiting()) return;
    bool running = false;
    for (int n = 1; n <= kOutputs; ++n) {
        const bool shown = List1->topLevelItem(n - 1)->text(1).size() > (engine_.isOn(n) ? kOn : kOff).size();
        const bool runs = core_.view(n).left.has_value();
        running = running || runs;
        if (runs || shown) showState(List1->topLevelItem(n - 1), n);
    }
    if (running && !limitTick_->isActive()) limitTick_->start(kLimitTickMs);
    if (!running) limitTick_->stop();
}

int MyFrm::selectedOutput() const {
    // Of several selected rows, the one with the focus is meant.
    QTreeWidgetItem* current = List1->currentItem();
    if (current && current->isSelected()) return List1->indexOfTopLevelItem(current) + 1;
    const QList<QTreeWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty()) return 0;
    return List1->indexOfTopLevelItem(selected.first()) + 1;
}

void MyFrm::List1_DblClick() {
    if (const int output = selectedOutput()) core_.execute(Request{ToggleCommand{output}, Source::Window});
}

void MyFrm::List1_AfterLabelEdit(const QString& newText) {
    const int output = selectedOutput();
    if (!output) return;
    core_.execute(Request{RenameCommand{output, newText.toStdString()}, Source::Window});
    tellWhatWasStored(output, newText);
}

void MyFrm::tellWhatWasStored(int output, const QString& typed) {
    // The row already shows the name as it was kept; this says why it differs
    // from what was typed.
    const QString stored = QString::fromStdString(engine_.name(output));
    if (stored == typed) return status_->showNotice(QString());
    const QString lost = lostCharacters(typed, stored);
    const QString why = lost.isEmpty()
                            ? QStringLiteral("пробелы по краям и переводы строк не сохраняются, длина - до 511 знаков")
                            : QStringLiteral("в кодировке файла Data.dat (Windows-1251) нет знаков «%1»").arg(lost);
    status_->showNotice(QStringLiteral("Название вывода %1 сохранено как «%2»: %3").arg(output).arg(stored, why));
}

void MyFrm::setPortName(const QString& name, bool simulated, const QString& standsInFor) {
    status_->setPortName(name, simulated, standsInFor);
    if (!standsInFor.isEmpty())
        setWindowTitle(QStringLiteral("Кавтра — модель платы: порт %1 не открыт").arg(standsInFor));
}

void MyFrm::setFilesDirectory(const QString& dir, bool moved) { status_->setFilesDirectory(dir, moved); }

void MyFrm::setNetworkState(const QString& text) { status_->setNetworkState(text); }

void MyFrm::setWebState(const QString& text) { status_->setWebState(text); }

void MyFrm::AllOutsOn() { core_.execute(Request{AllCommand{true}, Source::Window}); }

void MyFrm::AllOutsOff() { core_.execute(Request{AllCommand{false}, Source::Window}); }

void MyFrm::undoLast() {
    // Enabled only while there is something to take back; a step that was
    // not saved shows in the status bar as Data.dat's failure.
    core_.execute(Request{UndoCommand{}, Source::Window});
}

void MyFrm::setSettingFault(const QString& text) {
    settingFault_ = text;
    showProblems();
}

void MyFrm::showProblems() {
    QStringList problems;
    if (!settingFault_.isEmpty()) problems.append(settingFault_);
    for (const RuleProblem& problem : rules_.problems()) problems.append(QString::fromStdString(problemText(problem)));
    status_->setRuleProblems(problems);
}

void MyFrm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    applyFrameToOuterSize();
}

void MyFrm::keyPressEvent(QKeyEvent* event) {
    // Esc from the list or the find field; the name's editor keeps its own.
    if (event->key() == Qt::Key_Escape && !findBar_->isHidden()) return findBar_->dismiss();
    QMainWindow::keyPressEvent(event);
}

void MyFrm::applyFrameToOuterSize() {
    // The frame a window manager adds is known only once the window is up,
    // sometimes only some time after it is shown; the outer size asked for at
    // load is made true then, once.
    const QSize frame = frameGeometry().size() - size();
    if (frameApplied_ || frame == QSize(0, 0) || !isVisible()) return;
    frameApplied_ = true;
    resize(outerSizeWanted_ - frame);
}

MyFrm::Geometry MyFrm::currentGeometry() const {
    const QRect outer = frameGeometry();
    return Geometry{wholeTwips(outer.x()),
                    wholeTwips(outer.y()),
                    wholeTwips(List1->columnWidth(0)),
                    wholeTwips(List1->columnWidth(1)),
                    wholeTwips(outer.width()),
                    wholeTwips(outer.height())};
}

void MyFrm::Timer1_Timer() {
    if (isMinimized()) return;
    applyFrameToOuterSize();
    const Geometry now = currentGeometry();
    const ProfileWriteGroup oneSave;
    if (now.left != lastPos_.left) settings_.writeX(static_cast<float>(now.left));
    if (now.top != lastPos_.top) settings_.writeY(static_cast<float>(now.top));
    if (now.column1 != lastPos_.column1) settings_.writeListWidth1(static_cast<float>(now.column1));
    if (now.column2 != lastPos_.column2) settings_.writeListWidth2(static_cast<float>(now.column2));
    if (now.height != lastPos_.height) settings_.writeHeight(static_cast<float>(now.height));
    if (now.width != lastPos_.width) settings_.writeWidth(static_cast<float>(now.width));
    lastPos_ = now;
}

void MyFrm::closeEvent(QCloseEvent* event) {
    if (!platform_.confirmExit || !platform_.confirmExit(this)) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void MyFrm::Form_Unload() { runner_.exitSequence(); }

}  // namespace kavtra
