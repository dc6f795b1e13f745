#pragma once

#include <gtest/gtest.h>

#include <QTreeWidgetItem>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "persist/files/settings.h"
#include "persist/profile/cls_ini.h"
#include "plant/plant.h"
#include "runner/output_runner.h"
#include "tests/support/manual_timers.h"
#include "tests/support/port_log.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/window_parts.h"
#include "tests/support/zone_clock.h"
#include "ui/main/my_frm.h"

namespace kavtra::test {

// A main window on a temporary program directory and a simulated port with
// the board model and a trace on it. The process end is only recorded; the
// menus' questions are answered from the fields below and their messages kept.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();

    // Creates the plant (Rules.ini read), the runner and the window (anew,
    // as a new start of the program would) and runs the load sequence.
    MyFrm& load();
    // The same with the timers stopped, then, if asked, shows the window.
    // Tests tick the timers by hand.
    MyFrm& start(bool show = false);
    OutputEngine& engine() const { return plant_->engine; }

    std::string path(const std::string& name) const;
    std::string readFile(const std::string& name) const;
    void writeFile(const std::string& name, const std::string& bytes) const;
    bool exists(const std::string& name) const;

    OutputList& list() const { return listOf(*frm_); }
    QTreeWidgetItem* row(int output) const;
    void doubleClick(int output);
    bool showsGear(int output) const;
    bool showsCross(int output) const;
    // Transfers seen so far: each ends with exactly one latch pulse.
    std::uint64_t transfers() const;

    ScratchDir scratch_;
    std::filesystem::path dir_ = scratch_.path;
    BoardOnPort port_;
    ShiftBoard& board_ = port_.board;
    std::vector<std::string> trace_;
    clsINI config_;
    clsINI data_;
    Settings settings_{config_};
    bool answerYes_ = true;
    int asked_ = 0;
    int ended_ = 0;
    int optionsShown_ = 0;
    int aboutShown_ = 0;
    int journalShown_ = 0;
    int schedulesShown_ = 0;
    int rulesShown_ = 0;
    std::optional<QString> nameToType_;  // typed at the next question; then, and by default, none given
    std::vector<QString> namesShown_;    // each question's text as it came up
    std::vector<QString> confirmQuestions_;
    bool confirmYes_ = true;
    std::vector<QString> told_;
    ManualTimers timers_;
    FixedZone zone_{std::chrono::seconds(0)};
    // Last, so that they go (window first) before the directory.
    std::unique_ptr<Plant> plant_;
    std::unique_ptr<OutputRunner> runner_;
    std::unique_ptr<MyFrm> frm_;
};

}  // namespace kavtra::test
