#include "app/program_web.h"

#include <QSysInfo>

#include <cstdio>
#include <utility>

#include "web/page_sites.h"
#include "web/web_server.h"

namespace kavtra {
namespace {

web::WebSettings readSettings(const clsINI& config) {
    return web::readWebSettings(config, QSysInfo::machineHostName().toStdString());
}

}  // namespace

ProgramWeb::ProgramWeb(Program& program, std::function<std::optional<bool>()> mqtt)
    : program_(program), mqtt_(std::move(mqtt)), settings_(readSettings(program.plant.config)) {
    start();
}

ProgramWeb::~ProgramWeb() = default;

void ProgramWeb::followConfig() {
    web::WebSettings settings = readSettings(program_.plant.config);
    // The same setting again is a retry when it should serve and does not
    // (its port was taken).
    if (settings == settings_ && (server_ || !settings_.enabled)) return;
    settings_ = std::move(settings);
    server_.reset();
    status_.clear();
    start();
    emit statusChanged(status_);
}

void ProgramWeb::fail(const QString& why) {
    status_ = why;
    std::fprintf(stderr, "kavtra: %s\n", why.toUtf8().constData());
    std::fflush(stderr);
}

void ProgramWeb::start() {
    if (!settings_.problem.empty()) fail(QString::fromStdString(settings_.problem));
    if (!settings_.enabled) return;
    server_ = std::make_unique<web::WebServer>(settings_, program_.plant.core, program_.plant.engine,
                                               program_.plant.inputs, program_.plant.rules, program_.plant.sequences,
                                               program_.plant.changeLog, program_.plant.switches, mqtt_);
    if (const QString why = server_->start(); !why.isEmpty()) {
        server_.reset();
        fail(why);
        return;
    }
    connect(server_.get(), &web::WebServer::tlsRefused, this, [this](const QString& why) {
        fail(why);
        emit statusChanged(status_);
    });
    status_ = QStringLiteral("Веб: ") + sites().value(0);
}

QStringList ProgramWeb::sites() const { return server_ ? web::pageSites(settings_, server_->port()) : QStringList(); }

QStringList ProgramWeb::phoneSites() const { return web::reachableFromNetwork(settings_) ? sites() : QStringList(); }

QString ProgramWeb::phoneProblem() const {
    if (!phoneSites().isEmpty()) return {};
    const QString openIt = QStringLiteral("откройте его в сети в «Сеть → Веб-доступ…», например 0.0.0.0:8080");
    if (server_)
        return QStringLiteral("веб-доступ открыт только на этом компьютере (%1); ").arg(sites().value(0)) + openIt;
    if (settings_.enabled && program_.plant.rules.rules().tokens.empty())
        return QStringLiteral("веб-доступ в сети запустится, когда будет первый токен: создайте его здесь");
    return status_.isEmpty() ? QStringLiteral("веб-доступ выключен; ") + openIt : status_;
}

}  // namespace kavtra
