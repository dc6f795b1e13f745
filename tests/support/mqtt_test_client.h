#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace kavtra::test {

// A broker client for tests on libmosquitto's own thread: it records every
// message it receives, and its subscribe and publish return once the broker
// has acknowledged them.
class MqttTestClient {
public:
    struct Message {
        std::string topic;
        std::string payload;
        bool retained;
        std::chrono::steady_clock::time_point at;  // when it arrived
    };

    MqttTestClient(int port, const std::string& id);
    ~MqttTestClient();
    MqttTestClient(const MqttTestClient&) = delete;
    MqttTestClient& operator=(const MqttTestClient&) = delete;

    void subscribe(const std::string& filter);
    void publish(const std::string& topic, const std::string& payload, bool retain = false);
    // Without waiting for the broker's acknowledgement.
    void send(const std::string& topic, const std::string& payload);

    std::vector<Message> messages() const;
    // The last payload received on `topic`.
    std::optional<std::string> last(const std::string& topic) const;
    // How many messages arrived on topics that start with `prefix`.
    std::size_t count(const std::string& prefix) const;
    void clear();

private:
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onAck(mosquitto*, void* self, int mid);
    static void onSubscribe(mosquitto*, void* self, int mid, int, const int*);
    void waitForAck(int mid);

    mosquitto* mosq_;
    mutable std::mutex mutex_;
    std::condition_variable acked_;
    std::set<int> acks_;
    std::vector<Message> messages_;
};

// Runs the Qt event loop until `done` holds or `timeoutMs` passes; the
// program's side of MQTT hands its work to the main thread through it.
bool eventually(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace kavtra::test
