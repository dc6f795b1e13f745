#include "runner/output_runner.h"

#include <QTimer>

#include <cstdio>

#include "persist/profile/profile.h"

namespace kavtra {
namespace {

constexpr int kStartPeriodMs = 100;

}  // namespace

OutputRunner::OutputRunner(Settings& settings, OutputEngine& engine, std::function<void()> endProcess,
                           SceneStates sceneStates)
    : settings_(settings), engine_(engine), endProcess_(std::move(endProcess)), sceneStates_(std::move(sceneStates)) {
    Update_Tmr = new QTimer(this);
    connect(Update_Tmr, &QTimer::timeout, this, &OutputRunner::Update_Tmr_Timer);
    Update_Tmr->start(kStartPeriodMs);
}

void OutputRunner::startSequence() {
    // One look at each file for the whole sequence: a file saved just before
    // the start cannot be trusted to the cache yet, and its 300 policy reads
    // would each parse all of it again. The policy and the names then also
    // come from the same file, even if another program replaces it meanwhile.
    const ProfileReadGroup oneRead;
    setPeriod(settings_.timeUpdate());
    applyPolicy(settings_.valLoad(), settings_.sceneLoad(), Source::StartPolicy);
    engine_.LoadList([this] {
        for (const auto& step : startSteps_) step();
    });
    engine_.Init_Outs();
    // Setting the port up loses the picture the start transfer latched; a
    // running refresh brings it back at its first tick, a stopped one never.
    if (!Update_Tmr->isActive()) engine_.UpdateOuts();
    for (const auto& step : startedSteps_) step();
}

void OutputRunner::exitSequence() {
    if (exiting_) return;
    exiting_ = true;
    Update_Tmr->stop();
    // The exit policy's 300 reads look at each file once too: a list saved
    // just before the exit would otherwise be parsed anew by every one. A save
    // by a step ends its file's snapshot, so the policy reads what it saved.
    const ProfileReadGroup oneRead;
    for (const auto& step : exitSteps_) step();
    applyPolicy(settings_.valUnload(), settings_.sceneUnload(), Source::ExitPolicy);
    engine_.UpdateOuts();
    engine_.releasePort();
    for (const auto& step : finalSteps_) step();
    endProcess_();
}

void OutputRunner::applyPolicy(std::int16_t policy, const std::string& scene, const Source& source) {
    std::optional<std::vector<std::pair<int, bool>>> states;
    if (!scene.empty() && sceneStates_) states = sceneStates_(scene);
    if (!scene.empty() && !states) {
        // The policy alone, then: a missing scene must not stop a start or an exit.
        std::fprintf(stderr, "kavtra: config.ini, [Configs], %s: нет сцены «%s» в Rules.ini\n",
                     source == Source::StartPolicy ? "SceneLoad" : "SceneUnload", scene.c_str());
        std::fflush(stderr);
    }
    engine_.applyPolicy(policy, source, states.value_or(std::vector<std::pair<int, bool>>{}));
}

void OutputRunner::addStartStep(std::function<void()> step) { startSteps_.push_back(std::move(step)); }

void OutputRunner::addStartedStep(std::function<void()> step) { startedSteps_.push_back(std::move(step)); }

void OutputRunner::addExitStep(std::function<void()> step) { exitSteps_.push_back(std::move(step)); }

void OutputRunner::addFinalStep(std::function<void()> step) { finalSteps_.push_back(std::move(step)); }

void OutputRunner::setPeriod(std::int32_t milliseconds) {
    // A period of 0 stops the timer for the rest of the run.
    if (milliseconds <= 0)
        Update_Tmr->stop();
    else
        Update_Tmr->setInterval(milliseconds);
}

void OutputRunner::Update_Tmr_Timer() {
    setPeriod(settings_.timeUpdate());
    engine_.UpdateOuts();
}

}  // namespace kavtra
