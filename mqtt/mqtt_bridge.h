#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <chrono>
#include <vector>

#include "automation/sequences.h"
#include "mqtt/mqtt_session.h"
#include "mqtt/output_access.h"
#include "rules/rules.h"

namespace kavtra {

// The user-interface thread's side of MQTT: it runs the session on a thread
// of its own, tells it every change of the outputs, and applies the commands
// it receives. Nothing here waits for the network.
class MqttBridge : public QObject {
    Q_OBJECT
public:
    MqttBridge(MqttSettings settings, OutputAccess& outputs, SessionTiming timing = {});
    ~MqttBridge() override;

    // Sends the session every output's state and name, then connects.
    void start();
    // The outputs a step set (states) and renamed (names).
    // The outputs a step set (states) and renamed (names); `deadlines` those
    // whose limit's deadline may have changed without a step (a reload).
    void outputsChanged(const std::vector<int>& states, const std::vector<int>& names,
                        const std::vector<int>& deadlines = {});
    // The rules as they are now, and where the sequences stand: groups,
    // scenes, the undo button and the switches of the sequences and rules
    // are announced from the first call on, and the interlocks decide which
    // commands may share a step.
    void rulesChanged(const Rules& rules, const std::vector<SequenceStatus>& sequences);
    void sequenceChanged(const SequenceStatus& sequence);
    // The outputs whose counters changed; those that are on are sent again
    // at every countersPeriod by themselves.
    void countersChanged(const std::vector<int>& outputs);
    // A named input's state as wired: when first watched, and at each edge.
    void inputChanged(int input, bool on);
    // At exit: "offline" and a clean disconnect, waiting at most `grace`.
    void shutdown(std::chrono::milliseconds grace);

signals:
    // A short Russian text for the window, such as "MQTT: подключено к host:1883".
    void statusChanged(const QString& text, bool connected);

private:
    void apply(const Command& command);
    void flush();
    void scheduleFlush();
    void carryOut(const Command& command);

    OutputAccess& outputs_;
    std::vector<Interlock> interlocks_;
    // Commands that came in while a step was being made, and whether a flush
    // is queued to take them.
    std::vector<Command> waiting_;
    bool collecting_ = false;
    QThread thread_;
    MqttSession* session_;
    QTimer countersTimer_;
    bool stopped_ = false;
};

}  // namespace kavtra
