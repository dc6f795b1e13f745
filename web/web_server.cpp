#include "web/web_server.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>

#include "engine/change_record.h"
#include "web/json.h"
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
    QTimer* deadline = nullptr;
    HttpParser parser;
    std::string address;
    bool events = false;
};

namespace {

QByteArray bytesOf(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

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

WebServer::WebServer(WebSettings settings, CommandCore& core, OutputEngine& engine, RuleBook& rules, ChangeLog& log,
                     ServerLimits limits)
    : settings_(std::move(settings)),
      core_(core),
      engine_(engine),
      rules_(rules),
      log_(log),
      limits_(limits),
      api_(core, engine, rules, log.path()),
      page_(pageResponse()),
      listener_(std::make_unique<Listener>(*this)) {
    engineListener_ = engine_.addListener([this](const OutputChange& change) {
        if (change.states.empty() && change.names.empty()) return;
        const bool anyStream = std::any_of(connections_.begin(), connections_.end(),
                                           [](const auto& connection) { return connection->events; });
        if (anyStream) broadcast(changeEvent(change, engine_, core_.safety()));
    });
    heartbeat_.setInterval(static_cast<int>(limits_.heartbeat.count()));
    connect(&heartbeat_, &QTimer::timeout, this, [this] { broadcast(":\n\n"); });
}

WebServer::~WebServer() {
    engine_.removeListener(engineListener_);
    for (const auto& connection : connections_) connection->socket->abort();
}

quint16 WebServer::port() const { return listener_->serverPort(); }

QString WebServer::start() {
    const ListenAddress& listen = settings_.listen;
    const QString where = QString::fromStdString(listen.host) + ":" + QString::number(listen.port);
    if (!listen.loopback() && rules_.rules().tokens.empty())
        return "веб-доступ не запущен: чтобы слушать " + where +
               ", то есть не только на этом компьютере, нужен хотя бы один токен (kavtra --add-token ИМЯ read|switch)";
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
    if (!listener_->listen(QHostAddress(QString::fromStdString(listen.host)), static_cast<quint16>(listen.port)))
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
            log_.append(logLine(logTimestamp(std::chrono::system_clock::now()), "web", why));
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
    if (static_cast<int>(connections_.size()) >= limits_.connections) {
        const std::string body = errorJson("слишком много соединений, попробуйте позже");
        socket->write(bytesOf(responseHead(503, body.size(), true, {{"Retry-After", "5"}}) + body));
        closeSocket(socket);
        return;
    }
    auto connection = std::make_unique<Connection>(Connection{socket, new QTimer(socket), HttpParser(limits_.http),
                                                              socket->peerAddress().toString().toStdString()});
    connection->deadline->setSingleShot(true);
    connection->deadline->start(static_cast<int>(limits_.requestTime.count()));
    connect(connection->deadline, &QTimer::timeout, this, [this, socket] {
        if (Connection* late = find(socket)) send(*late, {408, errorJson("запрос не пришёл вовремя")}, false, true);
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (Connection* reading = find(socket)) read(*reading);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (Connection* gone = find(socket)) close(*gone);
    });
    connections_.push_back(std::move(connection));
}

void WebServer::read(Connection& connection) {
    QTcpSocket* socket = connection.socket;
    while (socket->bytesAvailable() > 0) {
        const QByteArray bytes = socket->read(16384);
        // An event stream's reader has nothing more to say.
        if (connection.events) continue;
        connection.parser.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        while (connection.parser.state() == HttpParser::State::Complete) {
            handle(connection, connection.parser.take());
            // Answered and closed, or become an event stream.
            if (!find(socket) || connection.events) return;
        }
        if (connection.parser.state() == HttpParser::State::Failed) {
            send(connection, {connection.parser.failureStatus(), errorJson(connection.parser.failureReason())}, false,
                 true);
            return;
        }
    }
}

void WebServer::handle(Connection& connection, const HttpRequest& request) {
    const bool close = !request.keepAlive();
    const bool head = request.method == "HEAD";
    const auto refuse = [&](int status, std::string_view why,
                            std::vector<std::pair<std::string, std::string>> headers = {}) {
        send(connection, {status, errorJson(why), std::move(headers)}, head, close);
    };
    const std::optional<std::string_view> host = request.header("host");
    if (host && !hostAllowed(*host, settings_.listen, settings_.tls()))
        return refuse(403, "запрос к чужому адресу (Host) отклонён");
    if (const auto origin = request.header("origin");
        origin && !originAllowed(*origin, settings_.listen, settings_.tls()))
        return refuse(403, "запрос со страницы другого сайта (Origin) отклонён");

    // The page holds no data, only the code that asks for it with a token.
    if (request.path == "/") {
        if (request.method != "GET" && !head) return send(connection, api_.onlyMethod("GET"), false, close);
        return send(connection, page_, head, close);
    }

    Caller caller{AccessToken::Role::Switch, Source::web({})};
    const std::vector<AccessToken>& tokens = rules_.rules().tokens;
    if (tokens.empty()) {
        // The tokens may have gone since the start; beyond loopback nobody is answered without one.
        if (!settings_.listen.loopback())
            return refuse(403, "нет ни одного токена: kavtra --add-token ИМЯ read|switch");
    } else {
        const auto now = FailureLimiter::Clock::now();
        if (failures_.blocked(connection.address, now))
            return refuse(429, "слишком много неверных токенов, попробуйте через минуту", {{"Retry-After", "60"}});
        const std::optional<std::string_view> secret = bearerSecret(request.header("authorization"));
        const AccessToken* token = secret ? matchToken(tokens, *secret) : nullptr;
        if (!token) {
            if (secret) {
                failures_.failed(connection.address, now);
                log_.append(logLine(logTimestamp(std::chrono::system_clock::now()), "web",
                                    "неверный токен с адреса " + connection.address));
            }
            return refuse(401, secret ? "неверный токен" : "нужен токен: заголовок Authorization: Bearer ТОКЕН",
                          {{"WWW-Authenticate", "Bearer"}});
        }
        caller = {token->role, Source::web(token->name)};
    }
    if (WebApi::isEventStream(request)) return startEvents(connection);
    send(connection, api_.answer(request, caller), head, close);
}

void WebServer::send(Connection& connection, const HttpResponse& response, bool head, bool close) {
    const std::string text = responseHead(response.status, response.body.size(), close, response.headers) +
                             (head ? "" : response.body);
    connection.socket->write(bytesOf(text));
    if (close) {
        this->close(connection);
        return;
    }
    connection.deadline->start(static_cast<int>(limits_.requestTime.count()));
}

void WebServer::startEvents(Connection& connection) {
    connection.events = true;
    connection.deadline->stop();
    connection.socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream; charset=utf-8\r\nCache-Control: no-store\r\n"
        "X-Content-Type-Options: nosniff\r\n\r\n:\n\n");
}

void WebServer::broadcast(const std::string& event) {
    const QByteArray bytes = bytesOf(event);
    std::vector<Connection*> behind;
    for (const auto& connection : connections_) {
        if (!connection->events) continue;
        if (connection->socket->bytesToWrite() > limits_.unsentBytes)
            behind.push_back(connection.get());
        else
            connection->socket->write(bytes);
    }
    for (Connection* connection : behind) close(*connection);
}

void WebServer::close(Connection& connection) {
    QTcpSocket* socket = connection.socket;
    socket->disconnect(this);
    connection.deadline->stop();
    std::erase_if(connections_, [socket](const auto& entry) { return entry->socket == socket; });
    closeSocket(socket);
}

}  // namespace kavtra::web
