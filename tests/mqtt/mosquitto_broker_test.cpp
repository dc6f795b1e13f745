#include "tests/support/mosquitto_broker.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/host_programs.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// Root's broker would become the user mosquitto, who cannot enter a folder
// that only its owner may (a private clone, Wine's prefix inside its build).
TEST(MosquittoBrokerTest, StartsInAFolderThatOnlyItsOwnerMayEnter) {
    ScratchDir scratch;
    const std::filesystem::path broker = scratch.path / "private" / "broker";
    std::filesystem::create_directories(broker);
    std::filesystem::permissions(scratch.path / "private", std::filesystem::perms::owner_all);
    const MosquittoBroker started(broker);
    EXPECT_TRUE(listensOnLoopback(started.securePort()));
}

}  // namespace
}  // namespace kavtra::test
