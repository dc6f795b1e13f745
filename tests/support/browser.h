#pragma once

#include <sys/types.h>

#include <QJsonObject>
#include <QJsonValue>

#include <filesystem>
#include <map>
#include <string>

namespace kavtra::test {

// A headless Chromium driven through the DevTools protocol on a pipe (its
// descriptors 3 and 4, one JSON message ended by NUL each way): no port that
// any other local process could drive, and no WebSocket to speak.
class Browser {
public:
    explicit Browser(const std::filesystem::path& profile);
    ~Browser();
    static bool available();

    // A new tab of that size, with its own session; `mobile` as a phone shows it.
    std::string open(int width, int height, bool mobile);
    // Sends a command; reply() waits (10 s at most) for its result, skipping events.
    int send(const std::string& method, const QJsonObject& params = {}, const std::string& session = {});
    QJsonObject reply(int id);
    QJsonObject call(const std::string& method, const QJsonObject& params = {}, const std::string& session = {}) {
        return reply(send(method, params, session));
    }
    // JavaScript in the tab; a promise is awaited. Its value, or undefined on an error.
    int sendScript(const std::string& session, const std::string& expression);
    static QJsonValue value(const QJsonObject& result) { return result["result"].toObject()["value"]; }
    QJsonValue evaluate(const std::string& session, const std::string& expression) {
        return value(reply(sendScript(session, expression)));
    }
    // Whether the expression came true within 10 s.
    bool waitFor(const std::string& session, const std::string& expression);
    // A real click of the mouse on the middle of the first element `selector` finds.
    void click(const std::string& session, const std::string& selector);

private:
    pid_t pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    int next_ = 1;
    std::string buffer_;
    std::map<int, QJsonObject> replies_;
};

}  // namespace kavtra::test
