// Checks a run of the test driver on the real kernel driver under QEMU, on
// the host: QEMU's trace of the emulated port replayed through ShiftBoard
// must latch exactly the known tables, the register writes after the
// drivers' own start-up writes must be exactly the expected sequence, and
// the guest's console must show each failure message and the system-call
// count of one transfer.
//
//   qemu_trace_check TRACE CONSOLE

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "outputs/shift_board.h"
#include "outputs/transfer.h"
#include "port/lpt.h"
#include "port/port_tap.h"
#include "port/simulated_port.h"
#include "tests/qemu/scenario.h"
#include "tests/support/file_bytes.h"

namespace {

using namespace kavtra;

struct Write {
    int offset;  // from the base: 0 data, 1 status, 2 control
    std::uint8_t value;
    bool operator==(const Write&) const = default;
};

int failures = 0;
int passes = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    (ok ? passes : failures)++;
}

// Lines such as "parallel_ioport_write write [SW] addr 0x02 val 0x0c".
std::vector<Write> parseTrace(const std::string& text) {
    static const std::regex line(R"(parallel_ioport_write .*addr 0x([0-9a-f]+) val 0x([0-9a-f]+))");
    std::vector<Write> writes;
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it)
        writes.push_back({std::stoi((*it)[1].str(), nullptr, 16),
                          static_cast<std::uint8_t>(std::stoi((*it)[2].str(), nullptr, 16))});
    return writes;
}

// What LPT writes over a run of the scenario, register by register.
std::vector<Write> programWrites(const std::vector<OutState>& tables, std::uint8_t control) {
    SimulatedPort port({0, 0, control});
    PortTap tap(port);
    std::vector<Write> writes;
    tap.addListener([&writes](const PortAccess& a) {
        if (a.kind == PortAccess::Kind::Write) writes.push_back({a.address - kDataRegister, a.value});
    });
    LPT lpt(tap);
    qemu::runPhase(lpt, tables);
    return writes;
}

// The parport_pc driver keeps its own control byte. PPWCONTROL replaces its
// pin bits (0 to 3) and PPDATADIR its direction bit, each with one write of
// the whole byte; bit 4 (interrupt enable) is the driver's.
std::vector<Write> throughPpdev(const std::vector<Write>& program, std::uint8_t programControl,
                                std::uint8_t driverControl) {
    std::vector<Write> writes;
    for (const Write& w : program) {
        if (w.offset != 2) {
            writes.push_back(w);
            continue;
        }
        if ((w.value ^ programControl) & 0x20) {
            driverControl = static_cast<std::uint8_t>((driverControl & ~0x20) | (w.value & 0x20));
            writes.push_back({2, driverControl});
        }
        driverControl = static_cast<std::uint8_t>((driverControl & 0xF0) | (w.value & 0x0F));
        writes.push_back({2, driverControl});
        programControl = w.value;
    }
    return writes;
}

void append(std::vector<Write>& to, const std::vector<Write>& more) { to.insert(to.end(), more.begin(), more.end()); }

std::string describe(const std::vector<Write>& writes, std::size_t from, std::size_t count) {
    std::string text;
    for (std::size_t i = from; i < writes.size() && i < from + count; ++i) {
        char item[24];
        std::snprintf(item, sizeof item, " %d:0x%02x", writes[i].offset, writes[i].value);
        text += item;
    }
    return text;
}

void checkSequence(const std::vector<Write>& trace, const std::vector<Write>& expected) {
    const bool longEnough = trace.size() >= expected.size();
    const std::size_t start = longEnough ? trace.size() - expected.size() : 0;
    std::size_t mismatch = expected.size();
    for (std::size_t i = 0; longEnough && i < expected.size(); ++i) {
        if (!(trace[start + i] == expected[i])) {
            mismatch = i;
            break;
        }
    }
    check(longEnough && mismatch == expected.size(),
          "the last " + std::to_string(expected.size()) + " of " + std::to_string(trace.size()) +
              " register writes are exactly the expected ones" +
              (mismatch < expected.size()
                   ? "; first difference at " + std::to_string(mismatch) + ": expected" +
                         describe(expected, mismatch, 6) + ", traced" + describe(trace, start + mismatch, 6)
                   : ""));
}

// Replays every write, the drivers' probing included, and compares the
// latched outputs at each latch pulse of the program's part, writes
// [programStart, programEnd), with its table.
void checkLatches(const std::vector<Write>& trace, std::size_t programStart, std::size_t programEnd,
                  const std::vector<OutState>& tables) {
    // The emulated port starts with pins 16 and 17 low, like a PC's.
    ShiftBoard board(0x0C);
    std::size_t latches = 0;
    std::uint64_t clocksAtStart = 0;
    for (std::size_t i = 0; i < programEnd; ++i) {
        if (i == programStart) clocksAtStart = board.clockPulses();
        const std::uint64_t before = board.latchPulses();
        board.onAccess(
            {PortAccess::Kind::Write, static_cast<std::int16_t>(kDataRegister + trace[i].offset), trace[i].value});
        if (i < programStart || board.latchPulses() == before) continue;
        if (latches < tables.size()) {
            int wrong = 0;
            for (int n = 1; n <= board::kOutputs; ++n)
                if (board.outputLevel(n) != (tables[latches][n] == 0 ? 1 : 0)) ++wrong;
            check(wrong == 0, "latch " + std::to_string(latches + 1) + ": all " + std::to_string(board::kOutputs) +
                                  " outputs as in table " + std::to_string(latches + 1) + " (" + std::to_string(wrong) +
                                  " differ)");
        }
        ++latches;
    }
    check(latches == tables.size(), "latch pulses after the drivers loaded: " + std::to_string(latches) +
                                        ", expected " + std::to_string(tables.size()));
    const std::uint64_t clocks = board.clockPulses() - clocksAtStart;
    // Init_Outs pulses the clock once per phase; a transfer 40 times.
    check(clocks == 2 + 40 * tables.size(), "clock pulses: " + std::to_string(clocks));
}

