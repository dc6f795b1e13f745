#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kavtra::test {

// EXPECT_TRUE(contains(message, "без окна")): on failure it shows both texts.
inline ::testing::AssertionResult contains(std::string_view text, std::string_view part) {
    if (text.find(part) != std::string_view::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "«" << text << "» does not contain «" << part << "»";
}

}  // namespace kavtra::test
