#include "port/port_trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "outputs/transfer.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

TEST(TraceLine, FormatsAddressInDecimalAndByteAsTwoLowerCaseHexDigits) {
    EXPECT_EQ(formatTraceLine({PortAccess::Kind::Write, 888, 0x01}), "W 888 0x01");
    EXPECT_EQ(formatTraceLine({PortAccess::Kind::Read, 890, 0x0b}), "R 890 0x0b");
    EXPECT_EQ(formatTraceLine({PortAccess::Kind::Write, 890, 0xFE}), "W 890 0xfe");
}

// The trace of one start-up initialisation, as a user would read it when
// checking the wiring, and appended to what the file already held.
TEST(TraceFile, RecordsEveryAccessOfInitOutsEvenWhenTheProcessEndsAtOnce) {
    test::ScratchDir dir;
    const auto file = dir.path / "port.trace";
    test::writeBytes(file, "earlier run\n");

    // The child process ends without destructors or flushing of any kind.
    EXPECT_EXIT(
        {
            std::string error;
            std::shared_ptr<PortTrace> trace = PortTrace::open(file.string(), error);
            if (!trace) std::_Exit(2);
            SimulatedPort sim;
            PortTap tap(sim);
            tap.addListener(traceListener(trace));
            LPT lpt(tap);
            Init_Outs(lpt);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");

    EXPECT_EQ(test::readBytes(file),
              "earlier run\n"
              "R 890 0x00\nW 890 0x00\n"
              "W 888 0x00\n"
              "R 890 0x00\nW 890 0x02\n"
              "R 890 0x02\nW 890 0x03\n"
              "R 890 0x03\nW 890 0x0b\n"
              "R 890 0x0b\nW 890 0x0a\n"
              "R 890 0x0a\nW 890 0x0b\n"
              "R 890 0x0b\nW 890 0x03\n");
}

TEST(TraceFile, ReportsWhyItCannotBeOpened) {
    std::string error;
    EXPECT_EQ(PortTrace::open("/nonexistent-dir/trace", error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kavtra
