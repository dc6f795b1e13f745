#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace kavtra {

// Durations counted into fixed buckets, as a scraper's histogram wants them:
// adding one is a search of a dozen bounds, so a step pays no more.
class Durations {
public:
    // Upper bounds in seconds, from a transfer's tenth of a millisecond to a
    // save held up by a slow disk.
    static constexpr std::array<double, 12> kBounds{0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005,
                                                    0.01,   0.025,   0.05,   0.1,   0.25,   1.0};

    void add(std::chrono::steady_clock::duration took);
    // How many took at most each bound, and last how many in all.
    std::array<std::uint64_t, kBounds.size() + 1> cumulative() const;
    double seconds() const { return std::chrono::duration<double>(total_).count(); }
    std::uint64_t count() const;

private:
    std::array<std::uint64_t, kBounds.size() + 1> buckets_{};  // not cumulative; last: beyond every bound
    std::chrono::steady_clock::duration total_{};
};

// What the engine counts of its own work since it was built.
struct EngineFigures {
    std::uint64_t steps = 0;         // changes told to the listeners
    std::uint64_t saveFailures = 0;  // saves of Data.dat that failed, a step's or not
    std::uint64_t portErrors = 0;    // transfers with an access the port's driver refused
    Durations saves;                 // a step's save of Data.dat
    Durations transfers;             // a step's transfer
};

}  // namespace kavtra
