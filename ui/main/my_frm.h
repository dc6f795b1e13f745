#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <string>

#include "commands/command_core.h"
#include "engine/input_watch.h"
#include "engine/output_engine.h"
#include "persist/files/settings.h"
#include "rules/rule_book.h"
#include "runner/output_runner.h"
#include "ui/main/find_bar.h"
#include "ui/main/main_status_bar.h"
#include "ui/main/output_list.h"
#include "ui/main/rule_menus.h"
#include "ui/resources/image1.h"

class QAction;
class QMenu;
class QTimer;
class QTreeWidgetItem;

namespace kavtra {

// What the platform gives the main window, so that a test can answer its
// question and see its dialogs asked for.
struct MyFrmPlatform {
    // Asks "Вы уверенны что хотите выйти ?"; true for Yes.
    std::function<bool(QWidget* parent)> confirmExit;
    // Shows a dialog modally and returns when it has closed.
    std::function<void(QWidget* parent)> showOptions;
    std::function<void(QWidget* parent)> showAbout;
    // Shows "Журнал", not modally.
    std::function<void(QWidget* parent)> showJournal;
    // Shows "Расписание", not modally.
    std::function<void(QWidget* parent)> showSchedules;
    // Shows "Правила", not modally.
    std::function<void(QWidget* parent)> showRules;
    // The menu "Сеть": "Веб-доступ", "Телефон" (the page's tokens) and
    // "MQTT", each modally.
    std::function<void(QWidget* parent)> showWeb;
    std::function<void(QWidget* parent)> showPhone;
    std::function<void(QWidget* parent)> showMqtt;
    // The menu "Настройки" after its dialog: the setup's files saved to a
    // backup, and restored from one.
    std::function<void(QWidget* parent)> saveBackup;
    std::function<void(QWidget* parent)> restoreBackup;
    // For the menus "Группы" and "Сцены".
    MenuQuestions questions;
};

// The window: a view of the outputs engine. Its rows follow the engine's
// changes; its double click (or Space, or Enter), rename and menus ask the
// engine for them; "Группы", "Сцены" and "Отменить" ask the command core, as
// every other transport does. Rows can be selected together (Ctrl, Shift)
// for a new group or scene; a switch or a rename is of the row with the
// focus. The list fills the window between the menu bar and the status bar,
// with the find bar (Ctrl+F, Esc) below it when open. Its parts carry their
// names as object names ("List1", "Timer1", "on_all", ...), by which tests
// find them as they find any widget.
class MyFrm : public QMainWindow {
    Q_OBJECT

public:
    MyFrm(OutputRunner& runner, Settings& settings, CommandCore& core, InputWatch& inputs, RuleBook& rules,
          MyFrmPlatform platform);
    ~MyFrm() override;

    // The load sequence: the saved geometry, and the list as the program's
    // start sequence left the outputs; runs once, before the window is first
    // shown.
    void Form_Load();

    // How the port in use and the files' directory read in the status bar;
    // a modelled board that stands in for an unopened port says so in the
    // title too.
    void setPortName(const QString& name, bool simulated, const QString& standsInFor = {});
    void setFilesDirectory(const QString& dir, bool moved);

public slots:
    // The network link's state in words, for the status bar; empty hides it.
    void setNetworkState(const QString& text);
    // The web access's address, or why it is not running; empty hides it.
    void setWebState(const QString& text);
    // A setting of config.ini that cannot serve (the outputs' inversion), in
    // the status bar with Rules.ini's entries at fault; empty takes it back.
    void setSettingFault(const QString& text);

signals:
    // A double click on the port in the status bar.
    void portDoubleClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The geometry saver's record of what it saw at its last tick, in whole
    // twips. Held in 32 bits throughout: a window wider than 2184 pixels is
    // more than 32767 twips, and a 16-bit field could never match it again.
    struct Geometry {
        std::int32_t left = 0;
        std::int32_t top = 0;
        std::int32_t column1 = 0;
        std::int32_t column2 = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
    };

    void Timer1_Timer();
    void AllOutsOn();
    void AllOutsOff();
    void List1_DblClick();
    void List1_AfterLabelEdit(const QString& newText);
    void Form_Unload();

    void buildMenus();
    void undoLast();
    // The setting at fault and Rules.ini's entries at fault, in the status
    // bar until each is mended.
    void showProblems();
    void buildList();
    void buildFindBar();
    void fillList();
    void showChange(const OutputChange& change);
    void showState(QTreeWidgetItem* row, int output);
    // Every row whose limit runs (or just stopped) shown anew; the tick runs
    // while any limit does.
    void showTimeLeft();
    // The watched inputs' states in the status bar, hidden while none is.
    void showInputs();
    int selectedOutput() const;  // 0 when no row is selected
    void tellWhatWasStored(int output, const QString& typed);
    void applyFrameToOuterSize();
    void setOuterGeometry(float left, float top, float width, float height);
    Geometry currentGeometry() const;

    OutputList* List1 = nullptr;
    FindBar* findBar_ = nullptr;
    MainStatusBar* status_ = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* limitTick_ = nullptr;
    QMenu* outmenu = nullptr;
    QAction* on_all = nullptr;
    QAction* off_all = nullptr;
    QMenu* propmenu = nullptr;
    QAction* options_menu = nullptr;
    QAction* export_menu = nullptr;
    QAction* import_menu = nullptr;
    QAction* about_menu = nullptr;
    QMenu* editmenu = nullptr;
    QAction* undo_menu = nullptr;
    QMenu* automenu = nullptr;
    QAction* schedule_menu = nullptr;
    QAction* rules_menu = nullptr;
    QMenu* netmenu = nullptr;
    QAction* web_menu = nullptr;
    QAction* phone_menu = nullptr;
    QAction* mqtt_menu = nullptr;
    QAction* journal_menu = nullptr;
    OutputRunner& runner_;
    OutputEngine& engine_;
    Settings& settings_;
    CommandCore& core_;
    InputWatch& inputs_;
    RuleBook& rules_;
    RuleMenus* ruleMenus_ = nullptr;
    MyFrmPlatform platform_;
    OutputEngine::ListenerId listener_;
    InputWatch::ListenerId inputsListener_;
    InputWatch::ListenerId watchListener_;
    ImageList Image1;
    Geometry lastPos_;
    // Outer size asked for at load, applied again once the window manager has
    // given the window its frame (unknown before the window is shown).
    QSize outerSizeWanted_;
    bool frameApplied_ = false;
    QString settingFault_;
};

}  // namespace kavtra
