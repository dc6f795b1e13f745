#include "ui/main/my_frm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QTimer>
#include <QTreeWidget>

#include "outputs/transfer.h"
#include "persist/data_file.h"
#include "persist/profile.h"
#include "ui/main/list_edit_delegate.h"
#include "ui/main/twips.h"

namespace kavtra {
namespace {

constexpr int kOutputs = 300;
constexpr int kSaverPeriodMs = 100;
constexpr int kStartPeriodMs = 100;
// The list is this much lower and narrower than the window's outer size.
constexpr float kListHeightMargin = 780.0f;
constexpr float kListWidthMargin = 100.0f;
// Its size before the first resize.
constexpr float kListDesignWidth = 9195.0f;
constexpr float kListDesignHeight = 5535.0f;

const QString kOn = QStringLiteral("Вкл.");
const QString kOff = QStringLiteral("Выкл.");

std::int32_t wholeTwips(int pixels) { return static_cast<std::int32_t>(pixelsToTwips(pixels)); }

}  // namespace

MyFrm::MyFrm(clsINI& ini, MyFrmPlatform platform)
    : ini_(ini), platform_(std::move(platform)), settings_(ini_, platform_.programDir) {
    setWindowTitle(QStringLiteral("Кавтра"));
    setWindowIcon(Image1.image(1));
    // A sizable border and a minimize box, but no maximize box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildMenus();
    buildList();

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &MyFrm::Timer1_Timer);
    Timer1->start(kSaverPeriodMs);
    Update_Tmr = new QTimer(this);
    connect(Update_Tmr, &QTimer::timeout, this, &MyFrm::Update_Tmr_Timer);
    Update_Tmr->start(kStartPeriodMs);
}

MyFrm::~MyFrm() = default;

void MyFrm::buildMenus() {
    outmenu = menuBar()->addMenu(QStringLiteral("Выводы"));
    on_all = outmenu->addAction(QStringLiteral("Включить все"));
    off_all = outmenu->addAction(QStringLiteral("Выключить все"));
    propmenu = menuBar()->addAction(QStringLiteral("Настройки"));
    about_menu = menuBar()->addAction(QStringLiteral("О программе"));
    connect(on_all, &QAction::triggered, this, &MyFrm::AllOutsOn);
    connect(off_all, &QAction::triggered, this, &MyFrm::AllOutsOff);
    connect(propmenu, &QAction::triggered, this, [this] {
        if (platform_.showOptions) platform_.showOptions(this);
    });
    connect(about_menu, &QAction::triggered, this, [this] {
        if (platform_.showAbout) platform_.showAbout(this);
    });
}

void MyFrm::buildList() {
    // The list is placed by hand rather than by a layout: its size follows
    // the window by fixed margins.
    auto* client = new QWidget(this);
    setCentralWidget(client);
    List1 = new OutputList(client);
    List1->move(0, 0);
    List1->resize(twipsToPixels(kListDesignWidth), twipsToPixels(kListDesignHeight));
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
    auto* delegate = new ListEditDelegate(List1);
    List1->setItemDelegateForColumn(0, delegate);
    connect(delegate, &ListEditDelegate::editEnded, this, &MyFrm::List1_AfterLabelEdit);
    connect(List1, &QTreeWidget::itemDoubleClicked, this, &MyFrm::List1_DblClick);
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

    setPeriod(settings_.timeUpdate());
    const std::int16_t policy = settings_.valLoad();
    ini_.FileName(dataPath(platform_.programDir));
    applyPolicy(policy);
    LoadList();
    Init_Outs();
}

void MyFrm::setOuterGeometry(float left, float top, float width, float height) {
    move(twipsToPixels(left), twipsToPixels(top));
    outerSizeWanted_ = QSize(twipsToPixels(width), twipsToPixels(height));
    const QSize frame = frameGeometry().size() - size();
    resize(outerSizeWanted_ - frame);
    applyListSize();
}

void MyFrm::applyPolicy(std::int16_t policy) {
    for (int n = 1; n <= kOutputs; ++n) {
        switch (policy) {
        case kPolicyRemembered: OutState[n] = rememberedValue(ini_, n); break;
        case kPolicyAllOff: OutState[n] = 1; break;
        case kPolicyAllOn: OutState[n] = 0; break;
        default: break;
        }
    }
}

