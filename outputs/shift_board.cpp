#include "outputs/shift_board.h"

#include <stdexcept>

namespace kavtra {
namespace {

constexpr std::uint64_t kStageMask = (std::uint64_t{1} << board::kStages) - 1;

void checkStage(int chain, int stageNo) {
    if (chain < 0 || chain >= board::kChains || stageNo < 1 || stageNo > board::kStages)
        throw std::out_of_range("no such chain or stage");
}

}  // namespace

ShiftBoard::ShiftBoard(std::uint8_t controlAtStart) : control_(controlAtStart) {}

ShiftBoard::Pins ShiftBoard::pinsOf(std::uint8_t control) {
    // Pins 1, 14 and 17 are inverted by the port; pin 16 is not.
    return Pins{(control & 0x01) == 0, (control & 0x02) == 0, (control & 0x04) != 0, (control & 0x08) == 0,
                (control & 0x20) != 0};
}

ShiftBoard::Pins ShiftBoard::pins() const { return pinsOf(control_); }

std::uint8_t ShiftBoard::dataLines() const { return pins().dataInput ? 0 : data_; }

void ShiftBoard::onAccess(const PortAccess& access) {
    if (access.kind != PortAccess::Kind::Write) return;
    if (access.address == kDataRegister) {
        data_ = access.value;
        return;
    }
    if (access.address != kControlRegister) return;

    const Pins before = pinsOf(control_);
    const Pins after = pinsOf(access.value);
    control_ = access.value;
    if (after.pin1 && !before.pin1) {
        const std::uint8_t lines = dataLines();
        for (int k = 0; k < board::kChains; ++k) shift_[k] = ((shift_[k] << 1) | ((lines >> k) & 1u)) & kStageMask;
        ++clocks_;
    }
    if (after.pin14 && !before.pin14) {
        latch_ = shift_;
        ++latches_;
    }
}

int ShiftBoard::latched(int chain, int stageNo) const {
    checkStage(chain, stageNo);
    return static_cast<int>((latch_[chain] >> (stageNo - 1)) & 1u);
}

int ShiftBoard::outputLevel(int output) const {
    if (output < 1 || output > board::kOutputs) throw std::out_of_range("no such output");
    const int chain = (output - 1) / board::kStages;
    const int position = (output - 1) % board::kStages + 1;
    return latched(chain, board::kStages + 1 - position);
}

}  // namespace kavtra
