#include "web/web_server.h"

#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <memory>

#include "engine/change_record.h"
#include "rules/reach.h"
#include "web/json.h"
#include "web/metrics_text.h"
#include "web/peer_user.h"
#include "web/sha256.h"

namespace kavtra::web {

class WebServer::Listener : public QTcpServer {
public:
    explicit Listener(WebServer& server) : server_(server) {}

protected:
    // The socket is made here, not by QTcpServer, so that TLS can take over
    // the descriptor before a byte is read.
    void incomingConnection(qintptr descriptor) override { server_.accept(descriptor); }

private:
    WebServer& server_;
};

struct WebServer::TlsIdentity {
    QSslCertificate certificate;
    QSslKey key;
};

struct WebServer::Connection {
    QTcpSocket* socket = nullptr;  // deleted later, with its deadline
    // Armed until `due`, and moved on lazily: restarting a timer at every
    // answer costs two calls into the window system on Windows (a round trip
    // to the Wine server each under Wine), more than the rest of the answer.
    QTimer* deadline = nullptr;
    HttpParser parser;
    std::string address;
    std::chrono::steady_clock::time_point heard = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point due{};  // of the deadline
    bool requested = false;                       // has finished a request
    bool answering = false;                       // its request waits for its answer
    bool events = false;
    // An event stream's right to read: the hash of its token, or empty when
    // it needed none; and what that token reaches as the rules now read.
    std::string token{};
    OutputReach reach{};
    std::optional<bool> thisUser{};  // looked up once, when first needed
    const std::chrono::steady_clock::time_point accepted = std::chrono::steady_clock::now();
    // Whose share of the streams it takes.
    const std::string& holder() const { return token.empty() ? address : token; }
};

namespace {

QByteArray bytesOf(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// Sent now rather than when the system next says the socket may take more:
// that costs a turn of the event loop, and on Windows two more calls that
// re-arm the socket's notifications (a round trip to the Wine server each
// under Wine). A socket found broken meanwhile says so at once, and its
// connection goes: nothing of it may be used after this.
void sendNow(QTcpSocket& socket) { socket.flush(); }

const HttpResponse kBusy{503, errorJson("слишком много соединений, попробуйте позже"), {{"Retry-After", "5"}}};

TcpEnd endOf(const QHostAddress& address, quint16 port) {
    TcpEnd end;
    const Q_IPV6ADDR bytes = address.toIPv6Address();  // IPv4 as ::ffff:a.b.c.d
    std::copy(std::begin(bytes.c), std::end(bytes.c), end.address.begin());
    end.port = port;
    return end;
}

// Sends what is queued, then goes; a peer that reads nothing cannot keep it.
void closeSocket(QTcpSocket* socket) {
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
        return;
    }
    QTimer::singleShot(2000, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

std::string responseHead(int status, std::size_t length, bool close,
                         const std::vector<std::pair<std::string, std::string>>& extra) {
    const bool typed = std::any_of(extra.begin(), extra.end(), [](const auto& h) { return h.first == "Content-Type"; });
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + statusText(status) + "\r\n" +
                       (typed ? "" : "Content-Type: application/json; charset=utf-8\r\n") +
                       "Content-Length: " + std::to_string(length) +
                       "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto& [name, value] : extra) head += name + ": " + value + "\r\n";
    if (close) head += "Connection: close\r\n";
    return head + "\r\n";
}

// The CSP source of every inline element `tag` of the page: the hash of its
// text, so that the browser runs that text and nothing else, not even an
// inline script that some name shown on the page might smuggle in.
std::string inlineHashes(const QString& html, const QString& tag) {
    std::string sources;
    const QRegularExpression element("<" + tag + ">(.*?)</" + tag + ">",
                                     QRegularExpression::DotMatchesEverythingOption);
    for (const QRegularExpressionMatch& match : element.globalMatch(html)) {
        const QByteArray text = match.captured(1).toUtf8();
        const auto digest = sha256(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        const QByteArray raw(reinterpret_cast<const char*>(digest.data()), static_cast<qsizetype>(digest.size()));
        sources += " 'sha256-" + raw.toBase64().toStdString() + "'";
    }
    return sources;
}

HttpResponse pageResponse() {
    QFile file(QStringLiteral(":/kavtra/page/index.html"));
    if (!file.open(QIODevice::ReadOnly)) return {500, errorJson("страница не встроена в программу")};
    const QByteArray bytes = file.readAll();
    const QString html = QString::fromUtf8(bytes);
    const std::string policy = "default-src 'self'; script-src" + inlineHashes(html, "script") + "; style-src" +
                               inlineHashes(html, "style") +
                               "; img-src 'self' data:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
    return {200,
            bytes.toStdString(),
            {{"Content-Type", "text/html; charset=utf-8"},
             {"Content-Security-Policy", policy},
             {"X-Frame-Options", "DENY"},
             {"Referrer-Policy", "no-referrer"}}};
}

}  // namespace

WebServer::WebServer(WebSettings settings, CommandCore& core, OutputEngine& engine, InputWatch& inputs, RuleBook& rules,
                     Sequences& sequences, ChangeLog& log, const SwitchCounts& switches, MqttState mqtt,
                     ServerLimits limits)
    : settings_(std::move(settings)),
      core_(core),
      engine_(engine),
      inputs_(inputs),
      rules_(rules),
      sequences_(sequences),
      log_(log),
      switches_(switches),
      mqtt_(std::move(mqtt)),
      limits_(limits),
      api_(core, rules, sequences, log, settings_.tiles),
      page_(pageResponse()),
      listener_(std::make_unique<Listener>(*this)) {
    engineListener_ = engine_.addListener([this](const OutputChange& change) {
        if (change.states.empty() && change.names.empty()) return;
        if (anyStream())
            broadcast([&](const OutputReach& reach) { return changeEvent(change, core_, settings_.tiles, reach); });
    });
    sequencesListener_ = sequences_.addListener([this](const SequenceStatus& status, const std::string&) {
        if (anyStream())
            broadcast([&](const OutputReach& reach) {
                return reachesAll(reach, StartCommand{status.name}, rules_.rules()) ? sequenceEvent(status)
                                                                                    : std::string();
            });
    });
    // The inputs are no outputs of anyone's scope: a scoped stream hears none.
    inputsListener_ = inputs_.addListener([this](const InputEdge& edge) {
        broadcast([&](const OutputReach& reach) {
            return reach.everything() ? inputEvent(edge, rules_.rules()) : std::string();
        });
    });
    rulesListener_ = rules_.addListener([this] { followTokens(); });
    heartbeat_.setInterval(static_cast<int>(limits_.heartbeat.count()));
    connect(&heartbeat_, &QTimer::timeout, this,
            [this] { broadcast([](const OutputReach&) { return std::string(":\n\n"); }); });
}

WebServer::~WebServer() {
    engine_.removeListener(engineListener_);
    sequences_.removeListener(sequencesListener_);
    inputs_.removeListener(inputsListener_);
    rules_.removeListener(rulesListener_);
    // An abort says "disconnected" at once, which must not reach this object half destroyed.
    for (const auto& connection : connections_) {
        connection->socket->disconnect(this);
        connection->socket->abort();
    }
}

bool WebServer::anyStream() const {
    return std::any_of(connections_.begin(), connections_.end(),
                       [](const auto& connection) { return connection->events; });
}

quint16 WebServer::port() const { return listener_->serverPort(); }

qint64 WebServer::unsentBytes() const {
    qint64 unsent = 0;
    for (const auto& connection : connections_) unsent += connection->socket->bytesToWrite();
    return unsent;
}

QString WebServer::start() {
    const ListenAddress& listen = settings_.listen;
    const QString where = QString::fromStdString(listen.host) + ":" + QString::number(listen.port);
    if (!listen.loopback() && rules_.rules().tokens.empty())
        return "веб-доступ не запущен: чтобы слушать " + where +
               ", то есть не только на этом компьютере, нужен хотя бы один токен («Сеть → Телефон…» в окне или kavtra "
               "--add-token ИМЯ read|switch)";
    if (settings_.tls()) {
#if QT_CONFIG(ssl)
        if (!QSslSocket::supportsSsl()) return "веб-доступ не запущен: в этой сборке нет TLS";
        QFile certificate(QString::fromStdString(settings_.certificate));
        QFile key(QString::fromStdString(settings_.key));
        if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return "веб-доступ не запущен: не читается файл Certificate или Key из раздела [Web]";
        tls_ = std::make_unique<TlsIdentity>();
        tls_->certificate = QSslCertificate(certificate.readAll(), QSsl::Pem);
        const QByteArray keyText = key.readAll();
        tls_->key = QSslKey(keyText, QSsl::Rsa, QSsl::Pem);
        if (tls_->key.isNull()) tls_->key = QSslKey(keyText, QSsl::Ec, QSsl::Pem);
        if (tls_->certificate.isNull() || tls_->key.isNull())
            return "веб-доступ не запущен: Certificate и Key из раздела [Web] должны быть файлами PEM";
#else
        return "веб-доступ не запущен: в этой сборке нет TLS";
#endif
    }
    // Connections the system completes before the loop takes them: a burst
    // beyond Qt's 50 would wait a minute or more in the system's retries
    // instead of getting its answer, 503 included.
    listener_->setListenBacklogSize(1024);
    const QHostAddress address = listen.name() ? QHostAddress(QHostAddress::Any)
                                               : QHostAddress(QString::fromStdString(listen.host));
    if (!listener_->listen(address, static_cast<quint16>(listen.port)))
        return "веб-доступ не запущен: не удалось слушать " + where + ": " + listener_->errorString();
    // Port 0 asks the system for one; Host must then name the one given.
    const_cast<WebSettings&>(settings_).listen.port = listener_->serverPort();
    heartbeat_.start();
    return {};
}

WebServer::Connection* WebServer::find(QTcpSocket* socket) {
    for (const auto& connection : connections_)
        if (connection->socket == socket) return connection.get();
    return nullptr;
}

void WebServer::accept(qintptr descriptor) {
    QTcpSocket* socket = nullptr;
#if QT_CONFIG(ssl)
    if (settings_.tls()) {
        auto* secure = new QSslSocket(this);
        if (!secure->setSocketDescriptor(descriptor)) {
            delete secure;
            return;
        }
        secure->setLocalCertificate(tls_->certificate);
        secure->setPrivateKey(tls_->key);
        // The system's TLS may still refuse a certificate and key that read
        // well (Schannel under Wine cannot import the key for a server): no
        // client ever gets through, and each sees only its connection reset.
        // Said once, as the start's refusals are, and kept in the log.
        connect(secure, &QSslSocket::errorOccurred, this, [this, secure](QAbstractSocket::SocketError error) {
            if (error != QAbstractSocket::SslInvalidUserDataError || tlsRefusalSaid_) return;
            tlsRefusalSaid_ = true;
            const std::string why = "веб-доступ: TLS не принимает Certificate и Key из раздела [Web]: " +
                                    secure->errorString().toStdString();
            log_.append(logLine(logTimestamp(std::chrono::system_clock::now()), sourceText(Source::web({})), why));
            emit tlsRefused(QString::fromStdString(why));
        });
        secure->startServerEncryption();
        socket = secure;
    }
#endif
    if (!socket) {
        socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
    }
    const auto serving = std::count_if(connections_.begin(), connections_.end(),
                                       [](const auto& connection) { return !connection->events; });
    if (serving >= limits_.connections) {
        Connection* least = leastUseful();
        if (!least) {
            socket->write(bytesOf(responseHead(kBusy.status, kBusy.body.size(), true, kBusy.headers) + kBusy.body));
            closeSocket(socket);
            return;
        }
        send(*least, kBusy, false, true);
    }
    // Qt reads no more than this ahead of us: a client whose answers wait
    // is then held back by the system.
    socket->setReadBufferSize(64 * 1024);
    auto connection = std::make_unique<Connection>(Connection{socket, new QTimer(socket), HttpParser(limits_.http),
                                                              socket->peerAddress().toString().toStdString()});
    connection->deadline->setSingleShot(true);
    connect(connection->deadline, &QTimer::timeout, this, [this, socket] {
        Connection* late = find(socket);
        if (!late) return;
        const auto left = late->due - std::chrono::steady_clock::now();
        if (left > std::chrono::milliseconds(0))
            late->deadline->start(std::chrono::ceil<std::chrono::milliseconds>(left));
        else
            send(*late, {408, errorJson("запрос не пришёл вовремя")}, false, true);
    });
    moveDeadline(*connection);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (Connection* reading = find(socket)) {
            reading->heard = std::chrono::steady_clock::now();
            read(*reading);
        }
    });
    // The client read some answers: the requests held back may go on.
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
        if (Connection* writing = find(socket); writing && !writing->events) read(*writing);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (Connection* gone = find(socket)) close(*gone);
    });
    connections_.push_back(std::move(connection));
}

