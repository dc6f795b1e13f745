#pragma once

#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "commands/command_core.h"
#include "engine/input_watch.h"
#include "engine/output_engine.h"
#include "engine/switch_counts.h"
#include "persist/log/change_log.h"
#include "rules/rule_book.h"
#include "web/access.h"
#include "web/peer_user.h"
#include "web/web_api.h"
#include "web/web_settings.h"

class QTcpSocket;

namespace kavtra::web {

// How long and how much a client may take; a test makes them short.
struct ServerLimits {
    HttpLimits http{};
    // Connections that serve requests. A new one beyond takes the place of
    // the least useful (which is answered 503), or is answered 503 itself.
    int connections = 64;
    // Event streams, apart from those: all together, and each holder's (a
    // token's, or without tokens a client address's) share, so that one page
    // opened many times cannot take every stream.
    int streams = 64;
    int streamShare = 8;
    // From a connection's start, or the end of its last answer, to the end
    // of its next request: a client that never finishes one is closed.
    std::chrono::milliseconds requestTime{10000};
    // An event stream's keep-alive comment, which also finds dead peers.
    std::chrono::milliseconds heartbeat{20000};
    // An event stream whose reader falls this far behind is closed.
    qint64 unsentBytes = 1 << 20;
    // Beyond this much of its answers waiting to be sent, a connection's
    // next request is not read until the client has read them.
    qint64 unsentAnswers = 64 * 1024;
};

// The web access on the event loop: a small HTTP/1.1 server of its own on
// QTcpServer, so that every bound (body, time, connections) is ours to set.
// Requests are read by HttpParser, checked (Host and Origin, the token, the
// limiter of wrong tokens), answered by WebApi; the event streams hear every
// step of the engine and every edge of a watched input. /metrics gives the
// program's figures to whoever may read.
class WebServer : public QObject {
    Q_OBJECT
public:
    // Whether the MQTT link is up now; none when MQTT is not configured.
    using MqttState = std::function<std::optional<bool>()>;
    WebServer(WebSettings settings, CommandCore& core, OutputEngine& engine, InputWatch& inputs, RuleBook& rules,
              Sequences& sequences, ChangeLog& log, const SwitchCounts& switches, MqttState mqtt = {},
              ServerLimits limits = {});
    ~WebServer() override;

    // Listens, or says why not (in Russian): the address taken, TLS files
    // that cannot be read, no token while listening beyond loopback.
    QString start();
    quint16 port() const;
    int connections() const { return static_cast<int>(connections_.size()); }
    // What waits in the program to be sent, all connections together.
    qint64 unsentBytes() const;

signals:
    // The system's TLS refused our certificate and key at a connection
    // (once a run); the text is in Russian and already in the log.
    void tlsRefused(const QString& why);

private:
    struct Connection;
    class Listener;

    void accept(qintptr descriptor);
    void read(Connection& connection);
    void handle(Connection& connection, const HttpRequest& request);
    void send(Connection& connection, const HttpResponse& response, bool head, bool close);
    HttpResponse metrics() const;
    // The next request is due within the request time from now.
    void moveDeadline(Connection& connection);
    // `token`: the token that gave the right to read, null when none was needed.
    void startEvents(Connection& connection, const AccessToken* token);
    // At each reading of the rules: a stream whose token is gone ends, and
    // the rest keep to what their tokens now reach.
    void followTokens();
    void close(Connection& connection);
    // To each stream its event, made for what its token reaches; an empty
    // one is not sent.
    void broadcast(const std::function<std::string(const OutputReach&)>& eventFor);
    // Whether any event stream listens: an event is made only for one.
    bool anyStream() const;
    Connection* find(QTcpSocket* socket);
    Connection* leastUseful() const;
    bool isThisUser(Connection& connection);

    const WebSettings settings_;
    CommandCore& core_;
    OutputEngine& engine_;
    InputWatch& inputs_;
    RuleBook& rules_;
    Sequences& sequences_;
    ChangeLog& log_;
    const SwitchCounts& switches_;
    const MqttState mqtt_;
    const ServerLimits limits_;
    WebApi api_;
    const HttpResponse page_;
    FailureLimiter failures_;
    PeerUsers peerUsers_;
    std::unique_ptr<Listener> listener_;
    std::vector<std::unique_ptr<Connection>> connections_;
    QTimer heartbeat_;
    // Made only when TLS is asked for: Qt loads the system's TLS for them,
    // which under Wine holds the event loop for seconds.
    struct TlsIdentity;
    std::unique_ptr<TlsIdentity> tls_;
    bool tlsRefusalSaid_ = false;
    OutputEngine::ListenerId engineListener_;
    Sequences::ListenerId sequencesListener_;
    InputWatch::ListenerId inputsListener_;
    RuleBook::ListenerId rulesListener_;
};

}  // namespace kavtra::web
