#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kavtra::test {

// A headless Chromium with one tab of that size, driven through the DevTools protocol on a pipe (its
// descriptors 3 and 4, a JSON message ended by NUL each way): no port for any other local process, no WebSocket.
class Browser {
public:
    Browser(const std::string& profile, int width, int height) {
        int in[2], out[2];
        EXPECT_TRUE(::pipe(in) == 0 && ::pipe(out) == 0);
        const std::string data = "--user-data-dir=" + profile;
        if ((pid_ = ::fork()) == 0) {
            ::dup2(in[0], 3), ::dup2(out[1], 4);
            // Its sandbox refuses root and needs user namespaces; the only page it opens is ours. Its
            // complaints of no D-Bus and no GPU are noise here.
            ::execl("/usr/bin/chromium", "chromium", "--headless", "--remote-debugging-pipe", data.c_str(),
                    "--no-first-run", "--disable-gpu", "--hide-scrollbars", "--no-sandbox", "--log-level=3",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int end : {in[0], out[1]}) ::close(end);
        toBrowser_ = in[1], fromBrowser_ = out[0];
        // Its first answer waits for its start, which on a busy machine (the other tests run alongside) with a
        // new profile has taken more than 10 s.
        const QJsonValue target =
            reply(send("Target.createTarget", {{"url", "about:blank"}}, false), 60000)["targetId"];
        tab_ = call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}, false)["sessionId"].toString();
        call("Emulation.setDeviceMetricsOverride",
             {{"width", width}, {"height", height}, {"deviceScaleFactor", 2}, {"mobile", width < 600}});
    }
    ~Browser() {
        ::kill(pid_, SIGTERM), ::waitpid(pid_, nullptr, 0);
        for (int end : {toBrowser_, fromBrowser_}) ::close(end);
    }

    int send(const char* method, const QJsonObject& params, bool toTab = true) {
        QJsonObject message{{"id", ++sent_}, {"method", method}, {"params", params}};
        if (toTab) message["sessionId"] = tab_;
        const QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\0';
        EXPECT_EQ(::write(toBrowser_, bytes.constData(), static_cast<std::size_t>(bytes.size())), bytes.size());
        return sent_;
    }
    // To the tab, or to the browser itself. The result of command `id` (waitMs at most for each part of the
    // answers); others' wait for their calls.
    QJsonObject reply(int id, int waitMs = 10000) {
        for (pollfd ready{fromBrowser_, POLLIN, 0}; !replies_.count(id);) {
            char chunk[65536];
            const ssize_t got = ::poll(&ready, 1, waitMs) > 0 ? ::read(fromBrowser_, chunk, sizeof chunk) : 0;
            if (got <= 0) return ADD_FAILURE() << "the browser did not answer " << id, QJsonObject{};
            buffer_.append(chunk, static_cast<std::size_t>(got));
            for (std::size_t end; (end = buffer_.find('\0')) != std::string::npos; buffer_.erase(0, end + 1))
                if (const auto message = QJsonDocument::fromJson(QByteArray::fromStdString(buffer_.substr(0, end)));
                    message["id"].isDouble())
                    replies_[message["id"].toInt()] = message.object();
        }
        EXPECT_FALSE(replies_[id].contains("error")) << QJsonDocument(replies_[id]).toJson().toStdString();
        return replies_[id]["result"].toObject();
    }
    QJsonObject call(const char* m, const QJsonObject& p, bool toTab = true) { return reply(send(m, p, toTab)); }
    // JavaScript in the tab, a promise awaited: sent now, its value (undefined on an error) read by value(id).
    int script(const std::string& js) {
        return send("Runtime.evaluate", {{"expression", js.c_str()}, {"awaitPromise", true}, {"returnByValue", true}});
    }
    QJsonValue value(int id) { return reply(id)["result"].toObject()["value"]; }
    QJsonValue evaluate(const std::string& expression) { return value(script(expression)); }
    // Whether the expression came true within 10 s; until the page is there, what it reads may not be.
    bool waitFor(const std::string& test) {
        for (int i = 0; i < 200; ++i, QThread::msleep(50))
            if (evaluate("(() => { try { return !!(" + test + "); } catch { return false; } })()").toBool())
                return true;
        return false;
    }

private:
    pid_t pid_ = -1;
    int toBrowser_ = -1, fromBrowser_ = -1, sent_ = 0;
    std::string buffer_;
    std::map<int, QJsonObject> replies_;
    QString tab_;
};

}  // namespace kavtra::test