void checkConsole(const std::string& console) {
    const auto has = [&console](const std::string& text) { return console.find(text) != std::string::npos; };
    const auto failureOf = [&console](const std::string& exit) {
        // The failure text printed just before "KAVTRA exit <name> 3".
        const std::size_t at = console.find("KAVTRA exit " + exit + " ");
        if (at == std::string::npos) return std::string();
        const std::size_t begin = console.rfind("KAVTRA failure ", at);
        return begin == std::string::npos ? std::string() : console.substr(begin, at - begin);
    };

    check(has("KAVTRA modules loaded"), "the stock kernel loaded parport, parport_pc and ppdev");
    check(has("KAVTRA ppdev phase done") && has("KAVTRA exit ppdev 0"), "the ppdev phase ran to its end");
    check(has("KAVTRA io phase done") && has("KAVTRA exit io 0"), "the direct-I/O phase ran to its end");

    static const std::regex count(
        R"(KAVTRA syscalls of one transfer: (\d+), of which ioctl: (\d+) \(markers seen: 2\))");
    std::smatch m;
    const bool counted = std::regex_search(console, m, count);
    const long total = counted ? std::stol(m[1]) : -1;
    const long ioctls = counted ? std::stol(m[2]) : -1;
    check(counted && total <= static_cast<long>(kTransferWrites) && ioctls == total,
          "system calls of one ppdev transfer: " + std::to_string(total) + ", ioctl: " + std::to_string(ioctls) +
              " (at most " + std::to_string(kTransferWrites) + ")");

    check(has("cannot grant exclusive access for device ppdev0") && has("KAVTRA opened /dev/parport0") &&
              has("KAVTRA exit shared 0"),
          "with the printer driver loaded, the exclusive claim is refused and the port is shared");

    struct Expected {
        const char* exit;
        const char* device;
        std::vector<const char*> phrases;
    };
    const std::vector<Expected> expected{
        {"missing", "/dev/parport1", {"такого устройства нет (No such file or directory)", "sudo modprobe ppdev"}},
        {"denied", "/dev/parport0", {"нет прав доступа", "GROUP=\"lp\"", "sudo usermod -aG lp "}},
        {"notroot", "io:0x378", {"только root", "KAVTRA_PORT=/dev/parport0"}},
        {"busy", "/dev/parport0", {"занят", "sudo modprobe -r lp"}},
        {"lockdown", "io:0x378", {"даже root", "lockdown"}},
    };
    for (const Expected& e : expected) {
        const std::string text = failureOf(e.exit);
        bool ok = has(std::string("KAVTRA exit ") + e.exit + " 3") &&
                  text.starts_with(std::string("KAVTRA failure ") + e.device + "\n");
        for (const char* phrase : e.phrases) ok = ok && text.find(phrase) != std::string::npos;
        check(ok, std::string("the ") + e.exit + " message names " + e.device + " and its fix");
    }
    check(has("KAVTRA all done"), "the guest finished");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qemu_trace_check TRACE CONSOLE\n");
        return 2;
    }
    const std::vector<Write> trace = parseTrace(test::readBytes(argv[1]));
    // The serial console ends its lines with CR LF.
    std::string console = test::readBytes(argv[2]);
    std::erase(console, '\r');
    checkConsole(console);

    // PPCLAIM restores the driver's state for a new device, 0x0C with the
    // interrupt enable bit as the port has an interrupt, and ppdev then
    // enables the interrupt: two writes of 0x1C. PPRCONTROL then reports 0x0C.
    const std::vector<Write> claim{{2, 0x1C}, {2, 0x1C}};
    const std::vector<Write> ppdevProgram = programWrites(qemu::ppdevTables(), 0x0C);
    // Direct I/O starts from the control byte the chip reads back; Init_Outs'
    // first write keeps only its bits 0 to 4.
    const std::uint8_t lastControl = 0x37;
    const std::vector<Write> directProgram = programWrites(qemu::directIoTables(), lastControl);

    std::vector<Write> expected = claim;
    append(expected, throughPpdev(ppdevProgram, 0x0C, 0x1C));
    check(expected.back() == (Write{2, lastControl}), "the ppdev phase leaves the lines as inputs (control 0x37)");
    append(expected, directProgram);
    // Then only claims: the program sharing the port with the printer driver,
    // and the holder of the busy check. The first raises pins 1 and 14 from
    // the lines-as-input state the program left: a clock and a latch pulse.
    append(expected, claim);
    append(expected, claim);
    checkSequence(trace, expected);

    std::vector<OutState> tables = qemu::ppdevTables();
    for (const OutState& t : qemu::directIoTables()) tables.push_back(t);
    const std::size_t claims = 2 * claim.size();
    const std::size_t programStart = trace.size() >= expected.size() ? trace.size() - expected.size() : 0;
    checkLatches(trace, programStart, trace.size() >= claims ? trace.size() - claims : 0, tables);

    std::printf("qemu_parport: %d passed, %d failed\n", passes, failures);
    return failures == 0 && passes > 0 ? 0 : 1;
}
