#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "port/port_io.h"

namespace kavtra {

struct PortAccess {
    enum class Kind { Read, Write };
    Kind kind;
    std::int16_t address;
    std::uint8_t value;  // the byte written, or the byte the read returned
};

using PortListener = std::function<void(const PortAccess&)>;

// Passes every access through to another backend and tells each listener of
// it afterwards. Works over any backend, so the trace file, the shift-register
// model and tests see real hardware the same way they see the simulated port.
class PortTap final : public PortIo {
public:
    explicit PortTap(PortIo& inner) : inner_(inner) {}

    void addListener(PortListener listener) { listeners_.push_back(std::move(listener)); }

    std::int16_t Inp32(std::int16_t address) override;
    void Out32(std::int16_t address, std::int16_t value) override;
    std::string statusFault() const override { return inner_.statusFault(); }
    std::uint64_t refusedAccesses() const override { return inner_.refusedAccesses(); }

private:
    void notify(const PortAccess& access);

    PortIo& inner_;
    std::vector<PortListener> listeners_;
};

}  // namespace kavtra
