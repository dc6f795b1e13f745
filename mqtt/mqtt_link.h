#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

struct mosquitto;
struct mosquitto_message;

namespace kavtra {

struct LinkOptions {
    std::string host;
    int port = 1883;
    std::string user;
    std::string password;
    bool tls = false;
    std::string caFile;  // empty: the system's certificates (Windows: its store of root authorities)
    std::string clientId;
    std::string willTopic;
    std::string willPayload;
    int keepAliveSeconds = 30;
    // Longer payloads are cut to this many bytes before they are handed on.
    std::size_t keptPayload = 65536;
    std::chrono::milliseconds firstRetry{500};
    std::chrono::milliseconds longestRetry{30000};
};

struct ReceivedMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

// Why a connection failed. refused: the broker answered and turned the login
// down; otherwise it could not be reached or the connection broke.
struct LinkFailure {
    bool refused = false;
    std::string reason;
};

// One connection to a broker, kept up by a network thread of its own: it
// connects, reconnects with a doubling delay after every failure, and sends
// and receives. publish() and subscribe() only queue and may be called from
// any thread. The events are called on the network thread.
class MqttLink {
public:
    struct Events {
        std::function<void()> connected;
        std::function<void(const LinkFailure&)> failed;  // each failed attempt and each lost connection
        std::function<void(ReceivedMessage)> received;
    };

    MqttLink(LinkOptions options, Events events);
    ~MqttLink();
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    void start();
    bool publish(const std::string& topic, std::string_view payload, bool retain);
    bool subscribe(const std::string& filter);
    // Sends everything queued so far and disconnects cleanly (the broker then
    // does not send the last will); returns when that is done or after `grace`.
    void stop(std::chrono::milliseconds grace);

private:
    static void onConnect(mosquitto*, void* self, int code);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    void setUpTls();
    void run();
    bool waitForRetry(std::chrono::milliseconds delay);

    LinkOptions options_;
    Events events_;
    mosquitto* mosq_ = nullptr;
    std::string setupProblem_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool finished_ = false;
    std::chrono::steady_clock::time_point stopDeadline_;
    // Network thread only.
    bool refusedThisAttempt_ = false;
    std::chrono::milliseconds retry_;
};

}  // namespace kavtra
