#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <set>

#include "outputs/transfer.h"
#include "persist/profile/cls_ini.h"
#include "window_fixture.h"

namespace kavtra::test {
namespace {

// Windows-1251 bytes of the texts the files hold.
const std::string kOutput = "\xC2\xFB\xE2\xEE\xE4 ";  // "Вывод "

std::string section(int n, const std::string& value, const std::string& name) {
    return "[Devais_" + std::to_string(n) + "]\r\nValue=" + value + "\r\nName=" + name + "\r\n";
}

// The Data.dat the program writes for the given states and default names.
std::string dataFile(const std::function<int(int)>& state) {
    std::string text;
    for (int n = 1; n <= 300; ++n) text += section(n, std::to_string(state(n)), kOutput + std::to_string(n));
    return text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class MyFrmTest : public WindowTest {};

TEST_F(MyFrmTest, FirstStartUsesTheDefaultsAndWritesOnlyWhatTheUserChanges) {
    MyFrm& frm = start();
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("Кавтра"));
    EXPECT_FALSE(frm.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(frm.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    // 1000, 1000, 9300 x 6200 twips at 15 twips to the pixel.
    EXPECT_EQ(frm.frameGeometry(), QRect(67, 67, 620, 413));
    EXPECT_EQ(frm.List1->columnWidth(0), 200);
    EXPECT_EQ(frm.List1->columnWidth(1), 100);
    EXPECT_EQ(frm.List1->headerItem()->text(0), QStringLiteral("Название"));
    EXPECT_EQ(frm.List1->headerItem()->text(1), QStringLiteral("Состояние"));
    ASSERT_EQ(frm.List1->topLevelItemCount(), 300);
    for (int n = 1; n <= 300; ++n) {
        ASSERT_EQ(row(n)->text(0), QStringLiteral("Вывод %1").arg(n));
        ASSERT_EQ(row(n)->text(1), QStringLiteral("Вкл."));
        ASSERT_TRUE(showsGear(n)) << n;
    }
    EXPECT_EQ(runner_->Update_Tmr->interval(), 100);
    // The first transfer ran before Init_Outs, on a port whose clock and
    // latch pins were already high, so it gave no first clock edge and no
    // latch edge; the timer's next tick puts the real picture on the registers.
    runner_->Update_Tmr_Timer();
    for (int n = 1; n <= 300; ++n) ASSERT_EQ(board_.outputLevel(n), 1) << n;
    EXPECT_FALSE(exists("Data.dat"));
    EXPECT_FALSE(exists("config.ini"));

    frm.Timer1_Timer();
    EXPECT_EQ(readFile("config.ini"),
              "[FormPosition]\r\nx=1005\r\ny=1005\r\nHeight=6195\r\nWidth=9300\r\n"
              "[ListPosition]\r\nlist_Width1=3000\r\nlist_Width2=1500\r\n");
    EXPECT_FALSE(exists("Data.dat"));
}

TEST_F(MyFrmTest, LoadOrderEndsWithTheFirstTransferFollowedByTheStartSequence) {
    start();
    // The first transfer runs before Init_Outs; the trace ends with the
    // eight writes of the start sequence.
    ASSERT_GE(trace_.size(), kTransferAccesses + 15u);
    const std::vector<std::string> tail(trace_.end() - 15, trace_.end());
    EXPECT_EQ(tail.front(), "R 890 0x03");
    EXPECT_EQ(tail[1], "W 890 0x03");
    EXPECT_EQ(tail.back(), "W 890 0x03");
    EXPECT_EQ(trace_.size(), kTransferAccesses + 15u);
}

TEST_F(MyFrmTest, DoubleClickSwitchesTheOutputSavesTheListAndTransfersAtOnce) {
    start(true);
    const auto before = transfers();
    doubleClick(17);
    EXPECT_EQ(engine().state(17), 1);
    EXPECT_EQ(row(17)->text(1), QStringLiteral("Выкл."));
    EXPECT_TRUE(showsCross(17));
    EXPECT_EQ(transfers(), before + 1);
    EXPECT_EQ(board_.outputLevel(17), 0);
    EXPECT_EQ(board_.outputLevel(16), 1);
    EXPECT_EQ(board_.outputLevel(18), 1);
    EXPECT_EQ(readFile("Data.dat"), dataFile([](int n) { return n == 17 ? 1 : 0; }));

    doubleClick(17);
    EXPECT_EQ(engine().state(17), 0);
    EXPECT_EQ(row(17)->text(1), QStringLiteral("Вкл."));
    EXPECT_TRUE(showsGear(17));
    EXPECT_EQ(transfers(), before + 2);
    EXPECT_EQ(board_.outputLevel(17), 1);
    EXPECT_EQ(readFile("Data.dat"), dataFile([](int) { return 0; }));
}

TEST_F(MyFrmTest, RenameStoresTheNameWithoutTransferAndAnEmptyNameStaysEmpty) {
    MyFrm& frm = start(true);
    auto rename = [&](int output, const QString& text) {
        frm.List1->setCurrentItem(row(output));
        QTest::keyClick(frm.List1, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(row(output)->text(0), text);
    };
    const auto before = transfers();
    rename(10, QStringLiteral("Насос №1"));
    QTRY_VERIFY(exists("Data.dat"));
    EXPECT_NE(readFile("Data.dat").find("[Devais_10]\r\nValue=0\r\nName=\xCD\xE0\xF1\xEE\xF1 \xB9" "1\r\n"),
              std::string::npos);
    EXPECT_EQ(transfers(), before);
    EXPECT_EQ(row(10)->text(1), QStringLiteral("Вкл."));
    EXPECT_TRUE(showsGear(10));

    rename(3, QString());

    // Asked for on the state column, the edit is of the name all the same.
    frm.List1->setCurrentIndex(frm.List1->model()->index(5, 1));
    QTest::keyClick(frm.List1, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("Вывод 6"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_NE(readFile("Data.dat").find("[Devais_3]\r\nValue=0\r\nName=\r\n"), std::string::npos);

    frm_.reset();
    start();
    EXPECT_EQ(row(3)->text(0), QString());
    EXPECT_EQ(row(10)->text(0), QStringLiteral("Насос №1"));
}

TEST_F(MyFrmTest, StartUpPoliciesSetTheTableBeforeTheListIsFilled) {
    std::string data = section(1, "1", "a") + section(2, "0", "b") + section(3, "1", "c");
    writeFile("Data.dat", data);
    struct Case {
        const char* valLoad;
        int one, two, three, four;
    };
    for (const Case c : {Case{"1", 0, 0, 0, 0}, Case{"2", 1, 1, 1, 1}, Case{"3", 1, 0, 1, 0},
                         Case{"7", 0, 0, 0, 0}, Case{"abc", 1, 0, 1, 0}}) {
        writeFile("config.ini", std::string("[Configs]\r\nValLoad=") + c.valLoad + "\r\n");
        start();
        EXPECT_EQ(engine().state(1), c.one) << c.valLoad;
        EXPECT_EQ(engine().state(2), c.two) << c.valLoad;
        EXPECT_EQ(engine().state(3), c.three) << c.valLoad;
        EXPECT_EQ(engine().state(300), c.four) << c.valLoad;
        EXPECT_EQ(row(1)->text(1), c.one ? QStringLiteral("Выкл.") : QStringLiteral("Вкл.")) << c.valLoad;
        frm_.reset();
    }
    EXPECT_EQ(readFile("Data.dat"), data);
}

TEST_F(MyFrmTest, ExitPoliciesSetTheOutputsButWriteNoFile) {
    struct Case {
        const char* valUnload;
        int level5, level6;
    };
    // Outputs 5 and 6 are switched off and saved; then another program puts
    // output 6 back on in the file, so the remembered states bring it back on
    // while the table still has it off.
    for (const Case c : {Case{"1", 1, 1}, Case{"2", 0, 0}, Case{"3", 0, 1}, Case{"9", 0, 0}}) {
        std::filesystem::remove(path("Data.dat"));
        writeFile("config.ini", std::string("[Configs]\r\nValUnload=") + c.valUnload + "\r\n");
        MyFrm& frm = start(true);
        doubleClick(5);
        doubleClick(6);
        writeFile("Data.dat", replaced(readFile("Data.dat"), "[Devais_6]\r\nValue=1", "[Devais_6]\r\nValue=0"));
        const std::string data = readFile("Data.dat");
        const std::string config = readFile("config.ini");
        trace_.clear();
        frm.close();
        EXPECT_EQ(asked_, 1);
        EXPECT_EQ(ended_, 1);
        EXPECT_EQ(board_.outputLevel(5), c.level5) << c.valUnload;
        EXPECT_EQ(board_.outputLevel(6), c.level6) << c.valUnload;
        ASSERT_GE(trace_.size(), 3u);
        EXPECT_EQ(trace_.size(), kTransferAccesses + 2u);
        EXPECT_EQ(trace_.back(), "W 890 0x23") << "the data lines are released last";
        EXPECT_EQ(readFile("Data.dat"), data);
        EXPECT_EQ(readFile("config.ini"), config);
        EXPECT_EQ(row(5)->text(1), QStringLiteral("Выкл.")) << "the list is not updated at exit";
        frm_.reset();
        asked_ = ended_ = 0;
    }
}

TEST_F(MyFrmTest, AnsweringNoKeepsEverythingAndTheNextCloseAsksAgain) {
    MyFrm& frm = start(true);
    answerYes_ = false;
    const auto traced = trace_.size();
    EXPECT_FALSE(frm.close());
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(ended_, 0);
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(trace_.size(), traced);
    EXPECT_FALSE(exists("Data.dat"));
    EXPECT_FALSE(exists("config.ini"));
    answerYes_ = true;
    frm.close();
    EXPECT_EQ(asked_, 2);
    EXPECT_EQ(ended_, 1);
}

TEST_F(MyFrmTest, GeometrySaverWritesOnlyChangedValuesAndNothingWhileMinimized) {
    MyFrm& frm = start(true);
    frm.Timer1_Timer();
    const std::string first = readFile("config.ini");

    frm.move(frm.frameGeometry().topLeft() + QPoint(10, 0));
    frm.Timer1_Timer();
    const std::string moved = replaced(first, "x=1005", "x=1155");
    EXPECT_EQ(readFile("config.ini"), moved);

    frm.List1->setColumnWidth(0, 150);
    frm.Timer1_Timer();
    const std::string widened = replaced(moved, "list_Width1=3000", "list_Width1=2250");
    EXPECT_EQ(readFile("config.ini"), widened);

    frm.Timer1_Timer();
    EXPECT_EQ(readFile("config.ini"), widened) << "a tick without changes writes nothing";

    frm.setWindowState(Qt::WindowMinimized);
    frm.List1->setColumnWidth(1, 50);
    frm.Timer1_Timer();
    EXPECT_EQ(readFile("config.ini"), widened);
    frm.setWindowState(Qt::WindowNoState);
    frm.Timer1_Timer();
    EXPECT_EQ(readFile("config.ini"), replaced(widened, "list_Width2=1500", "list_Width2=750"));
}

TEST_F(MyFrmTest, TransferTimerReadsItsPeriodAtEveryTick) {
    start();
    QTimer* Update_Tmr = runner_->Update_Tmr;
    Update_Tmr->start();
    struct Case {
        const char* text;
        int period;  // 0: stopped
    };
    for (const Case c : {Case{"250", 250}, Case{" 300 ", 300}, Case{"150.5", 150}, Case{"151.5", 152},
                         Case{"1e12", 2147483647}, Case{"-5", 0}, Case{"0", 0}, Case{"abc", 0}, Case{"", 0}}) {
        writeFile("config.ini", std::string("[Configs]\r\nTimeUpdate=") + c.text + "\r\n");
        Update_Tmr->start(100);
        const auto before = transfers();
        runner_->Update_Tmr_Timer();
        EXPECT_EQ(transfers(), before + 1) << "every tick transfers: " << c.text;
        EXPECT_EQ(Update_Tmr->isActive(), c.period != 0) << c.text;
        if (c.period) {
            EXPECT_EQ(Update_Tmr->interval(), c.period) << c.text;
        }
    }
    std::filesystem::remove(path("config.ini"));
    Update_Tmr->start(250);
    runner_->Update_Tmr_Timer();
    EXPECT_EQ(Update_Tmr->interval(), 100);
}

TEST_F(MyFrmTest, AZeroPeriodAtLoadMeansNoTickAtAll) {
    writeFile("config.ini", "[configs]\r\ntimeupdate=0\r\n");
    MyFrm& frm = load();
    EXPECT_FALSE(runner_->Update_Tmr->isActive());
    EXPECT_TRUE(frm.Timer1->isActive());
}

TEST_F(MyFrmTest, HandEditedDataFileIsShownSafelyAndKeptBySaves) {
    const std::string longName(600, 'n');
    writeFile("Data.dat", "; kept comment\r\n" + section(1, "abc", "one") + section(2, "2", "two") +
                              section(3, "-5", "three") + section(4, "99999", "four") +
                              "[Devais_5]\r\nValue=0\r\nName=" + longName + "\r\nExtra=keep me\r\n" +
                              "[Devais_400]\r\nValue=1\r\n");
    start(true);
    EXPECT_EQ(engine().state(1), 0);
    EXPECT_EQ(engine().state(2), 2);
    EXPECT_EQ(engine().state(3), -5);
    EXPECT_EQ(engine().state(4), 32767);
    for (int n : {2, 3, 4}) {
        EXPECT_EQ(row(n)->text(1), QStringLiteral("Выкл.")) << n;
        EXPECT_TRUE(showsCross(n)) << n;
        EXPECT_EQ(board_.outputLevel(n), 0) << n;
    }
    EXPECT_TRUE(showsGear(1));
    EXPECT_EQ(row(5)->text(0).size(), 511);

    doubleClick(2);
    EXPECT_EQ(engine().state(2), 1) << "a state of 2 switches off, not on";
    const std::string saved = readFile("Data.dat");
    EXPECT_EQ(saved.rfind("; kept comment\r\n[Devais_1]\r\nValue=0\r\nName=one\r\n", 0), 0u);
    EXPECT_NE(saved.find("Name=" + std::string(511, 'n') + "\r\nExtra=keep me\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[Devais_400]\r\nValue=1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[Devais_3]\r\nValue=-5\r\n"), std::string::npos);
}

TEST_F(MyFrmTest, SwitchingAllOutputsUpdatesEveryRowSavesAndTransfers) {
    MyFrm& frm = start();
    frm.off_all->trigger();
    engine().set({{5, true}, {7, true}});
    engine().rename(3, "Свет");
    const auto before = transfers();
    frm.off_all->trigger();
    EXPECT_EQ(transfers(), before + 1);
    for (int n = 1; n <= 300; ++n) {
        ASSERT_EQ(engine().state(n), 1);
        ASSERT_EQ(row(n)->text(1), QStringLiteral("Выкл."));
        ASSERT_TRUE(showsCross(n));
        ASSERT_EQ(board_.outputLevel(n), 0);
    }
    EXPECT_EQ(readFile("Data.dat"), replaced(dataFile([](int) { return 1; }), "Name=" + kOutput + "3\r\n",
                                             "Name=\xD1\xE2\xE5\xF2\r\n"));

    frm.on_all->trigger();
    frm.on_all->trigger();
    EXPECT_EQ(transfers(), before + 3);
    for (int n = 1; n <= 300; ++n) {
        ASSERT_EQ(row(n)->text(1), QStringLiteral("Вкл."));
        ASSERT_TRUE(showsGear(n));
        ASSERT_EQ(board_.outputLevel(n), 1);
    }
}

TEST_F(MyFrmTest, ChangesFromElsewhereShowInTheirOwnRowsOnly) {
    start(true);
    QSignalSpy changed(frm_->List1->model(), &QAbstractItemModel::dataChanged);
    engine().set({{7, false}, {250, false}});
    engine().rename(9, "Насос");
    std::set<int> rows;
    for (const QList<QVariant>& signal : changed) {
        const QModelIndex first = signal[0].toModelIndex();
        const QModelIndex last = signal[1].toModelIndex();
        for (int r = first.row(); r <= last.row(); ++r) rows.insert(r + 1);
    }
    EXPECT_EQ(rows, (std::set<int>{7, 9, 250}));
    for (int n : {7, 250}) {
        EXPECT_EQ(row(n)->text(1), QStringLiteral("Выкл.")) << n;
        EXPECT_TRUE(showsCross(n)) << n;
    }
    EXPECT_EQ(row(9)->text(0), QStringLiteral("Насос"));
    EXPECT_EQ(row(8)->text(1), QStringLiteral("Вкл."));
}

TEST_F(MyFrmTest, MenuBarHasItsEntriesInOrder) {
    MyFrm& frm = start();
    const QList<QAction*> top = frm.menuBar()->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), QStringLiteral("Выводы"));
    EXPECT_EQ(top[1], frm.propmenu);
    EXPECT_EQ(top[1]->text(), QStringLiteral("Настройки"));
    EXPECT_EQ(top[2], frm.about_menu);
    EXPECT_EQ(top[2]->text(), QStringLiteral("О программе"));
    const QList<QAction*> outputs = frm.outmenu->actions();
    ASSERT_EQ(outputs.size(), 2);
    EXPECT_EQ(outputs[0]->text(), QStringLiteral("Включить все"));
    EXPECT_EQ(outputs[1]->text(), QStringLiteral("Выключить все"));
    frm.propmenu->trigger();
    frm.about_menu->trigger();
    EXPECT_EQ(optionsShown_, 1);
    EXPECT_EQ(aboutShown_, 1);
}

TEST_F(MyFrmTest, DoubleClickOrEditWithoutASelectedRowDoesNothing) {
    MyFrm& frm = start(true);
    frm.List1->clearSelection();
    const auto before = transfers();
    emit frm.List1->itemDoubleClicked(row(4), 0);
    EXPECT_EQ(engine().state(4), 0);
    EXPECT_EQ(transfers(), before);
    EXPECT_FALSE(exists("Data.dat"));
}

}  // namespace
}  // namespace kavtra::test
