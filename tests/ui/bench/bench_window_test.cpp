#include "ui/bench/bench_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <QThread>

#include "outputs/transfer.h"
#include "port/lpt.h"
#include "port/simulated_port.h"
#include "tests/support/file_bytes.h"
#include "tests/support/out_tables.h"
#include "tests/support/port_log.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

using Board = test::BoardOnPort;

bool litAt(const QImage& image, const QRect& lamp) {
    const QColor c = image.pixelColor(lamp.center());
    return c.red() > 200 && c.green() > 150 && c.blue() < 150;
}

TEST(BenchWindow, LightsTheLampsOfOutputsLatchedHighInWiringOrder) {
    Board b;
    OutState table = test::allOutputs(1);
    table[1] = 0;
    table[41] = 0;
    table[300] = 0;
    UpdateOuts(table, b.lpt);
    BenchWindow window(b.board, b.sim);
    window.refresh();
    const QImage image = window.grab().toImage();
    // Output 40k + i is lamp i of row k, held in stage 41 - i of chain k.
    EXPECT_TRUE(litAt(image, window.lampRect(0, 40)));   // output 1
    EXPECT_FALSE(litAt(image, window.lampRect(0, 39)));  // output 2
    EXPECT_TRUE(litAt(image, window.lampRect(1, 40)));   // output 41
    EXPECT_TRUE(litAt(image, window.lampRect(7, 21)));   // output 300
    EXPECT_FALSE(litAt(image, window.lampRect(7, 22)));  // output 299
    // Beyond output 300 there are no lamps, though the stages are high.
    EXPECT_EQ(b.board.latched(7, 20), 1);
    EXPECT_FALSE(litAt(image, window.lampRect(7, 20)));
}

TEST(BenchWindow, MarksTheInvertedOutputsUnderTheirLamps) {
    Board b;
    BenchWindow w(b.board, b.sim, [] { return InvertedOutputs().set() >> 260; });  // outputs 1-40: the first row
    for (const QRect& lamp : {w.lampRect(0, 40), w.lampRect(0, 1), w.lampRect(1, 40), w.lampRect(7, 21)})
        EXPECT_EQ(w.grab().toImage().pixelColor(lamp.center().x(), lamp.bottom() + 4).blue() > 200, lamp.top() == 70);
}

// A latch that comes just before some part of the window is painted alone (a
// label's new text) is still shown: the refresh asks for the lamps.
TEST(BenchWindow, ALatchIsShownThoughAPartOfTheWindowWasPaintedSince) {
    Board b;
    BenchWindow window(b.board, b.sim);
    window.show();
    window.refresh();
    QCoreApplication::processEvents();
    OutState table = test::allOutputs(1);
    table[2] = 0;
    UpdateOuts(table, b.lpt);
    window.repaint(QRect(0, 0, 4, 4));
    struct Paints : QObject {
        QRegion region;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } paints;
    window.installEventFilter(&paints);
    window.refresh();
    QCoreApplication::processEvents();
    EXPECT_TRUE(paints.region.contains(window.lampRect(0, 39)));  // output 2
}

TEST(BenchWindow, ShowsPinLevelsDirectionAndPulseRates) {
    Board b;
    BenchWindow window(b.board, b.sim);
    window.refresh();
    EXPECT_TRUE(window.pinsText().contains(QStringLiteral("Контакт 17 (начальная установка): 1")));
    EXPECT_TRUE(window.pinsText().contains(QStringLiteral("Линии данных: выход")));
    b.lpt.SetDataInput(true);
    OutState table;
    for (int i = 0; i < 5; ++i) UpdateOuts(table, b.lpt);
    QThread::msleep(1000);  // the rates are taken over whole seconds
    window.refresh();
    EXPECT_TRUE(window.pinsText().contains(QStringLiteral("Линии данных: вход")));
    EXPECT_FALSE(window.ratesText().contains(QStringLiteral("Защёлкиваний в секунду: 0")));
}

TEST(BenchWindow, ItsInputSwitchesSetThePinsLevelsOrShowTheLevelsOfTheFileThatDrivesThem) {
    Board b;
    BenchWindow window(b.board, b.sim);
    EXPECT_EQ(window.inputSwitch(4)->text(), QStringLiteral("5 (контакт 15)"));
    for (const std::size_t i : {1u, 4u, 1u}) QTest::mouseClick(window.inputSwitch(i), Qt::LeftButton);
    EXPECT_EQ(b.lpt.ReadInputs(), (InputLevels{false, false, false, false, true}));

    test::ScratchDir dir;
    test::writeBytes(dir.path / "inputs", "01100\n");
    SimulatedPort filed({}, dir.file("inputs"));
    BenchWindow driven(b.board, filed);
    QTest::mouseClick(driven.inputSwitch(0), Qt::LeftButton);
    for (std::size_t i = 0; i < kInputs; ++i) {
        EXPECT_FALSE(driven.inputSwitch(i)->isEnabled()) << i;
        EXPECT_EQ(driven.inputSwitch(i)->isChecked(), i == 1 || i == 2) << i;
    }
}

TEST(BenchWindow, OpensWhollyOnTheScreenBesideTheMainWindowAndComesBackAfterItWasClosed) {
    Board b;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget main;
    main.setGeometry(screen.left() + 10, screen.top() + 10, 300, 200);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    BenchWindow window(b.board, b.sim);
    for (int round = 0; round < 2; ++round) {
        window.showBeside(main);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << round;
        // As much of it as the screen can hold is on it, beside the main
        // window (below, on a screen narrower than the board).
        const QRect outer = window.frameGeometry();
        EXPECT_TRUE(screen.contains(QRect(outer.topLeft(), outer.size().boundedTo(screen.size())))) << round;
        EXPECT_FALSE(outer.intersects(main.frameGeometry())) << round;
        window.close();
        EXPECT_FALSE(window.isVisible());
        main.move(main.pos() + QPoint(0, 40));
    }
    // Shown, it stays where it is.
    window.showBeside(main);
    const QPoint shown = window.pos();
    main.move(main.pos() + QPoint(0, 40));
    window.showBeside(main);
    EXPECT_EQ(window.pos(), shown);
}

}  // namespace
}  // namespace kavtra