// The oldest connection that never finished a request (one that says
// nothing, or too slowly), else the one silent longest; never a stream, nor
// one whose switch waits for its latch.
WebServer::Connection* WebServer::leastUseful() const {
    Connection* least = nullptr;
    for (const auto& connection : connections_) {
        if (connection->events || connection->answering) continue;
        if (!connection->requested) return connection.get();
        if (!least || connection->heard < least->heard) least = connection.get();
    }
    return least;
}

void WebServer::read(Connection& connection) {
    QTcpSocket* socket = connection.socket;
    for (;;) {
        // Pipelined requests are answered in order: what comes after a
        // request waits for its answer.
        if (connection.answering) return;
        if (connection.parser.state() == HttpParser::State::Complete) {
            // They wait too while their answers would pile up unread;
            // bytesWritten brings us back.
            if (socket->bytesToWrite() > limits_.unsentAnswers) return;
            connection.requested = true;
            handle(connection, connection.parser.take());
            // Answered and closed, or become an event stream.
            if (!find(socket) || connection.events) return;
            continue;
        }
        if (connection.parser.state() == HttpParser::State::Failed) {
            send(connection, {connection.parser.failureStatus(), errorJson(connection.parser.failureReason())}, false,
                 true);
            return;
        }
        if (socket->bytesAvailable() <= 0) return;
        const QByteArray bytes = socket->read(16384);
        // An event stream's reader has nothing more to say.
        if (connection.events) continue;
        connection.parser.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

bool WebServer::isThisUser(Connection& connection) {
    if (!connection.thisUser) {
        const QTcpSocket& socket = *connection.socket;
        connection.thisUser = peerUsers_.isThisUser(endOf(socket.peerAddress(), socket.peerPort()),
                                                    endOf(socket.localAddress(), socket.localPort()),
                                                    connection.accepted);
    }
    return *connection.thisUser;
}

void WebServer::handle(Connection& connection, const HttpRequest& request) {
    const bool close = !request.keepAlive();
    const bool head = request.method == "HEAD";
    const auto refuse = [&](int status, std::string_view why,
                            std::vector<std::pair<std::string, std::string>> headers = {}) {
        send(connection, {status, errorJson(why), std::move(headers)}, head, close);
    };
    const std::optional<std::string_view> host = request.header("host");
    const Site site = settings_.site();
    if (host && !hostAllowed(*host, site)) return refuse(403, "запрос к чужому адресу (Host) отклонён");
    if (const auto origin = request.header("origin"); origin && !originAllowed(*origin, site))
        return refuse(403, "запрос со страницы другого сайта (Origin) отклонён");

    // The page holds no data, only the code that asks for it with a token.
    if (request.path == "/") {
        if (request.method != "GET" && !head) return send(connection, api_.onlyMethod("GET"), false, close);
        return send(connection, page_, head, close);
    }

    Caller caller{AccessToken::Role::Switch, Source::web({})};
    const std::vector<AccessToken>& tokens = rules_.rules().tokens;
    const AccessToken* token = nullptr;
    if (tokens.empty()) {
        // The tokens may have gone since the start; beyond loopback nobody is answered without one.
        if (!settings_.listen.loopback())
            return refuse(403, "нет ни одного токена: kavtra --add-token ИМЯ read|switch");
        // Loopback is every user's of this computer; the command socket
        // answers only ours, and so does this.
        if (!isThisUser(connection))
            return refuse(403,
                          "без токена веб-доступ отвечает только пользователю, от имени которого работает программа: "
                          "нужен токен (kavtra --add-token ИМЯ read|switch)");
    } else {
        const std::optional<std::string_view> secret = bearerSecret(request.header("authorization"));
        token = secret ? matchToken(tokens, *secret) : nullptr;
        if (!secret)
            return refuse(401, "нужен токен: заголовок Authorization: Bearer ТОКЕН", {{"WWW-Authenticate", "Bearer"}});
        // Only wrong tokens are held back: every local client shares
        // 127.0.0.1, and one guessing must not lock out the owner.
        if (!token) {
            const auto now = FailureLimiter::Clock::now();
            const bool blocked = failures_.blocked(connection.address, now);
            failures_.failed(connection.address, now);
            if (blocked)
                return refuse(429, "слишком много неверных токенов, попробуйте через минуту", {{"Retry-After", "60"}});
            log_.append(logLine(logTimestamp(std::chrono::system_clock::now()), sourceText(Source::web({})),
                                "неверный токен с адреса " + connection.address));
            return refuse(401, "неверный токен", {{"WWW-Authenticate", "Bearer"}});
        }
        caller = {token->role, Source::web(token->name), token->reach, token->scopeProblem};
    }
    if (WebApi::isEventStream(request)) return startEvents(connection, token);
    // Aggregates only, so any token that reads may scrape them.
    if (request.path == "/metrics") {
        if (request.method != "GET" && !head) return send(connection, api_.onlyMethod("GET"), false, close);
        return send(connection, metrics(), head, close);
    }
    connection.answering = true;
    QTcpSocket* socket = connection.socket;
    const auto late = std::make_shared<bool>(false);
    // The socket is this object's child: gone with it too.
    api_.answer(request, caller,
                [this, client = QPointer<QTcpSocket>(socket), head, close, late](const HttpResponse& response) {
                    Connection* waiting = client ? find(client) : nullptr;
                    if (!waiting) return;  // the client went meanwhile
                    waiting->answering = false;
                    send(*waiting, response, head, close);
                    // The requests that came meanwhile, once the step that answered is over.
                    if (*late)
                        QMetaObject::invokeMethod(
                            this,
                            [this, client] {
                                if (Connection* next = client ? find(client) : nullptr) read(*next);
                            },
                            Qt::QueuedConnection);
                });
    // A switch that waits for an interlock's dead time: its time runs on the
    // engine's clock, not the request's.
    if (Connection* waiting = find(socket); waiting && waiting->answering) {
        *late = true;
        waiting->deadline->stop();
    }
}

void WebServer::send(Connection& connection, const HttpResponse& response, bool head, bool close) {
    const std::string text = responseHead(response.status, response.body.size(), close, response.headers) +
                             (head ? "" : response.body);
    QTcpSocket* socket = connection.socket;
    socket->write(bytesOf(text));
    if (close) {
        this->close(connection);
        return;
    }
    moveDeadline(connection);
    sendNow(*socket);
}

HttpResponse WebServer::metrics() const {
    MetricsSnapshot snapshot = coreMetrics(engine_, switches_, rules_);
    if (mqtt_) snapshot.mqttConnected = mqtt_();
    for (const auto& connection : connections_)
        ++(connection->events ? snapshot.eventStreams : snapshot.webConnections);
    return {200, metricsText(snapshot), {{"Content-Type", kMetricsType}}};
}

void WebServer::moveDeadline(Connection& connection) {
    connection.due = std::chrono::steady_clock::now() + limits_.requestTime;
    if (!connection.deadline->isActive()) connection.deadline->start(limits_.requestTime);
}

void WebServer::startEvents(Connection& connection, const AccessToken* token) {
    if (token) {
        connection.token = token->hash;
        connection.reach = token->reach;
    }
    std::vector<Connection*> held;
    int streams = 0;
    for (const auto& other : connections_) {
        if (!other->events) continue;
        ++streams;
        if (other->holder() == connection.holder()) held.push_back(other.get());
    }
    // A holder's newest stream is the one in use (a page opened anew, a phone
    // woken from sleep whose old connection the system still keeps): its
    // oldest goes to make room.
    if (static_cast<int>(held.size()) >= limits_.streamShare)
        close(*held.front());
    else if (streams >= limits_.streams)
        return send(connection, kBusy, false, true);
    connection.events = true;
    connection.deadline->stop();
    connection.socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream; charset=utf-8\r\nCache-Control: no-store\r\n"
        "X-Content-Type-Options: nosniff\r\n\r\n:\n\n");
    sendNow(*connection.socket);
}

void WebServer::followTokens() {
    const std::vector<AccessToken>& tokens = rules_.rules().tokens;
    std::vector<Connection*> ended;
    for (const auto& connection : connections_) {
        if (!connection->events) continue;
        const auto token = std::find_if(tokens.begin(), tokens.end(),
                                        [&](const AccessToken& held) { return held.hash == connection->token; });
        const bool right = connection->token.empty() ? tokens.empty() : token != tokens.end();
        if (!right)
            ended.push_back(connection.get());
        else if (!connection->token.empty())
            connection->reach = token->reach;
    }
    for (Connection* connection : ended) close(*connection);
}

void WebServer::broadcast(const std::function<std::string(const OutputReach&)>& eventFor) {
    // Made once for every stream that reaches every output.
    std::optional<QByteArray> whole;
    std::vector<Connection*> behind;
    for (const auto& connection : connections_) {
        if (!connection->events) continue;
        if (connection->socket->bytesToWrite() > limits_.unsentBytes) {
            behind.push_back(connection.get());
            continue;
        }
        if (connection->reach.everything()) {
            if (!whole) whole = bytesOf(eventFor(connection->reach));
            connection->socket->write(*whole);
        } else if (const std::string event = eventFor(connection->reach); !event.empty()) {
            connection->socket->write(bytesOf(event));
        }
    }
    for (Connection* connection : behind) close(*connection);
    std::vector<QTcpSocket*> streams;
    for (const auto& connection : connections_)
        if (connection->events) streams.push_back(connection->socket);
    for (QTcpSocket* socket : streams)
        if (find(socket)) sendNow(*socket);
}

void WebServer::close(Connection& connection) {
    QTcpSocket* socket = connection.socket;
    socket->disconnect(this);
    connection.deadline->stop();
    std::erase_if(connections_, [socket](const auto& entry) { return entry->socket == socket; });
    closeSocket(socket);
}

}  // namespace kavtra::web
