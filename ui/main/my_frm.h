#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <string>

#include "outputs/out_state.h"
#include "persist/cls_ini.h"
#include "persist/settings.h"
#include "port/lpt.h"
#include "ui/main/output_list.h"
#include "ui/resources/image1.h"

class QAction;
class QMenu;
class QTimer;
class QTreeWidgetItem;

namespace kavtra {

// What the platform gives the main window, so that a test can build one on a
// temporary folder and a simulated port, and see the end of the process.
struct MyFrmPlatform {
    std::string programDir;
    LPT* lpt = nullptr;
    // Ends the process at once; in tests it only records that it was asked.
    std::function<void()> endProcess;
    // Asks "Вы уверенны что хотите выйти ?"; true for Yes.
    std::function<bool(QWidget* parent)> confirmExit;
    // Shows a dialog modally and returns when it has closed.
    std::function<void(QWidget* parent)> showOptions;
    std::function<void(QWidget* parent)> showAbout;
};

class MyFrm : public QMainWindow {
    Q_OBJECT

public:
    MyFrm(clsINI& ini, MyFrmPlatform platform);
    ~MyFrm() override;

    // The load sequence; runs once, before the window is first shown.
    void Form_Load();

    void UpdateOuts();
    void Init_Outs();
    void LoadList();
    void SaveList();

    kavtra::OutState OutState;

    OutputList* List1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Update_Tmr = nullptr;
    QMenu* outmenu = nullptr;
    QAction* on_all = nullptr;
    QAction* off_all = nullptr;
    QAction* propmenu = nullptr;
    QAction* about_menu = nullptr;

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
    const Geometry& LastPos() const { return lastPos_; }

    // The timers' tick handlers; tests call them instead of waiting.
    void Timer1_Timer();
    void Update_Tmr_Timer();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void AllOutsOn();
    void AllOutsOff();
    void setAllOuts(std::int16_t state);
    void List1_DblClick();
    void List1_AfterLabelEdit(const QString& newText);
    void Form_Unload();

    void buildMenus();
    void buildList();
    void applyPolicy(std::int16_t policy);
    void showState(QTreeWidgetItem* row, std::int16_t state);
    QTreeWidgetItem* selectedRow(int& index) const;
    void setPeriod(std::int32_t milliseconds);
    void applyListSize();
    void applyFrameToOuterSize();
    void setOuterGeometry(float left, float top, float width, float height);
    Geometry currentGeometry() const;

    clsINI& ini_;
    MyFrmPlatform platform_;
    Settings settings_;
    ImageList Image1;
    Geometry lastPos_;
    // Outer size asked for at load, applied again once the window manager has
    // given the window its frame (unknown before the window is shown).
    QSize outerSizeWanted_;
    bool frameApplied_ = false;
};

}  // namespace kavtra
