#pragma once

#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/change_record.h"
#include "tests/support/core_on_board.h"
#include "web/web_server.h"

namespace kavtra::test {

// The server on 127.0.0.1 (a port the system picks) over the command core
// on the modelled board, with short limits; the client is a plain socket, so
// that a test may send anything, or send it slowly.
struct ServerOnBoard : CoreOnBoard {
    static web::ServerLimits shortLimits() {
        web::ServerLimits limits;
        limits.http.body = 100;
        limits.requestTime = std::chrono::milliseconds(300);
        return limits;
    }
    explicit ServerOnBoard(web::ServerLimits limits = shortLimits(), std::string certificate = {},
                           std::string key = {}) {
        settings.enabled = true;
        settings.listen = {"127.0.0.1", 0};
        settings.names = {"kavtra-pc", "kavtra-pc.local"};  // the computer's, as the program reads them
        settings.certificate = std::move(certificate);
        settings.key = std::move(key);
        server = std::make_unique<web::WebServer>(settings, core, engine, plant.inputs, rules, plant.sequences, log,
                                                  plant.switches, web::WebServer::MqttState{}, limits);
        EXPECT_EQ(server->start().toStdString(), "");
    }
    std::string address(const std::string& host = "127.0.0.1") const {
        return host + ":" + std::to_string(server->port());
    }

    std::unique_ptr<QTcpSocket> connectClient() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost("127.0.0.1", server->port());
        return socket;
    }
    // What the server sent until it closed the connection (or 3 s passed).
    std::string exchange(const std::string& request) {
        const auto socket = connectClient();
        socket->write(request.data(), static_cast<qint64>(request.size()));
        return readUntilClosed(*socket);
    }
    static std::string readUntilClosed(QTcpSocket& socket) {
        std::string got;
        (void)QTest::qWaitFor(
            [&] {
                got += socket.readAll().toStdString();
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            3000);
        return got + socket.readAll().toStdString();
    }
    // method, path, extra header lines, body: one request that closes.
    std::string call(const std::string& method, const std::string& path, const std::string& headers = {},
                     const std::string& body = {}) {
        return exchange(method + " " + path + " HTTP/1.1\r\nHost: " + address() + "\r\nConnection: close\r\n" +
                        headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    static std::string bearer(const std::string& secret) { return "Authorization: Bearer " + secret + "\r\n"; }
    static std::string statusAndBody(const std::string& response) {
        return response.substr(9, 3) + " " + response.substr(response.find("\r\n\r\n") + 4);
    }

    ChangeLog& log = plant.changeLog;
    web::WebSettings settings;
    std::unique_ptr<web::WebServer> server;
};

}  // namespace kavtra::test
