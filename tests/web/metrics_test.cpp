#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/contains.h"
#include "tests/support/web_on_board.h"
#include "web/access.h"

namespace kavtra::web {
namespace {

using test::ServerOnBoard;

constexpr double kInf = std::numeric_limits<double>::infinity();

// A scrape's samples by "name{labels}"; a failure for each fault of its form:
// a sample outside the family declared last, a family in two places,
// buckets that do not grow or whose +Inf is not the count, "# EOF" not last.
std::map<std::string, double> readOpenMetrics(const std::string& text) {
    static const std::map<std::string, std::set<std::string>> kSuffixes{
        {"counter", {"_total", "_created"}}, {"gauge", {""}}, {"histogram", {"_bucket", "_count", "_sum", "_created"}}};
    std::map<std::string, double> samples;
    const auto fail = [](const std::string& why, const std::string& line) { ADD_FAILURE() << why << ": " << line; };
    if (!text.ends_with("\n# EOF\n")) fail("not ended by # EOF", text);
    std::map<std::string, std::string> types;
    std::set<std::string> ended;
    std::string family;
    double lastBound = 0, lastBucket = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line) && line != "# EOF";) {
        if (line.starts_with("# ")) {
            std::istringstream words(line.substr(2));
            std::string kind, name, rest;
            words >> kind >> name >> std::ws;
            std::getline(words, rest);
            if ((kind != "TYPE" && kind != "HELP" && kind != "UNIT") || rest.empty()) fail("bad metadata", line);
            if (name != family) {
                ended.insert(family);
                if (ended.contains(name)) fail("a family in two places", line);
                family = name;
                lastBound = -kInf, lastBucket = 0;
            }
            if (kind == "TYPE") types[name] = rest;
            if (kind == "UNIT" && !name.ends_with("_" + rest)) fail("a unit not ending the name", line);
            continue;
        }
        const std::size_t space = line.rfind(' ');
        const std::string key = line.substr(0, space);
        const std::string name = key.substr(0, key.find('{'));
        const std::string suffix = name.starts_with(family) ? name.substr(family.size()) : "?";
        const auto allowed = kSuffixes.find(types[family]);
        if (space == std::string::npos || allowed == kSuffixes.end() || !allowed->second.contains(suffix))
            fail("a sample of no family declared", line);
        const double value = std::stod(line.substr(space + 1));
        if (!samples.emplace(key, value).second) fail("a sample twice", line);
        if (suffix == "_bucket") {
            const std::string le = key.substr(key.find("le=\"") + 4, key.rfind('"') - key.find("le=\"") - 4);
            const double bound = le == "+Inf" ? kInf : std::stod(le);
            if (bound <= lastBound || value < lastBucket) fail("buckets not cumulative", line);
            lastBound = bound, lastBucket = value;
        }
        if (suffix == "_count" && types[family] == "histogram" && (lastBound != kInf || lastBucket != value))
            fail("+Inf is not the count", line);
    }
    return samples;
}

TEST(WebServer, ScrapesTheFiguresInOpenMetricsAsAReadAndTheyFollowAStep) {
    ServerOnBoard board;
    board.run(AllCommand{false});
    const auto scrape = [&](const std::string& headers = {}) {
        const std::string answer = board.call("GET", "/metrics", headers);
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 200") &&
                    test::contains(answer,
                                   "\r\nContent-Type: application/openmetrics-text; version=1.0.0; "
                                   "charset=utf-8\r\n"))
            << answer;
        return readOpenMetrics(answer.substr(answer.find("\r\n\r\n") + 4));
    };
    // Loopback without tokens answers this user, as every read does.
    auto before = scrape();
    board.call("POST", "/api/set", {}, R"({"5": "on", "7": "on"})");
    auto after = scrape();
    const std::string web = "kavtra_switches_total{source=\"web\"}";
    EXPECT_EQ(after[web] - before[web], 2);
    for (const char* count :
         {"kavtra_steps_total", "kavtra_step_save_seconds_count", "kavtra_step_transfer_seconds_count"})
        EXPECT_EQ(after[count] - before[count], 1) << count;
    EXPECT_GT(after["kavtra_step_transfer_seconds_sum"], before["kavtra_step_transfer_seconds_sum"]);
    for (const char* zero :
         {"kavtra_switches_total{source=\"window\"}", "kavtra_save_failures_total", "kavtra_rule_problems"})
        EXPECT_EQ(after.at(zero), 0) << zero;
    EXPECT_EQ(after["kavtra_outputs_on"], 2);
    EXPECT_EQ(after["kavtra_web_connections"], 1);  // the scrape's own
    EXPECT_FALSE(after.contains("kavtra_mqtt_connected")) << "no MQTT, no figure";

    const std::string secret = "secret-of-reader";
    board.useRules("[Token reader]\nRole=read\nHash=" + tokenHash(secret) + "\n[Group Двор]\nOutputs=301\n");
    EXPECT_EQ(board.call("GET", "/metrics").substr(9, 3), "401");
    EXPECT_EQ(board.call("POST", "/metrics", ServerOnBoard::bearer(secret)).substr(9, 3), "405");
    EXPECT_EQ(scrape(ServerOnBoard::bearer(secret))["kavtra_rule_problems"], 1);
}

}  // namespace
}  // namespace kavtra::web
