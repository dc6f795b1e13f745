#include "mqtt/mqtt_link.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#ifdef _WIN32
#include <openssl/ssl.h>

#include "mqtt/windows_trust.h"
#endif

namespace kavtra {
namespace {

// Publications go at QoS 0: straight into the connection's queue, in order,
// so the disconnect at exit follows them; a libmosquitto QoS 1 message beyond
// the in-flight quota waits in a queue of its own that the disconnect
// overtakes. Nothing is lost that matters: after a broken connection every
// state and name is published again. Subscriptions and the last will use
// QoS 1, so commands and the will's "offline" are delivered at least once.
constexpr int kPublishQos = 0;
constexpr int kQos = 1;

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string refusal(int code) {
    switch (code) {
    case 4: return "неверное имя пользователя или пароль";
    case 5: return "нет права входа";
    default: return mosquitto_connack_string(code);
    }
}

std::string failureReason(int code, int savedErrno) {
    switch (code) {
    case MOSQ_ERR_ERRNO: return std::strerror(savedErrno);
    case MOSQ_ERR_EAI: return "адрес не найден";
    case MOSQ_ERR_TLS: return "ошибка TLS";
    case MOSQ_ERR_NO_CONN:
    case MOSQ_ERR_CONN_LOST: return "соединение потеряно";
    default: return mosquitto_strerror(code);
    }
}

}  // namespace

MqttLink::MqttLink(LinkOptions options, Events events)
    : options_(std::move(options)), events_(std::move(events)), retry_(options_.firstRetry) {
    initialiseLibrary();
    mosq_ = mosquitto_new(options_.clientId.c_str(), true, this);
    if (!mosq_) {
        setupProblem_ = std::strerror(errno);
        return;
    }
    // The program's own thread runs the loop; publishing threads then only
    // queue their packets and wake it.
    mosquitto_threaded_set(mosq_, true);
    // A state is one small packet; Nagle's algorithm would hold it back until
    // the broker acknowledges the one before (tens of milliseconds).
    mosquitto_int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(mosq_, &MqttLink::onConnect);
    mosquitto_message_callback_set(mosq_, &MqttLink::onMessage);
    if (!options_.user.empty())
        mosquitto_username_pw_set(mosq_, options_.user.c_str(),
                                  options_.password.empty() ? nullptr : options_.password.c_str());
    if (!options_.willTopic.empty())
        mosquitto_will_set(mosq_, options_.willTopic.c_str(), static_cast<int>(options_.willPayload.size()),
                           options_.willPayload.data(), kQos, true);
    if (options_.tls) setUpTls();
}

void MqttLink::setUpTls() {
    if (!options_.caFile.empty()) {
        if (mosquitto_tls_set(mosq_, options_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS)
            setupProblem_ = "TLS: не удаётся прочитать файл " + options_.caFile;
        return;
    }
#ifdef _WIN32
    std::string problem;
    ssl_ctx_st* context = windowsTrustContext(options_.host, problem);
    if (!context) {
        setupProblem_ = "TLS: " + problem;
        return;
    }
    // The context is used as it is, and the link keeps its own reference.
    mosquitto_int_option(mosq_, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
    const int rc = mosquitto_void_option(mosq_, MOSQ_OPT_SSL_CTX, context);
    SSL_CTX_free(context);
#else
    const int rc = mosquitto_tls_set(mosq_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr);
#endif
    if (rc != MOSQ_ERR_SUCCESS) setupProblem_ = "TLS: " + failureReason(rc, errno);
}

MqttLink::~MqttLink() {
    stop(std::chrono::milliseconds(1000));
    if (thread_.joinable()) thread_.join();
    if (mosq_) mosquitto_destroy(mosq_);
}

void MqttLink::start() {
    if (!setupProblem_.empty()) {
        if (events_.failed) events_.failed({false, setupProblem_});
        return;
    }
    thread_ = std::thread([this] { run(); });
}

bool MqttLink::publish(const std::string& topic, std::string_view payload, bool retain) {
    return mosq_ && mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                                      kPublishQos, retain) == MOSQ_ERR_SUCCESS;
}

bool MqttLink::subscribe(const std::string& filter) {
    return mosq_ && mosquitto_subscribe(mosq_, nullptr, filter.c_str(), kQos) == MOSQ_ERR_SUCCESS;
}

void MqttLink::stop(std::chrono::milliseconds grace) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!thread_.joinable() || finished_) return;
    if (!stopping_) {
        stopping_ = true;
        stopDeadline_ = std::chrono::steady_clock::now() + grace;
        wake_.notify_all();
        lock.unlock();
        mosquitto_disconnect(mosq_);
        lock.lock();
    }
    wake_.wait_until(lock, stopDeadline_, [this] { return finished_; });
}

void MqttLink::onConnect(mosquitto*, void* self, int code) {
    auto* link = static_cast<MqttLink*>(self);
    if (code == 0) {
        link->retry_ = link->options_.firstRetry;
        if (link->events_.connected) link->events_.connected();
        return;
    }
    // The broker closes the connection next, and the loop would report that
    // as a broken connection; the refusal is what the user needs to know.
    link->refusedThisAttempt_ = true;
    if (link->events_.failed) link->events_.failed({true, refusal(code)});
}

void MqttLink::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* link = static_cast<MqttLink*>(self);
    if (!link->events_.received) return;
    const auto size = std::min(static_cast<std::size_t>(std::max(message->payloadlen, 0)), link->options_.keptPayload);
    ReceivedMessage received{message->topic, std::string(static_cast<const char*>(message->payload), size),
                             message->retain};
    link->events_.received(std::move(received));
}

bool MqttLink::waitForRetry(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, delay, [this] { return stopping_; });
}

void MqttLink::run() {
    const auto stopped = [this] {
        const std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    };
    const auto pastDeadline = [this] {
        const std::lock_guard<std::mutex> lock(mutex_);
        return stopping_ && std::chrono::steady_clock::now() >= stopDeadline_;
    };
    int rc = mosquitto_connect_async(mosq_, options_.host.c_str(), options_.port, options_.keepAliveSeconds);
    while (true) {
        // A stop lets the loop send what is queued and the disconnect; it
        // ends when the connection is closed or the grace time is over.
        while (rc == MOSQ_ERR_SUCCESS && !pastDeadline()) rc = mosquitto_loop(mosq_, 1000, 1);
        const int savedErrno = errno;
        if (stopped()) break;
        if (!refusedThisAttempt_ && events_.failed) events_.failed({false, failureReason(rc, savedErrno)});
        refusedThisAttempt_ = false;
        if (!waitForRetry(retry_)) break;
        retry_ = std::min(retry_ * 2, options_.longestRetry);
        rc = mosquitto_reconnect_async(mosq_);
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    wake_.notify_all();
}

}  // namespace kavtra
