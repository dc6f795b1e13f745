#pragma once

#include <array>
#include <cstdint>

#include "outputs/board.h"

namespace kavtra {

// The output state table: entries 1 to 300 are the outputs (0 = on, any other
// value = off); entries 301 to 320 are never written and go out as on.
class OutState {
public:
    static constexpr int kFirst = 0;
    static constexpr int kLast = 500;
    static constexpr int kOutputs = board::kOutputs;

    // Throws std::out_of_range for an index outside 0..500: such an index is
    // a programming error, and must never reach memory beyond the table.
    std::int16_t& operator[](int index);
    std::int16_t operator[](int index) const;

    // Entries 0 to 500 without the index check, for the transfer, whose
    // indices are fixed at 1 to 320.
    const std::int16_t* entries() const { return entries_.data(); }

private:
    std::array<std::int16_t, kLast + 1> entries_{};
};

}  // namespace kavtra
