#include "ui/dialogs/about_frm.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "ui/dialogs/page_opener.h"

namespace kavtra {
namespace {

const QColor kBlue(0, 0, 100);
const QColor kRed(100, 0, 0);
const char* const kLinks[] = {"Label4", "Label5", "Label8", "Label11"};

class AboutFrmTest : public ::testing::Test {
protected:
    AboutFrmTest() : dialog("/opt/kavtra") {
        dialog.setOpener([this](const QUrl& url, const std::function<void()>& failed) {
            opened.push_back(url);
            stillOpenWhenOpened = dialog.isVisible();
            if (!openerWorks) failed();
        });
        dialog.setFailureMessage([this](QWidget* owner, const QString& text) {
            failureMessages.push_back(text);
            failureOwner = owner;
        });
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        // Qt drops a move to where the pointer already is; the last test may
        // have left it on a link of a dialog shown at the same place.
        QTest::mouseMove(&dialog, QPoint(1, 1));
    }

    QLabel* label(const char* name) {
        auto* l = dialog.findChild<QLabel*>(QLatin1String(name));
        EXPECT_NE(l, nullptr) << name;
        return l;
    }
    QColor colour(const char* name) { return label(name)->palette().color(QPalette::WindowText); }
    void pointTo(const char* name) { QTest::mouseMove(label(name)); }
    // A point of the dialog that no control covers.
    void pointToBareSurface() { QTest::mouseMove(&dialog, QPoint(4, 4)); }

    AboutFrm dialog;
    std::vector<QUrl> opened;
    bool stillOpenWhenOpened = false;
    bool openerWorks = true;
    std::vector<QString> failureMessages;
    QWidget* failureOwner = nullptr;
};

TEST_F(AboutFrmTest, OpensWithBlueUnderlinedLinksAndTheFocusOnOk) {
    for (const char* link : kLinks) {
        EXPECT_EQ(colour(link), kBlue) << link;
        EXPECT_TRUE(label(link)->font().underline()) << link;
        EXPECT_TRUE(label(link)->font().bold()) << link;
        EXPECT_EQ(label(link)->focusPolicy(), Qt::NoFocus) << link;
    }
    EXPECT_FALSE(label("Label10")->font().underline());
    EXPECT_EQ(dialog.focusWidget(), dialog.findChild<QPushButton*>(QStringLiteral("Command1")));
    EXPECT_EQ(label("Label11")->toolTip(), QStringLiteral("Описание и схема устройства"));
    EXPECT_EQ(label("Label8")->toolTip(), QStringLiteral("Перейти на сайт"));
    EXPECT_TRUE(label("Label4")->toolTip().startsWith(QStringLiteral("Просмотр профиля на ")));
    EXPECT_EQ(label("Label5")->toolTip(), label("Label4")->toolTip());
}

TEST_F(AboutFrmTest, ALinkTurnsRedUnderThePointerAndBlueOverBareSurface) {
    pointTo("Label11");
    EXPECT_EQ(colour("Label11"), kRed);
    EXPECT_EQ(colour("Label8"), kBlue);
    pointToBareSurface();
    EXPECT_EQ(colour("Label11"), kBlue);
}

TEST_F(AboutFrmTest, OnlyBareSurfaceTurnsLinksBlueAgain) {
    pointTo("Label11");
    pointTo("Label10");
    EXPECT_EQ(colour("Label11"), kRed) << "a neighbouring label is not bare surface";
    QTest::mouseMove(dialog.findChild<QPushButton*>(QStringLiteral("Command1")));
    EXPECT_EQ(colour("Label11"), kRed) << "the button is not bare surface";

    pointTo("Label8");
    pointTo("Label5");
    EXPECT_EQ(colour("Label11"), kRed);
    EXPECT_EQ(colour("Label8"), kRed);
    EXPECT_EQ(colour("Label5"), kRed);
    EXPECT_EQ(colour("Label4"), kBlue);

    pointToBareSurface();
    for (const char* link : kLinks) EXPECT_EQ(colour(link), kBlue) << link;
}

TEST_F(AboutFrmTest, DraggingOverLabelsOrTheButtonIsNotBareSurface) {
    QWidget* button = dialog.findChild<QPushButton*>(QStringLiteral("Command1"));
    for (QWidget* over : {static_cast<QWidget*>(label("Label10")), button}) {
        SCOPED_TRACE(over->objectName().toStdString());
        pointTo("Label11");
        QTest::mousePress(over, Qt::RightButton);
        QTest::mouseMove(over, QPoint(3, 3));
        EXPECT_EQ(colour("Label11"), kRed);
        QTest::mouseRelease(over, Qt::RightButton, {}, QPoint(3, 3));
        pointToBareSurface();
    }
    // With a button held over bare surface the links turn blue all the same.
    pointTo("Label11");
    QTest::mousePress(&dialog, Qt::RightButton, {}, QPoint(4, 4));
    QTest::mouseMove(&dialog, QPoint(6, 6));
    EXPECT_EQ(colour("Label11"), kBlue);
    QTest::mouseRelease(&dialog, Qt::RightButton, {}, QPoint(6, 6));
}

TEST_F(AboutFrmTest, AClickedLinkOpensItsPageAndTheDialogStaysOpen) {
    pointTo("Label11");
    QTest::mouseClick(label("Label11"), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("file:///opt/kavtra/docs/device.html")));
    EXPECT_TRUE(stillOpenWhenOpened);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(colour("Label11"), kRed);

