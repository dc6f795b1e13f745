#include "runner/wall_alarm.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

namespace kavtra::test {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until something quits it or `longest` has passed.
void runFor(std::chrono::milliseconds longest, QEventLoop& loop) {
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(longest);
    loop.exec();
}

TEST(SystemWallAlarm, FiresOnceTheCalendarReachesItsTimeAtOnceForAPastTimeAndNeverWhenCancelled) {
    SystemWallAlarm alarm;
    QEventLoop loop;
    const WallTime start = alarm.wallNow();
    WallTime firedAt{};
    alarm.alarmAt(start + 300ms, [&] {
        firedAt = alarm.wallNow();
        loop.quit();
    });
    runFor(5000ms, loop);
    EXPECT_GE(firedAt, start + 300ms);
    EXPECT_LT(firedAt, start + 3000ms);

    int fired = 0;
    alarm.alarmAt(start, [&] { ++fired; });
    alarm.cancelAlarm();
    runFor(300ms, loop);
    EXPECT_EQ(fired, 0);
    alarm.alarmAt(start, [&] {
        ++fired;
        loop.quit();
    });
    runFor(3000ms, loop);
    runFor(200ms, loop);
    EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace kavtra::test
