#include "runner/output_runner.h"

#include <QTimer>

namespace kavtra {
namespace {

constexpr int kStartPeriodMs = 100;

}  // namespace

OutputRunner::OutputRunner(Plant& plant, std::function<void()> endProcess)
    : plant_(plant), endProcess_(std::move(endProcess)) {
    Update_Tmr = new QTimer(this);
    connect(Update_Tmr, &QTimer::timeout, this, &OutputRunner::Update_Tmr_Timer);
    Update_Tmr->start(kStartPeriodMs);
}

void OutputRunner::startSequence() { setPeriod(plant_.start()); }

void OutputRunner::exitSequence() {
    if (plant_.exiting()) return;
    Update_Tmr->stop();
    plant_.exit();
    endProcess_();
}

void OutputRunner::setPeriod(std::int32_t milliseconds) {
    // A period of 0 stops the timer for the rest of the run.
    if (milliseconds <= 0)
        Update_Tmr->stop();
    else
        Update_Tmr->setInterval(milliseconds);
}

void OutputRunner::Update_Tmr_Timer() {
    setPeriod(plant_.settings.timeUpdate());
    plant_.engine.UpdateOuts();
}

}  // namespace kavtra
