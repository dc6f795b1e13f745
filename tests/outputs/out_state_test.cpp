#include "outputs/out_state.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kavtra {
namespace {

TEST(OutState, StartsAllZeroAndRefusesIndicesOutsideTheTable) {
    OutState t;
    for (int i = 0; i <= 500; ++i) ASSERT_EQ(t[i], 0) << i;
    t[500] = 7;
    t[0] = -3;
    EXPECT_EQ(t[500], 7);
    EXPECT_EQ(t[0], -3);
    EXPECT_THROW(t[501] = 1, std::out_of_range);
    EXPECT_THROW(t[-1] = 1, std::out_of_range);
    const OutState& c = t;
    EXPECT_THROW((void)c[100000], std::out_of_range);
}

}  // namespace
}  // namespace kavtra
