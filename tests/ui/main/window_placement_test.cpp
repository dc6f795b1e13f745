#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include "ui/main/window_placement.h"
#include "window_fixture.h"

namespace kavtra::test {
namespace {

TEST(WindowPlacement, AWindowOffTheScreensComesOntoTheOneItOverlapsMostOrThePrimary) {
    const QRect left(0, 0, 1920, 1050);
    const QRect right(1920, 0, 1280, 1000);
    struct Case {
        QRect window;
        QRect placed;
    };
    for (const Case c : {
             Case{{100, 100, 620, 413}, {100, 100, 620, 413}},     // on a screen: left alone
             Case{{2000, 50, 620, 413}, {2000, 50, 620, 413}},     // on the other one
             Case{{1800, 50, 620, 413}, {1920, 50, 620, 413}},     // mostly on the right screen
             Case{{1500, 50, 620, 413}, {1300, 50, 620, 413}},     // mostly on the left one
             Case{{5000, 3000, 620, 413}, {1300, 637, 620, 413}},  // on none: the primary
             Case{{-2000, -900, 620, 413}, {0, 0, 620, 413}},      // from a monitor unplugged
             Case{{2500, 700, 620, 413}, {2500, 587, 620, 413}},   // its bottom off the screen
             Case{{300, 200, 4000, 2400}, {0, 0, 1920, 1050}},     // larger than any screen
         }) {
        EXPECT_EQ(ontoScreens(c.window, {left, right}, left), c.placed) << c.window.x() << "," << c.window.y();
    }
    EXPECT_EQ(ontoScreens({5000, 3000, 620, 413}, {left, right}, right), QRect(2580, 587, 620, 413));
}

TEST(WindowPlacement, TheBenchGoesBesideTheMainWindowWhollyOnTheScreen) {
    const QRect screen(0, 0, 1920, 1050);
    const QSize bench(700, 300);
    struct Case {
        QRect main;
        QPoint placed;
    };
    for (const Case c : {
             Case{{100, 100, 620, 413}, {728, 100}},   // to the right
             Case{{1200, 100, 620, 413}, {492, 100}},  // no room right: to the left
             Case{{500, 800, 620, 200}, {1128, 750}},  // right, slid up onto the screen
             Case{{300, 100, 1300, 413}, {300, 521}},  // neither beside: below
             Case{{300, 600, 1300, 413}, {300, 292}},  // nor below: above
             Case{{100, 50, 1800, 950}, {108, 58}},    // no room anywhere: over it
         }) {
        const QPoint placed = besideWindow(c.main, bench, screen);
        EXPECT_EQ(placed, c.placed) << c.main.x() << "," << c.main.y();
        EXPECT_TRUE(screen.contains(QRect(placed, bench)));
    }
    // Wider than the screen: below, from the screen's left edge.
    EXPECT_EQ(besideWindow({10, 10, 300, 200}, {944, 274}, {0, 0, 800, 600}), QPoint(0, 218));
}

class WindowGeometryTest : public WindowTest {};

TEST_F(WindowGeometryTest, TheListFillsTheWindowBetweenTheMenuBarAndTheStatusBar) {
    MyFrm& frm = start(true);
    auto check = [&](const char* when) {
        const QRect area(list().mapTo(&frm, QPoint(0, 0)), list().size());
        EXPECT_EQ(area.left(), 0) << when;
        EXPECT_EQ(area.width(), frm.width()) << when;
        EXPECT_EQ(area.top(), frm.menuBar()->geometry().bottom() + 1) << when;
        EXPECT_EQ(area.bottom() + 1, statusOf(frm).geometry().top()) << when;
    };
    check("at start");
    frm.resize(600, 300);
    check("resized");
    // The outer geometry kept in config.ini is what it was.
    tickGeometrySaver(frm);
    const std::string outer = "Height=" + std::to_string(frm.frameGeometry().height() * 15) +
                              "\r\nWidth=" + std::to_string(frm.frameGeometry().width() * 15) + "\r\n";
    EXPECT_NE(readFile("config.ini").find(outer), std::string::npos) << readFile("config.ini");
}

TEST_F(WindowGeometryTest, AWindowSavedOffTheScreenOpensOnIt) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    writeFile("config.ini", "[FormPosition]\r\nx=-60000\r\ny=90000\r\nWidth=9300\r\nHeight=60000\r\n");
    MyFrm& frm = start(true);
    EXPECT_TRUE(screen.contains(frm.frameGeometry())) << frm.frameGeometry().x() << "," << frm.frameGeometry().y();
    EXPECT_EQ(frm.frameGeometry().width(), 620);
    EXPECT_EQ(frm.frameGeometry().height(), screen.height());
}

}  // namespace
}  // namespace kavtra::test
