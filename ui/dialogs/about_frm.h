#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>
#include <string>

class QPushButton;

namespace kavtra {

class LinkLabel;

// "О программе": what the program is for, whom it was made for, where its
// description and circuit are, and who wrote it. Its four links open pages
// installed beside the program. It reads and writes no file.
class AboutFrm : public QDialog {
    Q_OBJECT
public:
    // Hands an address to the platform and returns without waiting for it;
    // calls the function it is given, then or later, when nothing will show
    // the page (openPage).
    using Opener = std::function<void(const QUrl&, std::function<void()> failed)>;
    // Tells the user that a page could not be opened; returns once dismissed.
    using FailureMessage = std::function<void(QWidget* owner, const QString& text)>;

    explicit AboutFrm(std::string executableDir, QWidget* parent = nullptr);

    void setOpener(Opener opener);
    void setFailureMessage(FailureMessage message);

protected:
    // Only moves over the dialog's bare surface arrive here: every control on
    // it keeps its own mouse events.
    void mouseMoveEvent(QMouseEvent* event) override;
    // "Ок" is neither default nor cancel button: Enter and Escape mean nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    LinkLabel* addLink(const char* name, const QString& text, const QString& toolTip, const QString& page,
                       const QRect& twips);
    void setLinksNormal();
    void open(const QUrl& address);

    std::string executableDir_;
    Opener opener_;
    FailureMessage failureMessage_;
    LinkLabel* Label4 = nullptr;
    LinkLabel* Label5 = nullptr;
    LinkLabel* Label8 = nullptr;
    LinkLabel* Label11 = nullptr;
    QPushButton* Command1 = nullptr;
};

}  // namespace kavtra
