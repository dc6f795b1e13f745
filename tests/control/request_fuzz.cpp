// libFuzzer target: arbitrary bytes on the command socket, split into lines
// as the running copy splits them, each parsed as a request.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "commands/request_text.h"
#include "control/command_line.h"
#include "control/protocol.h"
#include "persist/ini/codepage.h"

namespace {

using namespace kavtra;

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

bool printable(std::string_view text) {
    if (!isWellFormedUtf8(text)) return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

void checkRequest(std::string_view line) {
    const Parsed<Command> parsed = parseRequest(line);
    if (!parsed) {
        // The reason goes back as one line of text that any terminal shows as it is.
        check(!parsed.error.empty() && printable(parsed.error), "a refusal's reason is one printable line");
        return;
    }
    const std::string again = formatRequest(*parsed.value);
    // A pulse's time is written in milliseconds: "9m" becomes "540000".
    const std::size_t growth = std::holds_alternative<PulseCommand>(*parsed.value) ? 4 : 0;
    check(again.size() <= line.size() + growth, "a request formats back no longer than it came");
    check(again.find('\n') == std::string::npos, "a formatted request is one line");
    const Parsed<Command> reparsed = parseRequest(again);
    check(reparsed && *reparsed.value == *parsed.value, "a formatted request parses back to the same command");
    // Its words as kavtra's arguments: one grammar, whichever way they come.
    const Parsed<RequestWords> request = requestWords(line);
    if (request.value->verb->help.empty()) return;
    std::vector<std::string> arguments = {"kavtra", "--" + std::string(request.value->verb->name)};
    arguments.insert(arguments.end(), request.value->words.begin(), request.value->words.end());
    check(parseCommandLine(arguments).command == parsed.value, "the command line reads its words as the same request");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkRequest(bytes);
    // The same bytes as a stream in chunks of a size taken from the first byte,
    // with a small bound so that long lines are reached too.
    const std::size_t chunk = size == 0 ? 1 : 1 + data[0] % 64;
    LineReader reader(256);
    for (std::size_t at = 0; at < size; at += chunk) {
        reader.append(bytes.substr(at, chunk));
        while (const std::optional<std::string> line = reader.next()) {
            check(line->size() <= 256, "no line beyond the bound");
            checkRequest(*line);
        }
    }
    return 0;
}
