#include "port/port_stack.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "port/hardware_port.h"
#include "port/port_messages.h"
#include "port/port_trace.h"

#ifdef __linux__
#include "port/direct_io_port.h"
#include "port/ppdev_port.h"
#endif
#ifdef _WIN32
#include "port/inpout_port.h"
#endif

namespace kavtra {
namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

// Hex, "0x" optional, as lspci and the BIOS print it; the three registers
// must fit below 0x10000.
std::optional<std::uint16_t> parseBase(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    unsigned base = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), base, 16);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (base == 0 || base + 2 > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(base);
}

}  // namespace

PortEnvironment portEnvironment() { return {variable("KAVTRA_PORT"), variable("KAVTRA_PORT_TRACE")}; }

std::variant<PortChoice, PortFailure> choosePort(const std::optional<std::string>& value) {
    using Kind = PortChoice::Kind;
    if (!value || value->empty()) {
#if defined(__linux__)
        return PortChoice{Kind::Ppdev, "/dev/parport0"};
#elif defined(_WIN32)
        return PortChoice{Kind::InpOut, {}, 0x378};
#else
        return port_messages::notOnThisSystem("");
#endif
    }
    const std::string& text = *value;
    if (text == "sim") return PortChoice{Kind::Simulated, {}};
    if (text.rfind("io:", 0) == 0) {
        const std::optional<std::uint16_t> base = parseBase(std::string_view(text).substr(3));
        if (!base) return port_messages::unknownChoice(text);
#if defined(__linux__)
        return PortChoice{Kind::DirectIo, {}, *base};
#elif defined(_WIN32)
        return PortChoice{Kind::InpOut, {}, *base};
#else
        return port_messages::notOnThisSystem(text);
#endif
    }
    if (text.rfind("/dev/", 0) == 0) {
#if defined(__linux__)
        return PortChoice{Kind::Ppdev, text};
#else
        return port_messages::notOnThisSystem(text);
#endif
    }
    return port_messages::unknownChoice(text);
}

PortStack::PortStack(std::unique_ptr<PortIo> backend, std::string name)
    : backend_(std::move(backend)), name_(std::move(name)), tap_(*backend_), lpt_(tap_) {}

std::optional<PortFailure> PortStack::open() {
    if (auto* hardware = dynamic_cast<HardwarePort*>(backend_.get())) return hardware->openNow();
    return std::nullopt;
}

std::unique_ptr<PortStack> buildPortStack(const PortEnvironment& environment, PortFailureHandler onFailure) {
    std::variant<PortChoice, PortFailure> chosen = choosePort(environment.port);
    if (const PortFailure* failure = std::get_if<PortFailure>(&chosen)) reportPortFailure(onFailure, *failure);
    const PortChoice& choice = std::get<PortChoice>(chosen);

    std::unique_ptr<PortStack> stack;
    switch (choice.kind) {
    case PortChoice::Kind::Simulated:
        stack = std::make_unique<PortStack>(
            std::make_unique<SimulatedPort>(SimulatedPort::Registers{}, variable("KAVTRA_PORT_INPUTS")), "sim");
        break;
#ifdef __linux__
    case PortChoice::Kind::Ppdev:
        stack = std::make_unique<PortStack>(std::make_unique<PpdevPort>(choice.device, onFailure), choice.device);
        break;
    case PortChoice::Kind::DirectIo: {
        auto port = std::make_unique<DirectIoPort>(choice.base, onFailure);
        std::string name = port->device();
        stack = std::make_unique<PortStack>(std::move(port), std::move(name));
        break;
    }
#endif
#ifdef _WIN32
    case PortChoice::Kind::InpOut:
        stack = std::make_unique<PortStack>(std::make_unique<InpOutPort>(choice.base, onFailure, systemLibraryLoader()),
                                            InpOutPort::libraryName());
        break;
#endif
    default: reportPortFailure(onFailure, port_messages::notOnThisSystem(environment.port.value_or("")));
    }

    if (environment.trace) {
        std::string error;
        std::shared_ptr<PortTrace> trace = PortTrace::open(*environment.trace, error);
        if (!trace) reportPortFailure(onFailure, port_messages::traceFileError(*environment.trace, error));
        stack->tap().addListener(traceListener(std::move(trace)));
    }
    return stack;
}

}  // namespace kavtra
