#include "ui/dialogs/journal_dialog.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "engine/change_record.h"
#include "tests/support/engine_on_board.h"
#include "tests/support/file_bytes.h"

namespace kavtra {
namespace {

class JournalDialogTest : public ::testing::Test, protected test::EngineOnBoard {
protected:
    std::string log() const { return changeLogPath(dir.path.string()); }
    // Each row as "time | source | changes".
    QStringList rows() const {
        QStringList shown;
        const QAbstractItemModel& model = *dialog.table->model();
        for (int r = 0; r < model.rowCount(); ++r)
            shown.append(QStringList{model.index(r, 0).data().toString(), model.index(r, 1).data().toString(),
                                     model.index(r, 2).data().toString()}
                             .join(QStringLiteral(" | ")));
        return shown;
    }

    JournalDialog dialog{log(), engine};
};

TEST_F(JournalDialogTest, ShowsTheLogNewestFirstAndTheLinesOfOneOutput) {
    test::writeBytes(log() + ".1", "2026-12-07 18:00:00.000\tpolicy:start\t1=on 2=on 3=off\n");
    // The last line lacks its line feed: a crash cut it short.
    test::writeBytes(log(),
                     "2026-12-07 18:45:13.123\tscene:Вечер\t7=off 17=on 8=on 9=on\n"
                     "2026-12-07 18:46:00.500\twindow\t7 name=Насос 3=on\n"
                     "2026-12-07 18:47:01.000\tinterlock:Мотор\t3=off\n"
                     "2026-12-07 18:47:02.000\tweb:phone\t1-299=off\n"
                     "2026-12-07 18:47:03.000\ttimer\t5=off\n"
                     "2026-12-07 18:47:04.000\tschedule:Утро\tmissed 2026-12-07 06:00:00\n"
                     "2026-12-07 18:48:00.000\tmqtt:kavtra\t7=on");
    dialog.show();
    const QString start = "07.12.2026 18:00:00.000 | при запуске | вкл. 1-2; выкл. 3";
    const QString scene = "07.12.2026 18:45:13.123 | сцена «Вечер» | вкл. 8-9,17; выкл. 7";
    const QString rename = "07.12.2026 18:46:00.500 | окно | 7: название «Насос 3=on»";
    const QString held = "07.12.2026 18:47:01.000 | блокировка «Мотор» | выкл. 3";
    const QString web = "07.12.2026 18:47:02.000 | веб, токен «phone» | выкл. 1-299";
    const QString timer = "07.12.2026 18:47:03.000 | предел времени | выкл. 5";
    const QString missed = "07.12.2026 18:47:04.000 | расписание «Утро» | пропущено событие в 2026-12-07 06:00:00";
    const struct {
        const char* filter;
        QStringList rows;
    } cases[] = {{"", {missed, timer, web, held, rename, scene, start}},
                 {"7", {web, rename, scene}},
                 {"17", {web, scene}},
                 {"3", {web, held, start}},
                 {"5", {timer, web}},
                 {"300", {}},
                 {"", {missed, timer, web, held, rename, scene, start}}};
    for (const auto& c : cases) {
        dialog.filter->setText(QString::fromLatin1(c.filter));
        EXPECT_EQ(rows(), c.rows) << c.filter;
    }
}

TEST_F(JournalDialogTest, ReadsTheLogAgainAfterEveryStep) {
    ChangeLog changeLog(log());
    const ChangeLogWriter writer(engine, changeLog);
    dialog.show();
    EXPECT_TRUE(rows().isEmpty());
    engine.set({{5, false}, {6, false}}, Source::Window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows().size() == 1; }));
    EXPECT_TRUE(rows().front().endsWith(" | окно | выкл. 5-6")) << rows().front().toStdString();
    engine.setAll(true, Source::Window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows().size() == 2; }));
}

}  // namespace
}  // namespace kavtra