    QTest::mouseClick(label("Label11"), Qt::LeftButton);
    QTest::mouseClick(label("Label8"), Qt::LeftButton);
    QTest::mouseClick(label("Label5"), Qt::LeftButton);
    QTest::mouseClick(label("Label4"), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<QUrl>{QUrl(QStringLiteral("file:///opt/kavtra/docs/device.html")),
                                         QUrl(QStringLiteral("file:///opt/kavtra/docs/device.html")),
                                         QUrl(QStringLiteral("file:///opt/kavtra/docs/index.html")),
                                         QUrl(QStringLiteral("file:///opt/kavtra/docs/users.html")),
                                         QUrl(QStringLiteral("file:///opt/kavtra/docs/authors.html"))}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(failureMessages.empty());
}

// No browser, or one that refuses to start (as root): the user is told which
// page and what to do, and the dialog stays.
TEST_F(AboutFrmTest, ALinkThatCannotBeOpenedSaysSo) {
    openerWorks = false;
    QTest::mouseClick(label("Label11"), Qt::LeftButton);
    ASSERT_EQ(failureMessages.size(), 1u);
    EXPECT_EQ(failureOwner, &dialog);
    const QString& text = failureMessages[0];
    EXPECT_TRUE(text.contains(QStringLiteral("Не удалось открыть страницу «device.html»"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/opt/kavtra/docs/device.html"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Откройте этот файл в браузере"))) << text.toStdString();
    EXPECT_TRUE(dialog.isVisible());

    QTest::mouseClick(label("Label4"), Qt::LeftButton);
    ASSERT_EQ(failureMessages.size(), 2u);
    EXPECT_TRUE(failureMessages[1].contains(QStringLiteral("«authors.html»")));
}

#ifndef _WIN32
// xdg-open finds out only after it has started that no browser will show the
// page: its end says so, or its failing to start.
TEST(OpenPage, AFailureIsToldWhenTheOpenerEndsWithOneOrCannotStart) {
    for (const auto& [opener, failures] : {std::pair{"true", 0}, {"false", 1}, {"/nonexistent/xdg-open", 1}}) {
        int told = 0;
        openPageWith(QString::fromUtf8(opener), QUrl::fromLocalFile("/opt/kavtra/docs/index.html"), [&] { ++told; });
        EXPECT_TRUE(QTest::qWaitFor([] { return qApp->findChildren<QProcess*>().isEmpty(); }, 5000)) << opener;
        EXPECT_EQ(told, failures) << opener;
    }
}
#endif

TEST_F(AboutFrmTest, PlainLabelsAndKeysOpenNothing) {
    QTest::mouseClick(label("Label10"), Qt::LeftButton);
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(4, 4));
    // Only the button takes the focus; Enter and Escape have no meaning here.
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(dialog.focusWidget(), key);
    EXPECT_EQ(dialog.focusWidget(), dialog.findChild<QPushButton*>(QStringLiteral("Command1")));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(opened.empty());
}

TEST_F(AboutFrmTest, OkAndTheCloseBoxCloseIt) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(opened.empty());

    dialog.show();
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(AboutFrmTest, IsAFixedToolWindowOfTheDesignedSize) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(dialog.size(), QSize(378, 144));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(label("Label10")->text(), QStringLiteral("Описание и схему устройства можно посмотреть"));
    EXPECT_EQ(label("Label11")->geometry(), QRect(336, 68, 27, 13));
}

}  // namespace
}  // namespace kavtra
