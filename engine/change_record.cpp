#include "engine/change_record.h"

#include <cstdio>
#include <ctime>
#include <utility>

namespace kavtra {
namespace {

std::tm localTime(std::time_t seconds) {
    std::tm local{};
#ifdef _WIN32
    ::localtime_s(&local, &seconds);
#else
    ::localtime_r(&seconds, &local);
#endif
    return local;
}

}  // namespace

std::string logLine(std::string_view timestamp, std::string_view source, std::string_view text) {
    return logText({std::string(timestamp), std::string(source), Remark{std::string(text)}});
}

std::string missedLine(const Source& schedule, std::chrono::system_clock::time_point now, std::string_view missedAt) {
    return logText({logTimestamp(now), sourceText(schedule), Missed{std::string(missedAt)}});
}

std::string logTimestamp(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto milliseconds = duration_cast<std::chrono::milliseconds>(time - seconds).count();
    const std::tm local = localTime(system_clock::to_time_t(seconds));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(milliseconds));
    return text;
}

std::vector<std::string> changeLines(const OutputChange& change, const OutputEngine& engine,
                                     std::string_view timestamp) {
    std::vector<std::string> lines;
    const std::string time(timestamp);
    const std::string source = sourceText(change.source);
    if (!change.switched.empty()) {
        std::vector<int> on, off;
        for (const Switched& s : change.switched) (s.on ? on : off).push_back(s.output);
        lines.push_back(logText({time, source, Switches{runsOf(on), runsOf(off)}}));
    }
    // LoadList tells every name it read at start as a change of names, under
    // the start policy; a rename sets no state.
    if (change.states.empty() && change.source.kind != Source::Kind::Policy) {
        for (const int output : change.names)
            lines.push_back(logText({time, source, Rename{output, engine.name(output)}}));
    }
    for (const InterlockHold& hold : change.held) {
        if (!hold.outputs.empty())
            lines.push_back(
                logText({time, sourceText(Source::interlock(hold.interlock)), Switches{{}, runsOf(hold.outputs)}}));
    }
    return lines;
}

ChangeLogWriter::ChangeLogWriter(OutputEngine& engine, ChangeLog& log, Clock clock)
    : engine_(engine), log_(log), clock_(std::move(clock)) {
    listener_ = engine_.addListener([this](const OutputChange& change) {
        const std::vector<std::string> lines = changeLines(change, engine_, logTimestamp(clock_()));
        for (const std::string& text : lines) log_.append(text);
    });
}

ChangeLogWriter::~ChangeLogWriter() { engine_.removeListener(listener_); }

}  // namespace kavtra
