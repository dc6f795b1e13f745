#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "app/program.h"
#include "commands/command_core.h"
#include "outputs/shift_board.h"
#include "ui/bench/bench_window.h"
#include "ui/dialogs/journal_dialog.h"
#include "ui/dialogs/schedule_dialog.h"
#include "ui/main/my_frm.h"

namespace kavtra {

// The program with its window: MyFrm loaded and shown, its dialogs, the
// simulated board's window beside it, and the end of the desktop session
// taken as a request to end the program.
class ProgramWindow : public WindowShower {
public:
    explicit ProgramWindow(Program& program);
    ~ProgramWindow() override;

    // Brings the window to the front.
    void showWindow() override;

    // The MQTT link's state, in the status bar.
    void showNetworkState(const QString& text);
    // The web access's state, in a field of its own.
    void showWebState(const QString& text);
    // Called after "Веб-доступ" changed where the web access listens.
    void onWebSettingsSaved(std::function<void()> saved) { webSaved_ = std::move(saved); }

private:
    void showBench();

    std::unique_ptr<ShiftBoard> board_;
    std::unique_ptr<MyFrm> frm_;
    // Goes before the window it stands over.
    std::unique_ptr<JournalDialog> journal_;
    std::unique_ptr<ScheduleDialog> schedules_;
    std::unique_ptr<BenchWindow> bench_;
    std::function<void()> webSaved_;
    QString webState_;
};

}  // namespace kavtra
