#include "mqtt/mqtt_bridge.h"

#include <cstdio>
#include <utility>

#include "commands/request_batch.h"
#include "outputs/out_state.h"

namespace kavtra {
namespace {

void logLine(const std::string& line) {
    std::fprintf(stderr, "kavtra: %s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace

MqttBridge::MqttBridge(MqttSettings settings, OutputAccess& outputs, SessionTiming timing)
    : outputs_(outputs), session_(new MqttSession(std::move(settings), timing)), countersTimer_(this) {
    qRegisterMetaType<kavtra::Command>("kavtra::Command");
    thread_.setObjectName(QStringLiteral("mqtt"));
    session_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, session_, &QObject::deleteLater);
    connect(session_, &MqttSession::commandReceived, this, &MqttBridge::apply);
    connect(session_, &MqttSession::statusChanged, this, &MqttBridge::statusChanged);
    connect(session_, &MqttSession::logLine, this, [](const QString& line) { logLine(line.toStdString()); });
    thread_.start();
    countersTimer_.setInterval(timing.countersPeriod);
    connect(&countersTimer_, &QTimer::timeout, this, [this] {
        std::vector<int> on;
        for (int output = 1; output <= OutState::kOutputs; ++output)
            if (outputs_.isOn(output)) on.push_back(output);
        countersChanged(on);
    });
}

MqttBridge::~MqttBridge() {
    shutdown(std::chrono::milliseconds(1000));
    thread_.quit();
    thread_.wait();
}

void MqttBridge::start() {
    std::vector<int> all(OutState::kOutputs);
    for (int output = 1; output <= OutState::kOutputs; ++output) all[output - 1] = output;
    outputsChanged(all, all, all);
    countersChanged(all);
    countersTimer_.start();
    QMetaObject::invokeMethod(
        session_, [session = session_] { session->start(); }, Qt::QueuedConnection);
}

void MqttBridge::outputsChanged(const std::vector<int>& states, const std::vector<int>& names,
                                const std::vector<int>& deadlines) {
    OutputsUpdate update;
    update.states.reserve(states.size());
    for (const int output : states) update.states.emplace_back(output, outputs_.isOn(output));
    update.names.reserve(names.size());
    for (const int output : names) update.names.emplace_back(output, outputs_.name(output));
    // A step's save sets or ends the deadlines of the outputs it set.
    for (const std::vector<int>* outputs : {&states, &deadlines})
        for (const int output : *outputs) update.deadlines.emplace_back(output, outputs_.deadline(output));
    QMetaObject::invokeMethod(
        session_, [session = session_, update = std::move(update)] { session->update(update); }, Qt::QueuedConnection);
}

namespace {

NamedSwitch sequenceSwitch(const SequenceStatus& status) {
    return {status.name, status.state != SequenceStatus::State::Stopped};
}

}  // namespace

void MqttBridge::rulesChanged(const Rules& rules, const std::vector<SequenceStatus>& sequences) {
    interlocks_ = rules.interlocks;
    RulesUpdate update{rules.groups, {}, {}, {}, {}};
    for (const Scene& scene : rules.scenes) update.scenes.push_back(scene.name);
    for (const SequenceStatus& sequence : sequences) update.sequences.push_back(sequenceSwitch(sequence));
    for (const Rule& rule : rules.automationRules) update.rules.push_back({rule.name, rule.enabled});
    for (const InputSetting& input : rules.inputs)
        update.inputs[static_cast<std::size_t>(input.number - 1)] = input.name;
    QMetaObject::invokeMethod(
        session_, [session = session_, update = std::move(update)] { session->rulesChanged(update); },
        Qt::QueuedConnection);
}

void MqttBridge::sequenceChanged(const SequenceStatus& sequence) {
    QMetaObject::invokeMethod(
        session_, [session = session_, entry = sequenceSwitch(sequence)] { session->sequenceChanged(entry); },
        Qt::QueuedConnection);
}

void MqttBridge::countersChanged(const std::vector<int>& outputs) {
    OutputsUpdate update;
    for (const int output : outputs) {
        const std::optional<StatsView> stats = outputs_.stats(output);
        if (!stats) continue;
        const std::optional<double> kwh = stats->kilowattHours();
        update.counters.push_back({output, std::to_string(stats->tally.switches),
                                   std::to_string(StatsView::seconds(stats->tally.total)),
                                   kwh ? decimalText(*kwh) : std::string()});
    }
    if (update.counters.empty()) return;
    QMetaObject::invokeMethod(
        session_, [session = session_, update = std::move(update)] { session->update(update); }, Qt::QueuedConnection);
}

void MqttBridge::inputChanged(int input, bool on) {
    QMetaObject::invokeMethod(
        session_, [session = session_, input, on] { session->inputChanged(input, on); }, Qt::QueuedConnection);
}

void MqttBridge::shutdown(std::chrono::milliseconds grace) {
    if (stopped_) return;
    stopped_ = true;
    QMetaObject::invokeMethod(
        session_, [session = session_, grace] { session->stop(grace); }, Qt::BlockingQueuedConnection);
}

void MqttBridge::apply(const Command& command) {
    // A command that finds no step just made is carried out at once. Those
    // that arrive while a step is saved and transferred wait in the event
    // queue, and the flush queued behind them when the step ends takes them
    // all into as few steps as keep their meaning: Home Assistant's scene,
    // one command per entity, is then a few transfers, not a wave.
    if (collecting_) {
        waiting_.push_back(command);
        return;
    }
    carryOut(command);
    scheduleFlush();
}

void MqttBridge::scheduleFlush() {
    collecting_ = true;
    QMetaObject::invokeMethod(
        this, [this] { flush(); }, Qt::QueuedConnection);
}

void MqttBridge::flush() {
    if (waiting_.empty()) {
        collecting_ = false;
        return;
    }
    const std::vector<Command> commands = std::exchange(waiting_, {});
    for (const Command& step : mergeIntoSteps(commands, interlocks_)) carryOut(step);
    scheduleFlush();
}

void MqttBridge::carryOut(const Command& command) {
    // MQTT has no one to answer: what did not go as asked is said in the log.
    outputs_.apply(command, [](const Reply& reply) {
        if (!reply.done()) logLine("MQTT: команда не выполнена как надо: " + reply.reason);
    });
}

}  // namespace kavtra
