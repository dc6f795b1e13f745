#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "persist/files/settings.h"

class QLabel;
class QLineEdit;

namespace kavtra {

// "Веб-доступ": where the web access listens, Listen of config.ini's [Web];
// empty turns it off. "Ok" refuses an address the program could not listen
// on, writes the key only when it changed, and closes with Accepted; the
// program then follows the file. The web access's state is shown as the
// status bar shows it, with the other addresses the page opens at (`sites`,
// the first being the status bar's).
class WebDialog : public QDialog {
    Q_OBJECT
public:
    WebDialog(Settings& settings, const QString& state, const QStringList& sites = {}, QWidget* parent = nullptr);

    QLineEdit* listen;
    QLabel* problem;

private:
    void okClicked();

    Settings& settings_;
};

}  // namespace kavtra
