#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "app/program.h"
#include "web/web_settings.h"

namespace kavtra {

namespace web {
class WebServer;
}

// The web access, as the [Web] section of config.ini asks for it: nothing
// while Listen is empty. A setting that cannot serve, or a start that
// fails, is said on standard error and kept in status() for the window.
class ProgramWeb : public QObject {
    Q_OBJECT
public:
    // `mqtt`: whether the MQTT link is up now, for /metrics; none when MQTT
    // is not configured.
    explicit ProgramWeb(Program& program, std::function<std::optional<bool>()> mqtt = {});
    ~ProgramWeb() override;

    // "Веб: http://127.0.0.1:8080" (the first of sites()), or why it is not
    // running; empty when off.
    const QString& status() const { return status_; }
    // Where the running server's page opens (web::pageSites), none when it
    // does not run.
    QStringList sites() const;
    // The same where a phone can open them: none while it serves loopback only.
    QStringList phoneSites() const;
    // Why there are none ("веб-доступ открыт только на этом компьютере…"),
    // or nothing when there are.
    QString phoneProblem() const;
    // Reads [Web] again: a changed setting ends the server (its connections
    // with it) and starts the one now asked for; one that failed to start
    // is tried again.
    void followConfig();

signals:
    // The status changed after the start: the settings changed, or the
    // system's TLS refused the certificate at the first connection.
    void statusChanged(const QString& status);

private:
    void start();
    void fail(const QString& why);

    Program& program_;
    std::function<std::optional<bool>()> mqtt_;
    web::WebSettings settings_;  // as last read
    std::unique_ptr<web::WebServer> server_;
    QString status_;
};

}  // namespace kavtra
