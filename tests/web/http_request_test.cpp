#include <gtest/gtest.h>

#include <string>

#include "web/access.h"
#include "web/http_request.h"
#include "web/json.h"
#include "web/sha256.h"

namespace kavtra::web {
namespace {

struct ParseCase {
    const char* bytes;
    int status;            // 0: read whole
    const char* fields{};  // "METHOD PATH QUERY BODY" of a request read
};

// Small limits, so that a table line reaches them.
const HttpLimits kLimits{40, 80, 3, 10};

TEST(HttpParser, ReadsRequestsInAnyPiecesAndRefusesWhatIsOverItsLimits) {
    const ParseCase cases[] = {
        {"GET /api/log?n=5 HTTP/1.1\r\nHost: h\r\n\r\n", 0, "GET /api/log n=5 "},
        {"\r\nPOST /api/set HTTP/1.1\nHost: h\nContent-Length: 4\n\n{}\r\n", 0, "POST /api/set  {}\r\n"},
        {"GET / HTTP/1.0\r\n\r\n", 0, "GET /  "},
        {"GET / HTTP/1.1\r\n\r\n", 400},
        {"GET /x HTTP/2.0\r\nHost: h\r\n\r\n", 505},
        {"GET  / HTTP/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET http://x/ HTTP/1.1\r\nHost: h\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost : h\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost: h\r\n folded\r\n\r\n", 400},
        {"GET /0123456789012345678901234567890123456 HTTP/1.1\r\n", 414},
        {"GET / HTTP/1.1\r\nHost: h\r\nA: 1\r\nB: 2\r\nC: 3\r\n\r\n", 431},
        {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 11\r\n\r\n", 413},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n", 411},
        {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked, gzip\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nHost: h\r\nHost: rebind.evil\r\n\r\n", 400},
        {"GET / HTTP/1.0\r\nHost: h\r\nhost: h\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: -1\r\n\r\n", 400},
    };
    for (const ParseCase& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{1000}}) {
            HttpParser parser(kLimits);
            const std::string bytes = c.bytes;
            for (std::size_t at = 0; at < bytes.size(); at += piece) parser.append(bytes.substr(at, piece));
            if (c.status != 0) {
                EXPECT_EQ(parser.failureStatus(), c.status) << c.bytes;
                continue;
            }
            ASSERT_EQ(parser.state(), HttpParser::State::Complete) << c.bytes;
            const HttpRequest request = parser.take();
            EXPECT_EQ(request.method + " " + request.path + " " + request.query + " " + request.body, c.fields);
        }
    }
}

TEST(HttpParser, TakesPipelinedRequestsOneAfterTheOther) {
    HttpParser parser;
    parser.append("GET /a HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\nGET /b HTTP/1.1\r\nHost: h\r\n\r\n");
    const HttpRequest first = parser.take();
    EXPECT_EQ(first.path + (first.keepAlive() ? " kept" : " closed"), "/a closed");
    ASSERT_EQ(parser.state(), HttpParser::State::Complete);
    EXPECT_EQ(parser.take().path, "/b");
}

TEST(WebAccess, HashesChecksNamesAndJsonAsSpecifiedByTheirStandards) {
    const auto hex = [](std::string_view text) {
        const auto digest = sha256(text);
        return hexText(digest.data(), digest.size());
    };
    EXPECT_EQ(hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    const std::vector<AccessToken> tokens = {{"a", AccessToken::Role::Read, tokenHash("one")},
                                             {"b", AccessToken::Role::Switch, tokenHash("two")}};
    EXPECT_EQ(matchToken(tokens, "two")->name, "b");
    EXPECT_EQ(matchToken(tokens, "three"), nullptr);
    EXPECT_EQ(newTokenSecret().size(), 64u);
    EXPECT_NE(newTokenSecret(), newTokenSecret());

    const Site loopback{*parseListen("127.0.0.1:8080"), false, {"pc", "pc.local"}};
    const Site every{*parseListen("0.0.0.0:8080"), false, {"pc", "pc.local", "kavtra.home"}};
    const Site named{*parseListen("PC.local:8080"), false, {}};
    EXPECT_TRUE(parseListen(" 8080 ") == (ListenAddress{"127.0.0.1", 8080}) && !parseListen("70000"));
    EXPECT_TRUE(named.listen == (ListenAddress{"pc.local", 8080}) && named.listen.anyAddress());
    EXPECT_FALSE(parseListen("сад:8080") || parseListen("a..b:8080") || parseListen("a b:8080"));
    // Host headers: the site's own addresses and names pass, at its port; any other name is a rebinding.
    const struct {
        const Site& site;
        const char* host;
        bool allowed;
    } hosts[] = {
        {loopback, "localhost:8080", true},
        {loopback, "PC:8080", true},
        {loopback, "evil.example:8080", false},
        {loopback, "127.0.0.1:9999", false},
        {every, "192.168.1.5:8080", true},
        {every, "pc.local:8080", true},
        {every, "Kavtra.Home:8080", true},
        {every, "evil.example:8080", false},
        {every, "pc.local.evil:8080", false},
        {every, "kavtra.home:8081", false},
        {named, "pc.local:8080", true},
        {named, "10.0.0.7:8080", true},
        {named, "pc:8080", false},
    };
    for (const auto& h : hosts) EXPECT_EQ(hostAllowed(h.host, h.site), h.allowed) << h.host;
    EXPECT_TRUE(originAllowed("http://127.0.0.1:8080", loopback));
    EXPECT_TRUE(originAllowed("http://pc.local:8080", every));
    EXPECT_FALSE(originAllowed("https://127.0.0.1:8080", loopback));
    EXPECT_FALSE(originAllowed("null", loopback));

    EXPECT_EQ(readStringObject(R"( {"5": "on", "\u0041\ud83d\ude00": "x\"y"} )").members,
              (std::vector<std::pair<std::string, std::string>>{{"5", "on"}, {"A\xF0\x9F\x98\x80", "x\"y"}}));
    for (const char* bad : {"", "[]", "{\"5\": 1}", "{\"5\": \"on\",}", "{\"5\":\"a\",\"5\":\"b\"}", "{} x",
                            "{\"\\ud800\": \"x\"}", "{\"\xFF\": \"x\"}"})
        EXPECT_FALSE(readStringObject(bad).error.empty()) << bad;
    EXPECT_EQ(jsonString("a\"\\\n"), "\"a\\\"\\\\\\u000a\"");
}

}  // namespace
}  // namespace kavtra::web
