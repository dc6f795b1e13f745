#include "tests/support/mqtt_test_client.h"

#include <mosquitto.h>

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <stdexcept>

namespace kavtra::test {

MqttTestClient::MqttTestClient(int port, const std::string& id) {
    mosquitto_lib_init();
    mosq_ = mosquitto_new(id.c_str(), true, this);
    mosquitto_int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_message_callback_set(mosq_, &MqttTestClient::onMessage);
    mosquitto_publish_callback_set(mosq_, &MqttTestClient::onAck);
    mosquitto_subscribe_callback_set(mosq_, &MqttTestClient::onSubscribe);
    if (mosquitto_connect(mosq_, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(mosq_) != MOSQ_ERR_SUCCESS)
        throw std::runtime_error("test client cannot connect");
}

MqttTestClient::~MqttTestClient() {
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, false);
    mosquitto_destroy(mosq_);
}

void MqttTestClient::subscribe(const std::string& filter) {
    int mid = 0;
    if (mosquitto_subscribe(mosq_, &mid, filter.c_str(), 1) != MOSQ_ERR_SUCCESS)
        throw std::runtime_error("subscribe failed");
    waitForAck(mid);
}

void MqttTestClient::publish(const std::string& topic, const std::string& payload, bool retain) {
    int mid = 0;
    if (mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain) !=
        MOSQ_ERR_SUCCESS)
        throw std::runtime_error("publish failed");
    waitForAck(mid);
}

void MqttTestClient::send(const std::string& topic, const std::string& payload) {
    if (mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, false) !=
        MOSQ_ERR_SUCCESS)
        throw std::runtime_error("publish failed");
}

void MqttTestClient::waitForAck(int mid) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!acked_.wait_for(lock, std::chrono::seconds(5), [&] { return acks_.count(mid) > 0; }))
        throw std::runtime_error("no acknowledgement from the broker");
}

void MqttTestClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* client = static_cast<MqttTestClient*>(self);
    const std::lock_guard<std::mutex> lock(client->mutex_);
    client->messages_.push_back(
        {message->topic,
         std::string(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen)),
         message->retain, std::chrono::steady_clock::now()});
}

void MqttTestClient::onAck(mosquitto*, void* self, int mid) {
    auto* client = static_cast<MqttTestClient*>(self);
    const std::lock_guard<std::mutex> lock(client->mutex_);
    client->acks_.insert(mid);
    client->acked_.notify_all();
}

void MqttTestClient::onSubscribe(mosquitto* mosq, void* self, int mid, int, const int*) { onAck(mosq, self, mid); }

std::vector<MqttTestClient::Message> MqttTestClient::messages() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

std::optional<std::string> MqttTestClient::last(const std::string& topic) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = messages_.rbegin(); it != messages_.rend(); ++it)
        if (it->topic == topic) return it->payload;
    return std::nullopt;
}

std::size_t MqttTestClient::count(const std::string& prefix) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::size_t n = 0;
    for (const Message& message : messages_) n += message.topic.starts_with(prefix) ? 1 : 0;
    return n;
}

void MqttTestClient::clear() {
    const std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
}

bool eventually(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace kavtra::test
