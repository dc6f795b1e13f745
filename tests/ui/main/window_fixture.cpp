#include "window_fixture.h"

#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <utility>

#include "port/port_trace.h"
#include "tests/support/file_bytes.h"
#include "ui/resources/image1.h"

namespace kavtra::test {

WindowTest::WindowTest() {
    port_.tap.addListener([this](const PortAccess& a) { trace_.push_back(formatTraceLine(a)); });
    config_.FileName(configPath(dir_.string()));
    data_.FileName(dataPath(dir_.string()));
}

MyFrm& WindowTest::load() {
    frm_.reset();
    runner_.reset();
    plant_.reset();
    plant_ = std::make_unique<Plant>(port_.lpt, dir_.string(), PlantClocks{timers_, timers_, timers_, timers_, zone_});
    runner_ = std::make_unique<OutputRunner>(*plant_, [this] { ++ended_; });
    MyFrmPlatform platform;
    platform.confirmExit = [this](QWidget*) {
        ++asked_;
        return answerYes_;
    };
    platform.showOptions = [this](QWidget*) { ++optionsShown_; };
    platform.showAbout = [this](QWidget*) { ++aboutShown_; };
    platform.showJournal = [this](QWidget*) { ++journalShown_; };
    platform.showSchedules = [this](QWidget*) { ++schedulesShown_; };
    platform.showRules = [this](QWidget*) { ++rulesShown_; };
    platform.questions.askName = [this](QWidget*, const QString&, const QString&, const QString& text) {
        namesShown_.push_back(text);
        return std::exchange(nameToType_, std::nullopt);
    };
    platform.questions.confirm = [this](QWidget*, const QString&, const QString& text) {
        confirmQuestions_.push_back(text);
        return confirmYes_;
    };
    platform.questions.tell = [this](QWidget*, const QString&, const QString& text) { told_.push_back(text); };
    frm_ = std::make_unique<MyFrm>(*runner_, plant_->settings, plant_->core, plant_->inputs, plant_->rules, platform);
    runner_->startSequence();
    frm_->Form_Load();
    return *frm_;
}

MyFrm& WindowTest::start(bool show) {
    MyFrm& frm = load();
    // Stopped before the window is shown: on a busy machine showing it can
    // take longer than a period, and a tick then would write config.ini.
    geometryTimerOf(frm).stop();
    runner_->Update_Tmr->stop();
    if (show) {
        frm.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frm));
    }
    return frm;
}

std::string WindowTest::path(const std::string& name) const { return (dir_ / name).string(); }

std::string WindowTest::readFile(const std::string& name) const { return readBytes(path(name)); }

void WindowTest::writeFile(const std::string& name, const std::string& bytes) const { writeBytes(path(name), bytes); }

bool WindowTest::exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

QTreeWidgetItem* WindowTest::row(int output) const { return list().topLevelItem(output - 1); }

void WindowTest::doubleClick(int output) {
    list().scrollToItem(row(output));
    const QPoint centre = list().visualItemRect(row(output)).center();
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, centre);
}

static bool sameIcon(const QIcon& icon, const QImage& expected) {
    return icon.pixmap(16, 16).toImage().convertToFormat(expected.format()) == expected;
}

bool WindowTest::showsGear(int output) const { return sameIcon(row(output)->icon(0), drawGear(16)); }

bool WindowTest::showsCross(int output) const { return sameIcon(row(output)->icon(0), drawCross(16)); }

std::uint64_t WindowTest::transfers() const { return board_.latchPulses(); }

}  // namespace kavtra::test
