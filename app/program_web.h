#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "app/program.h"

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
    explicit ProgramWeb(Program& program);
    ~ProgramWeb() override;

    // "Веб: http://127.0.0.1:8080", or why it is not running; empty when off.
    const QString& status() const { return status_; }

signals:
    // The status changed after the start: the system's TLS refused the
    // certificate at the first connection.
    void statusChanged(const QString& status);

private:
    std::unique_ptr<web::WebServer> server_;
    QString status_;
};

}  // namespace kavtra
