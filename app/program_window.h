#pragma once

#include <QLockFile>

#include <memory>

#include "app/program.h"
#include "app/program_mqtt.h"
#include "app/program_web.h"
#include "commands/command_core.h"
#include "ui/bench/bench_window.h"
#include "ui/dialogs/journal_dialog.h"
#include "ui/dialogs/rule_dialog.h"
#include "ui/dialogs/schedule_dialog.h"
#include "ui/main/my_frm.h"

namespace kavtra {

// The program with its window: MyFrm loaded and shown, its dialogs, the
// simulated board's window beside it, MQTT's and the web access's states in
// its status bar, and the end of the desktop session taken as a request to
// end the program.
class ProgramWindow : public WindowShower {
public:
    // "Веб-доступ" has the web access follow what it saved, "MQTT" the link
    // and the page's choice of outputs.
    ProgramWindow(Program& program, ProgramWeb& web, ProgramMqtt& mqtt);
    ~ProgramWindow() override;

    // Brings the window to the front.
    void showWindow() override;

private:
    void showBench();

    std::unique_ptr<MyFrm> frm_;
    // Goes before the window it stands over.
    std::unique_ptr<JournalDialog> journal_;
    std::unique_ptr<ScheduleDialog> schedules_;
    std::unique_ptr<RuleDialog> rulesDialog_;
    std::unique_ptr<BenchWindow> bench_;
    // Held by a restore from a backup until the process ends.
    std::unique_ptr<QLockFile> restartLock_;
};

}  // namespace kavtra