void MyFrm::LoadList() {
    List1->clear();
    ini_.FileName(dataPath(platform_.programDir));
    QList<QTreeWidgetItem*> rows;
    rows.reserve(kOutputs);
    for (int n = 1; n <= kOutputs; ++n) {
        const std::string name = ini_.GetPrivateINIString(deviceSection(n), "Name", defaultOutputName(n));
        auto* row = new QTreeWidgetItem({QString::fromStdString(name)});
        row->setFlags(row->flags() | Qt::ItemIsEditable);
        showState(row, OutState[n]);
        rows.append(row);
    }
    List1->addTopLevelItems(rows);
    UpdateOuts();
}

void MyFrm::SaveList() {
    ini_.FileName(dataPath(platform_.programDir));
    const ProfileWriteGroup oneSave;
    for (int n = 1; n <= kOutputs; ++n) {
        const std::string section = deviceSection(n);
        ini_.WritePrivateINIString(section, "Value", std::to_string(OutState[n]));
        ini_.WritePrivateINIString(section, "Name", List1->topLevelItem(n - 1)->text(0).toStdString());
    }
}

void MyFrm::UpdateOuts() { kavtra::UpdateOuts(OutState, *platform_.lpt); }

void MyFrm::Init_Outs() { kavtra::Init_Outs(*platform_.lpt); }

void MyFrm::showState(QTreeWidgetItem* row, std::int16_t state) {
    row->setText(1, state == 0 ? kOn : kOff);
    row->setIcon(0, Image1.image(state + 1));
}

QTreeWidgetItem* MyFrm::selectedRow(int& index) const {
    const QList<QTreeWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty()) return nullptr;
    index = List1->indexOfTopLevelItem(selected.first()) + 1;
    return index >= 1 ? selected.first() : nullptr;
}

void MyFrm::List1_DblClick() {
    int index = 0;
    QTreeWidgetItem* row = selectedRow(index);
    if (!row) return;
    OutState[index] = OutState[index] == 1 ? 0 : 1;
    showState(row, OutState[index]);
    List1->viewport()->update();
    SaveList();
    UpdateOuts();
}

void MyFrm::List1_AfterLabelEdit(const QString& newText) {
    int index = 0;
    QTreeWidgetItem* row = selectedRow(index);
    if (!row) return;
    row->setText(0, newText);
    SaveList();
}

void MyFrm::AllOutsOn() { setAllOuts(0); }

void MyFrm::AllOutsOff() { setAllOuts(1); }

void MyFrm::setAllOuts(std::int16_t state) {
    for (int n = 1; n <= kOutputs; ++n) {
        OutState[n] = state;
        showState(List1->topLevelItem(n - 1), OutState[n]);
    }
    List1->viewport()->update();
    SaveList();
    UpdateOuts();
}

void MyFrm::setPeriod(std::int32_t milliseconds) {
    // A period of 0 stops the timer for the rest of the run.
    if (milliseconds <= 0)
        Update_Tmr->stop();
    else
        Update_Tmr->setInterval(milliseconds);
}

void MyFrm::Update_Tmr_Timer() {
    setPeriod(settings_.timeUpdate());
    UpdateOuts();
}

void MyFrm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyListSize();
}

void MyFrm::applyListSize() {
    // Each step is tried on its own; a size the list cannot take (the window
    // too low, or minimized) leaves that dimension as it was.
    const QRect outer = frameGeometry();
    const int height = twipsToPixels(pixelsToTwips(outer.height()) - kListHeightMargin);
    if (height > 0) List1->resize(List1->width(), height);
    const int width = twipsToPixels(pixelsToTwips(outer.width()) - kListWidthMargin);
    if (width > 0) List1->resize(width, List1->height());
}

void MyFrm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    applyFrameToOuterSize();
    applyListSize();
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
    ini_.FileName(configPath(platform_.programDir));
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

void MyFrm::Form_Unload() {
    const std::int16_t policy = settings_.valUnload();
    ini_.FileName(dataPath(platform_.programDir));
    applyPolicy(policy);
    UpdateOuts();
    platform_.lpt->SetDataInput(true);
    platform_.endProcess();
}

}  // namespace kavtra
