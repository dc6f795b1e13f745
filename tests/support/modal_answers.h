#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <utility>
#include <vector>

namespace kavtra::test {

// Answers the modal windows a call opens, in turn, as a user would: a file
// dialog gets the answer typed as its file name (an empty one cancels it), a
// message box the click of the button of that text (its '&' left out), and
// its text is kept. A window past the last answer is closed unanswered.
class ModalAnswers {
public:
    explicit ModalAnswers(std::vector<QString> answers) : answers_(std::move(answers)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { answerNext(); });
        poll_.start(10);
    }

    std::vector<QString> texts;

private:
    void answerNext() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == answered_) return;
        answered_ = modal;
        const QString answer = next_ < answers_.size() ? answers_[next_++] : QString();
        auto* files = qobject_cast<QFileDialog*>(modal);
        if (files && !answer.isEmpty()) {
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(answer);
            return static_cast<QDialog*>(files)->accept();  // as its button does, with its checks
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box) texts.push_back(box->text());
        for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>())
            if (QString(button->text()).remove(QLatin1Char('&')) == answer) return button->click();
        modal->close();
    }

    std::vector<QString> answers_;
    std::size_t next_ = 0;
    QPointer<QWidget> answered_;
    QTimer poll_;
};

}  // namespace kavtra::test
