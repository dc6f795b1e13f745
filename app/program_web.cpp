#include "app/program_web.h"

#include <cstdio>

#include "web/web_server.h"

namespace kavtra {

ProgramWeb::ProgramWeb(Program& program) : program_(program), settings_(web::readWebSettings(program.plant.config)) {
    start();
}

ProgramWeb::~ProgramWeb() = default;

void ProgramWeb::followConfig() {
    web::WebSettings settings = web::readWebSettings(program_.plant.config);
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
                                               program_.plant.rules, program_.plant.changeLog);
    if (const QString why = server_->start(); !why.isEmpty()) {
        server_.reset();
        fail(why);
        return;
    }
    connect(server_.get(), &web::WebServer::tlsRefused, this, [this](const QString& why) {
        fail(why);
        emit statusChanged(status_);
    });
    status_ = QStringLiteral("Веб: %1://%2:%3")
                  .arg(settings_.tls() ? "https" : "http", QString::fromStdString(settings_.listen.host))
                  .arg(server_->port());
}

}  // namespace kavtra
