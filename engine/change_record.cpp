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

void addEntry(std::string& entries, int output, bool on) {
    if (!entries.empty()) entries += ' ';
    entries += std::to_string(output) + (on ? "=on" : "=off");
}

}  // namespace

std::string logLine(std::string_view timestamp, std::string_view source, std::string_view entries) {
    std::string text(timestamp);
    text.append("\t").append(source).append("\t").append(entries);
    return text;
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
    const std::string source = sourceText(change.source);
    if (!change.switched.empty()) {
        std::string entries;
        for (const Switched& s : change.switched) addEntry(entries, s.output, s.on);
        lines.push_back(logLine(timestamp, source, entries));
    }
    // LoadList tells every name it read at start as a change of names, under
    // the start policy; a rename sets no state.
    if (change.states.empty() && change.source.kind != Source::Kind::Policy) {
        for (const int output : change.names)
            lines.push_back(logLine(timestamp, source, std::to_string(output) + " name=" + engine.name(output)));
    }
    for (const InterlockHold& hold : change.held) {
        std::string entries;
        for (const int output : hold.outputs) addEntry(entries, output, false);
        if (!entries.empty())
            lines.push_back(logLine(timestamp, sourceText(Source::interlock(hold.interlock)), entries));
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
