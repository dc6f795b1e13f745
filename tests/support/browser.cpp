#include "tests/support/browser.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

namespace kavtra::test {

namespace {
constexpr const char* kChromium = "/usr/bin/chromium";
}

bool Browser::available() { return ::access(kChromium, X_OK) == 0; }

Browser::Browser(const std::filesystem::path& profile) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) {
        ADD_FAILURE() << "no pipe";
        return;
    }
    const std::string dataDir = "--user-data-dir=" + profile.string();
    const std::string log = (profile.parent_path() / "chromium.log").string();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 3);
        ::dup2(out[1], 4);
        // What it says of D-Bus and GPUs is noise here, kept beside the profile.
        const int said = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(said, 1);
        ::dup2(said, 2);
        // Chromium's sandbox refuses to run as root.
        const char* sandbox = ::geteuid() == 0 ? "--no-sandbox" : "--no-first-run";
        ::execl(kChromium, kChromium, "--headless", "--remote-debugging-pipe", dataDir.c_str(), "--no-first-run",
                "--disable-gpu", "--hide-scrollbars", "--disable-extensions", "--mute-audio", sandbox, "about:blank",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    toBrowser_ = in[1];
    fromBrowser_ = out[0];
}

Browser::~Browser() {
    if (pid_ <= 0) return;
    ::close(toBrowser_);
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    ::close(fromBrowser_);
}

int Browser::send(const std::string& method, const QJsonObject& params, const std::string& session) {
    QJsonObject message{{"id", next_}, {"method", QString::fromStdString(method)}, {"params", params}};
    if (!session.empty()) message["sessionId"] = QString::fromStdString(session);
    const QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\0';
    EXPECT_EQ(::write(toBrowser_, bytes.constData(), static_cast<std::size_t>(bytes.size())), bytes.size());
    return next_++;
}

QJsonObject Browser::reply(int id) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        for (std::size_t end; (end = buffer_.find('\0')) != std::string::npos;) {
            const QJsonObject message =
                QJsonDocument::fromJson(QByteArray::fromStdString(buffer_.substr(0, end))).object();
            buffer_.erase(0, end + 1);
            // Another command's answer is kept for its own reply(); events go.
            if (message.contains("id")) replies_[message["id"].toInt()] = message;
        }
        if (const auto found = replies_.find(id); found != replies_.end()) {
            const QJsonObject message = found->second;
            replies_.erase(found);
            EXPECT_FALSE(message.contains("error")) << QJsonDocument(message).toJson().toStdString();
            const QJsonObject result = message["result"].toObject();
            EXPECT_FALSE(result.contains("exceptionDetails")) << QJsonDocument(result).toJson().toStdString();
            return result;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd ready{fromBrowser_, POLLIN, 0};
        char chunk[65536];
        const ssize_t got = left.count() > 0 && ::poll(&ready, 1, static_cast<int>(left.count())) > 0
                                ? ::read(fromBrowser_, chunk, sizeof chunk)
                                : 0;
        if (got <= 0) {
            ADD_FAILURE() << "no answer from the browser to message " << id;
            return {};
        }
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string Browser::open(int width, int height, bool mobile) {
    const QString target = call("Target.createTarget", {{"url", "about:blank"}})["targetId"].toString();
    const std::string session =
        call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}})["sessionId"].toString().toStdString();
    call("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", mobile ? 2 : 1}, {"mobile", mobile}}, session);
    // Every tab works as the one in front would, timers and all.
    call("Emulation.setFocusEmulationEnabled", {{"enabled", true}}, session);
    return session;
}

int Browser::sendScript(const std::string& session, const std::string& expression) {
    return send("Runtime.evaluate",
                {{"expression", QString::fromStdString(expression)}, {"awaitPromise", true}, {"returnByValue", true}},
                session);
}

bool Browser::waitFor(const std::string& session, const std::string& expression) {
    for (int tries = 0; tries < 200; ++tries) {
        // Until the page has loaded, what the expression reads may not exist yet.
        if (evaluate(session, "(() => { try { return Boolean(" + expression + "); } catch (e) { return false; } })()")
                .toBool())
            return true;
        QThread::msleep(50);
    }
    return false;
}

void Browser::click(const std::string& session, const std::string& selector) {
    const QJsonObject box = evaluate(session, "(() => { const r = document.querySelector('" + selector +
                                                  "').getBoundingClientRect(); return {x: r.x + r.width / 2, y: r.y + "
                                                  "r.height / 2}; })()")
                                .toObject();
    for (const char* type : {"mousePressed", "mouseReleased"})
        call("Input.dispatchMouseEvent",
             {{"type", type}, {"x", box["x"]}, {"y", box["y"]}, {"button", "left"}, {"clickCount", 1}}, session);
}

}  // namespace kavtra::test
