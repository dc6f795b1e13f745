#include "outputs/out_state.h"

#include <stdexcept>
#include <string>

namespace kavtra {
namespace {

std::size_t checked(int index) {
    if (index < OutState::kFirst || index > OutState::kLast)
        throw std::out_of_range("OutState index " + std::to_string(index) + " outside 0..500");
    return static_cast<std::size_t>(index);
}

}  // namespace

std::int16_t& OutState::operator[](int index) { return entries_[checked(index)]; }

std::int16_t OutState::operator[](int index) const { return entries_[checked(index)]; }

}  // namespace kavtra
