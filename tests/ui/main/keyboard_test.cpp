#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include "window_fixture.h"

namespace kavtra::test {
namespace {

class KeyboardTest : public WindowTest {
protected:
    void select(int output) { list().setCurrentItem(row(output)); }

    // F2, the text put in, Return; then the queued commit has run.
    void rename(int output, const QString& text) {
        select(output);
        QTest::keyClick(&list(), Qt::Key_F2);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(editor.isNull() || !editor->isVisible());
    }

    QString notice() const { return statusOf(*frm_).message->fullText(); }
};

TEST_F(KeyboardTest, SpaceAndEnterSwitchTheSelectedRowAsADoubleClickDoes) {
    start(true);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    for (const Case c : {Case{Qt::Key_Space, {}}, Case{Qt::Key_Return, {}}, Case{Qt::Key_Enter, Qt::KeypadModifier}}) {
        select(9);
        const auto before = transfers();
        const bool wasOn = engine().isOn(9);
        QTest::keyClick(&list(), c.key, c.modifiers);
        EXPECT_EQ(engine().isOn(9), !wasOn) << c.key;
        EXPECT_EQ(row(9)->text(1), wasOn ? QStringLiteral("Выкл.") : QStringLiteral("Вкл.")) << c.key;
        EXPECT_EQ(board_.outputLevel(9), wasOn ? 0 : 1) << c.key;
        EXPECT_EQ(transfers(), before + 1) << c.key;
        EXPECT_EQ(QApplication::focusWidget(), &list()) << "no editor opened";
    }
    EXPECT_NE(readFile("Data.dat").find("[Devais_9]\r\nValue=1\r\n"), std::string::npos);
}

TEST_F(KeyboardTest, AHeldKeySwitchesOnceAndNoSelectionSwitchesNothing) {
    start(true);
    select(4);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(&list(), &repeat);
    EXPECT_TRUE(engine().isOn(4));

    list().clearSelection();
    const auto before = transfers();
    QTest::keyClick(&list(), Qt::Key_Space);
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(transfers(), before);
    EXPECT_FALSE(exists("Data.dat"));
}

// Marked as repeats or not (Xvfb sends each as a release and a press at once,
// both unmarked), a held key switches once until it is really let go.
TEST_F(KeyboardTest, AHeldKeySwitchesOnceUntilItIsLetGoWhateverItsRepeatsSay) {
    start(true);
    select(4);
    for (const int repeats : {0, 1, 2, 3}) {  // 1: marked; 2: each after a release
        const Qt::Key key = repeats & 2 ? Qt::Key_Return : Qt::Key_Space;
        const auto before = transfers();
        for (int press = 0; press < 10; ++press) {
            if (press > 0 && repeats & 2) QTest::simulateEvent(&list(), false, key, {}, {}, repeats & 1);
            QTest::simulateEvent(&list(), true, key, {}, {}, press > 0 && repeats & 1);
        }
        QTest::keyRelease(&list(), key);
        EXPECT_EQ(transfers(), before + 1) << repeats;
        QTest::qWait(80);
    }
}

TEST_F(KeyboardTest, EnterInTheNameEditorCommitsTheNameAndSwitchesNothing) {
    start(true);
    const auto before = transfers();
    rename(12, QStringLiteral("Pump"));
    EXPECT_EQ(row(12)->text(0), QStringLiteral("Pump"));
    EXPECT_TRUE(engine().isOn(12));
    EXPECT_EQ(transfers(), before);
    EXPECT_TRUE(notice().isEmpty());
}

TEST_F(KeyboardTest, ARenamedRowShowsWhatDataDatKeepsAndTheStatusBarSaysWhy) {
    start(true);
    rename(3, QStringLiteral("Ω-мотор"));
    EXPECT_EQ(row(3)->text(0), QStringLiteral("?-мотор"));
    EXPECT_NE(readFile("Data.dat").find("[Devais_3]\r\nValue=0\r\nName=?-\xEC\xEE\xF2\xEE\xF0\r\n"), std::string::npos);
    EXPECT_EQ(notice(), QStringLiteral("Название вывода 3 сохранено как «?-мотор»: в кодировке файла Data.dat "
                                       "(Windows-1251) нет знаков «Ω»"));
    EXPECT_FALSE(statusOf(*frm_).showsFailure());

    rename(4, QStringLiteral("  Свет  "));
    EXPECT_EQ(row(4)->text(0), QStringLiteral("Свет"));
    EXPECT_TRUE(notice().contains(QStringLiteral("пробелы по краям"))) << notice().toStdString();

    rename(5, QStringLiteral("Насос"));
    EXPECT_TRUE(notice().isEmpty()) << "a name kept as typed needs no word";

    // What the next start shows.
    frm_.reset();
    start();
    EXPECT_EQ(row(3)->text(0), QStringLiteral("?-мотор"));
    EXPECT_EQ(row(4)->text(0), QStringLiteral("Свет"));
}

TEST_F(KeyboardTest, AUtf8DataFileKeepsEveryCharacterAndTheRowShowsItAsTyped) {
    writeFile("Data.dat", "\xEF\xBB\xBF[Devais_1]\r\nValue=0\r\nName=a\r\n");
    start(true);
    rename(3, QStringLiteral("Ω-мотор"));
    EXPECT_EQ(row(3)->text(0), QStringLiteral("Ω-мотор"));
    EXPECT_TRUE(notice().isEmpty());
    EXPECT_NE(readFile("Data.dat").find("Name=\xCE\xA9-\xD0\xBC\xD0\xBE\xD1\x82\xD0\xBE\xD1\x80\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kavtra::test
