#pragma once

#include <array>
#include <cstdint>

#include "outputs/board.h"
#include "port/port_tap.h"

namespace kavtra {

// A model of the board on the port, built from its wiring alone (board.h): a
// rising edge on pin 1 shifts every chain one stage away from the port and
// takes the data line into stage 1; a rising edge on pin 14 copies every
// chain to its latches, which drive the register outputs. It watches register
// writes only, like the hardware, and so checks the transfer independently of
// the code that sends it.
class ShiftBoard {
public:
    struct Pins {
        bool pin1;
        bool pin14;
        bool pin16;
        bool pin17;
        bool dataInput;  // control bit 5: the port does not drive the data lines
    };

    // controlAtStart: the control byte the port holds before the first write
    // seen, so that the first write's edges are judged against it.
    explicit ShiftBoard(std::uint8_t controlAtStart = 0);

    void onAccess(const PortAccess& access);
    PortListener listener() {
        return [this](const PortAccess& access) { onAccess(access); };
    }

    // Level (1 = high) of output n (1..300) at the latched register outputs.
    int outputLevel(int output) const;
    // Content of the latch of chain 0..7, stage 1..40.
    int latched(int chain, int stageNo) const;

    // All latches at once: bit j - 1 of chain k is stage j of chain k.
    const std::array<std::uint64_t, board::kChains>& latches() const { return latch_; }

    Pins pins() const;
    // Levels on data lines 0..7 as the chains see them (low while undriven).
    std::uint8_t dataLines() const;
    std::uint64_t clockPulses() const { return clocks_; }
    std::uint64_t latchPulses() const { return latches_; }

private:
    static Pins pinsOf(std::uint8_t control);

    std::uint8_t control_;
    std::uint8_t data_ = 0;
    std::array<std::uint64_t, board::kChains> shift_{};
    std::array<std::uint64_t, board::kChains> latch_{};
    std::uint64_t clocks_ = 0;
    std::uint64_t latches_ = 0;
};

}  // namespace kavtra
