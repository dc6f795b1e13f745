#include <cstdio>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/window_program.h"
#include "backup/backup.h"
#include "control/command_client.h"
#include "control/command_line.h"
#include "control/socket_place.h"
#include "engine/log_line.h"
#include "persist/files/settings.h"
#include "persist/log/change_log.h"
#include "persist/paths/files_dir.h"
#include "persist/paths/program_paths.h"
#include "rules/rule_book.h"
#include "rules/schedule_listing.h"
#include "web/token_file.h"

namespace {

// A token added or removed must hold in the running copy before the command
// returns: it reads Rules.ini anew, and says what it found at fault there on
// standard error, since standard output is the new token's. Without a running
// copy the next start reads it.
int rereadRules(const kavtra::SocketPlace& place) {
    std::vector<std::string> messages;
    const kavtra::ClientOutput out = {[](const std::string& line) { kavtra::printLine(stderr, line); },
                                      [&messages](const std::string& message) { messages.push_back(message); }};
    const int status = kavtra::sendCommand(place, kavtra::ReloadCommand{}, out);
    if (status == kavtra::kExitNoRunningCopy) return kavtra::kExitDone;
    for (const std::string& message : messages) kavtra::printLine(stderr, message);
    return status;
}

// The archive's files replace the folder's only while no copy runs for it:
// a running copy saves Data.dat with every switch and at its exit, and would
// write its own states and names over the imported ones.
int runBackup(const kavtra::CommandLine& line, const std::string& filesDir, const kavtra::SocketPlace& place) {
    const bool exporting = line.action == kavtra::CommandLine::Action::Export;
    if (!exporting) {
        kavtra::CommandConnection probe;
        if (probe.open(place) == kavtra::CommandConnection::Outcome::Connected) {
            kavtra::printLine(stderr,
                              "kavtra: архив не импортирован: программа для этой папки запущена; закройте "
                              "её, иначе она перезапишет Data.dat своими состояниями");
            return kavtra::kExitRefused;
        }
    }
    const kavtra::BackupOutcome outcome = exporting ? kavtra::exportBackup(filesDir, line.name, line.secrets)
                                                    : kavtra::importBackup(line.name, filesDir);
    for (const std::string& problem : outcome.problems) kavtra::printLine(stderr, "kavtra: " + problem);
    if (!outcome.problems.empty()) return kavtra::kExitRefused;
    std::string files;
    for (const std::string& file : outcome.files) files += (files.empty() ? "" : ", ") + file;
    kavtra::printLine(stderr, exporting ? "kavtra: в " + line.name + " записаны " + files +
                                              (line.secrets ? " с секретами" : " без секретов")
                                        : "kavtra: из " + line.name + " заменены " + files + " в " + filesDir);
    return kavtra::kExitDone;
}

}  // namespace

// The program as users and scripts start it: it answers --help, --version
// and bad usage, hands a command to the running copy, and hands a start over
// to the program with the window or the one without. Everything it does
// itself is plain C++ and system calls: a command is what scripts run most,
// and loading Qt's libraries alone would cost it about as much again as all
// the rest of its run.
int main(int argc, char** argv) {
    using kavtra::CommandLine;
    kavtra::useUtf8Console();
    const CommandLine line = kavtra::parseCommandLine(kavtra::programArguments(argc, argv));
    switch (line.action) {
    case CommandLine::Action::Help: std::fputs(kavtra::helpText().c_str(), stdout); return kavtra::kExitDone;
    case CommandLine::Action::Version: std::fputs(kavtra::versionText().c_str(), stdout); return kavtra::kExitDone;
    case CommandLine::Action::BadUsage: kavtra::printLine(stderr, line.message); return kavtra::kExitBadUsage;
    case CommandLine::Action::NoWindow: return kavtra::runNoWindowProgram(argc, argv);
    default: break;
    }
    const std::string executableDir = kavtra::executableDirectory();
    const kavtra::SocketPlace place = kavtra::socketPlaceFor(executableDir);
    // The log is a file: reading it needs no running copy.
    if (line.action == CommandLine::Action::Log) {
        const std::string path = kavtra::changeLogPath(kavtra::filesDirectory(executableDir));
        // Read and written again, so that lines of older versions come out in
        // today's form too.
        for (const kavtra::LogLine& logLine : kavtra::lastLogEntries(path, line.lines))
            kavtra::printLine(stdout, kavtra::logText(logLine));
        return kavtra::kExitDone;
    }
    if (line.action == CommandLine::Action::Schedule) {
        const kavtra::RulesReading reading =
            kavtra::readRulesFile(kavtra::rulesPath(kavtra::filesDirectory(executableDir)));
        for (const kavtra::RuleProblem& problem : reading.problems)
            kavtra::printLine(stderr, "kavtra: " + kavtra::problemText(problem));
        const kavtra::LocalZone& zone = kavtra::systemZone();
        const kavtra::SchedulePlan plan(reading.rules.schedules, reading.rules.place, zone);
        const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        for (const std::string& event : kavtra::upcomingLines(plan, zone, now, line.lines))
            kavtra::printLine(stdout, event);
        return kavtra::kExitDone;
    }
    if (line.action == CommandLine::Action::AddToken || line.action == CommandLine::Action::RemoveToken) {
        const std::string path = kavtra::rulesPath(kavtra::filesDirectory(executableDir));
        if (line.action == CommandLine::Action::RemoveToken) {
            const std::string why = kavtra::web::removeToken(path, line.name);
            if (!why.empty()) kavtra::printLine(stderr, "kavtra: " + why);
            return why.empty() ? rereadRules(place) : kavtra::kExitRefused;
        }
        const kavtra::web::NewToken token = kavtra::web::addToken(
            path, line.name,
            line.role == "switch" ? kavtra::AccessToken::Role::Switch : kavtra::AccessToken::Role::Read, line.scope);
        if (!token.error.empty()) {
            kavtra::printLine(stderr, "kavtra: " + token.error);
            return kavtra::kExitRefused;
        }
        kavtra::printLine(stdout, token.secret);
        kavtra::printLine(stderr, "kavtra: токен показан один раз; в Rules.ini записан только его хеш");
        return rereadRules(place);
    }
    if (line.action == CommandLine::Action::Export || line.action == CommandLine::Action::Import)
        return runBackup(line, kavtra::filesDirectory(executableDir), place);
    if (line.action == CommandLine::Action::Send)
        return kavtra::sendCommand(place, *line.command, kavtra::consoleOutput());

    // A running copy shows its window; without one, the window's program
    // starts, and makes the check for a running copy as its own start.
    std::vector<std::string> messages;
    const kavtra::ClientOutput quiet = {kavtra::consoleOutput().data,
                                        [&messages](const std::string& message) { messages.push_back(message); }};
    const int shown = kavtra::sendCommand(place, kavtra::ShowCommand{}, quiet);
    if (shown != kavtra::kExitNoRunningCopy) {
        for (const std::string& message : messages) kavtra::printLine(stderr, message);
        return shown;
    }
    return kavtra::runWindowProgram(executableDir, argv);
}
