#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "bench/engine_rig.h"
#include "engine/change_record.h"
#include "tests/support/browser.h"
#include "tests/support/http_answer.h"
#include "web/metrics_text.h"
#include "web/web_server.h"

namespace kavtra {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWatched = 5;

// The engine rig with the web access on loopback, as in the program; the
// moment the watched output's latch changes is kept for the client's thread.
struct Rig : EngineRig {
    Rig() {
        tap.addListener([this](const PortAccess&) {
            const bool on = board.outputLevel(kWatched) == 1;
            if (on == watchedOn) return;
            watchedOn = on;
            latchedAt = Clock::now().time_since_epoch().count();
        });
        web::WebSettings settings;
        settings.enabled = true;
        settings.listen = {"127.0.0.1", 0};
        server = std::make_unique<web::WebServer>(settings, core, engine, plant.inputs, rules, plant.sequences, log,
                                                  plant.switches);
        if (!server->start().isEmpty()) std::abort();
    }
    ChangeLog log{changeLogPath(dir)};
    ChangeLogWriter writer{engine, log};
    std::unique_ptr<web::WebServer> server;
    bool watchedOn = false;
    std::atomic<Clock::rep> latchedAt{0};
};

// The rig on a thread of its own (a QThread: its timers need one), its event
// loop running as the program's window thread would; the benchmark's client
// is then a separate party.
class ServedRig {
public:
    ServedRig() : thread_(QThread::create([this] { serve(); })) {
        thread_->start();
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return rig_ != nullptr; });
    }
    ~ServedRig() {
        QMetaObject::invokeMethod(loop_, [this] { loop_->quit(); });
        thread_->wait();
    }
    Rig& rig() { return *rig_; }
    quint16 port() const { return port_; }

private:
    void serve() {
        Rig rig;
        QEventLoop loop;
        {
            const std::lock_guard lock(mutex_);
            port_ = rig.server->port();
            loop_ = &loop;
            rig_ = &rig;
        }
        ready_.notify_all();
        loop.exec();
    }
    std::mutex mutex_;
    std::condition_variable ready_;
    Rig* rig_ = nullptr;
    QEventLoop* loop_ = nullptr;
    quint16 port_ = 0;
    std::unique_ptr<QThread> thread_;
};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// POST /api/toggle/5 on a kept-alive connection, to the output latched on the
// board (one step: the core, Data.dat saved with fsync, the transfer).
void BM_ApiSwitchToLatched(benchmark::State& state) {
    ServedRig served;
    QTcpSocket client;
    client.connectToHost("127.0.0.1", served.port());
    if (!client.waitForConnected(5000)) return state.SkipWithError("not connected");
    const std::string request = "POST /api/toggle/" + std::to_string(kWatched) +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(served.port()) +
                                "\r\nContent-Length: 0\r\n\r\n";
    std::string pending;
    double answered = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        client.write(request.data(), static_cast<qint64>(request.size()));
        const auto answer = test::nextAnswer(client, pending);
        const auto end = Clock::now();
        if (!answer || !answer->starts_with("HTTP/1.1 200")) return state.SkipWithError("no answer");
        const Clock::time_point latched{Clock::duration(served.rig().latchedAt.load())};
        if (latched < start) return state.SkipWithError("not latched before the answer");
        state.SetIterationTime(seconds(latched - start));
        answered += seconds(end - start);
    }
    state.counters["answered_ms"] = benchmark::Counter(answered * 1000, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ApiSwitchToLatched)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The /metrics text of 300 outputs, half of them on and switched by three
// kinds of source, the histograms filled: the snapshot and the text.
void BM_MetricsText(benchmark::State& state) {
    EngineRig rig;
    for (int output = 1; output <= 150; ++output)
        rig.engine.set({{output, true}}, output % 3 ? Source::web("phone") : Source::Window);
    rig.engine.setAll(false, Source::scene("Вечер"));
    rig.engine.set({{1, true}}, Source::Window);
    for (int output = 2; output <= 150; ++output) rig.engine.set({{output, true}}, Source::CommandLine);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = web::metricsText(web::coreMetrics(rig.engine, rig.plant.switches, rig.rules));
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_MetricsText)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

// GET /metrics on a kept-alive connection, from sending to the whole answer.
void BM_MetricsServed(benchmark::State& state) {
    ServedRig served;
    QTcpSocket client;
    client.connectToHost("127.0.0.1", served.port());
    if (!client.waitForConnected(5000)) return state.SkipWithError("not connected");
    const std::string request = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(served.port()) +
                                "\r\n\r\n";
    std::string pending;
    for (auto _ : state) {
        client.write(request.data(), static_cast<qint64>(request.size()));
        const auto answer = test::nextAnswer(client, pending);
        if (!answer || !answer->starts_with("HTTP/1.1 200")) return state.SkipWithError("no figures");
    }
}
BENCHMARK(BM_MetricsServed)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

// GET / on a new connection: the page's bytes as the server sends them.
void BM_PageServed(benchmark::State& state) {
    ServedRig served;
    const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(served.port()) +
                                "\r\nConnection: close\r\n\r\n";
    for (auto _ : state) {
        QTcpSocket client;
        client.connectToHost("127.0.0.1", served.port());
        client.write(request.data(), static_cast<qint64>(request.size()));
        std::string pending;
        const auto answer = test::nextAnswer(client, pending);
        if (!answer || !answer->starts_with("HTTP/1.1 200")) return state.SkipWithError("no page");
        state.SetBytesProcessed(state.bytes_processed() + static_cast<std::int64_t>(answer->size()));
    }
}
BENCHMARK(BM_PageServed)->Unit(benchmark::kMillisecond);

// The page's first load in headless Chromium on a phone-sized tab: from the
// navigation's start to all 300 tiles drawn from the API's answer (the
// manual time), and to the load event.
void BM_PageFirstLoadInChromium(benchmark::State& state) {
    if (::access("/usr/bin/chromium", X_OK) != 0) return state.SkipWithError("no chromium");
    ServedRig served;
    const BenchDir profile;  // goes after the browser that uses it
    test::Browser browser(profile.path.string(), 390, 844);
    // Browser-injected, so the page's policy lets it watch; the page is as served.
    browser.call("Page.enable", {});
    browser.call("Page.setBypassCSP", {{"enabled", true}});
    browser.call("Page.addScriptToEvaluateOnNewDocument",
                 {{"source",
                   "new MutationObserver((_, o) => { if (document.querySelectorAll('.out').length === 300) "
                   "{ window.tilesAt = performance.now(); o.disconnect(); } }).observe(document, "
                   "{subtree: true, childList: true});"}});
    const QString url = "http://127.0.0.1:" + QString::number(served.port()) + "/";
    double loadEvent = 0;
    for (auto _ : state) {
        browser.call("Page.navigate", {{"url", url}});
        if (!browser.waitFor("window.tilesAt && performance.getEntriesByType('navigation')[0].loadEventEnd > 0"))
            return state.SkipWithError("the tiles never came");
        state.SetIterationTime(browser.evaluate("window.tilesAt").toDouble() / 1000);
        loadEvent += browser.evaluate("performance.getEntriesByType('navigation')[0].loadEventEnd").toDouble();
        browser.call("Page.navigate", {{"url", "about:blank"}});
    }
    state.counters["load_event_ms"] = benchmark::Counter(loadEvent, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PageFirstLoadInChromium)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace
}  // namespace kavtra
