#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/log_line.h"
#include "engine/output_engine.h"
#include "persist/log/change_log.h"

namespace kavtra {

// Local time as the log writes it: "2026-12-07 18:45:13.123".
std::string logTimestamp(std::chrono::system_clock::time_point time);

// A line of the log that says `text` in words (engine/log_line.h).
std::string logLine(std::string_view timestamp, std::string_view source, std::string_view text);

// The line of a schedule's event that passed, at `missedAt` (local, as the
// schedule's listing writes it), while the program could not act on it.
std::string missedLine(const Source& schedule, std::chrono::system_clock::time_point now, std::string_view missedAt);

// What a step leaves in the log: the outputs it switched ("8=on 7=off"),
// each output it renamed ("5 name=Насос", one line each), and what each
// interlock held ("3=off", source "interlock:NAME"). The names that LoadList reads at start are no
// rename, and a step that changed nothing leaves nothing.
std::vector<std::string> changeLines(const OutputChange& change, const OutputEngine& engine,
                                     std::string_view timestamp);

// Writes every step of the engine to the log while it lives.
class ChangeLogWriter {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    ChangeLogWriter(OutputEngine& engine, ChangeLog& log, Clock clock = std::chrono::system_clock::now);
    ~ChangeLogWriter();
    ChangeLogWriter(const ChangeLogWriter&) = delete;
    ChangeLogWriter& operator=(const ChangeLogWriter&) = delete;

private:
    OutputEngine& engine_;
    ChangeLog& log_;
    Clock clock_;
    OutputEngine::ListenerId listener_;
};

}  // namespace kavtra
