#include "app/program_web.h"

#include <cstdio>

#include "web/web_server.h"
#include "web/web_settings.h"

namespace kavtra {

ProgramWeb::ProgramWeb(Program& program) {
    web::WebSettings settings = web::readWebSettings(program.config);
    const auto fail = [this](const QString& why) {
        status_ = why;
        std::fprintf(stderr, "kavtra: %s\n", why.toUtf8().constData());
        std::fflush(stderr);
    };
    if (!settings.problem.empty()) fail(QString::fromStdString(settings.problem));
    if (!settings.enabled) return;
    const bool tls = settings.tls();
    const QString host = QString::fromStdString(settings.listen.host);
    server_ = std::make_unique<web::WebServer>(std::move(settings), program.core, program.engine, program.rules,
                                               program.changeLog);
    if (const QString why = server_->start(); !why.isEmpty()) {
        server_.reset();
        fail(why);
        return;
    }
    connect(server_.get(), &web::WebServer::tlsRefused, this, [this, fail](const QString& why) {
        fail(why);
        emit statusChanged(status_);
    });
    status_ = QStringLiteral("Веб: %1://%2:%3").arg(tls ? "https" : "http", host).arg(server_->port());
}

ProgramWeb::~ProgramWeb() = default;

}  // namespace kavtra
