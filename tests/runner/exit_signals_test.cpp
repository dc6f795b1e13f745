#include "runner/exit_signals.h"

#include <gtest/gtest.h>

#include <QTest>

#include <csignal>

namespace kavtra::test {
namespace {

TEST(ExitSignals, EachSignalBecomesOneRequestOnTheEventLoopAndTheProcessLivesOn) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        int requests = 0;
        ExitSignals watcher([&] { ++requests; });
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_EQ(requests, 0) << "nothing runs inside the signal handler";
        QTRY_COMPARE(requests, 1);
        QTest::qWait(20);
        EXPECT_EQ(requests, 1) << signal;
    }
}

}  // namespace
}  // namespace kavtra::test
