#pragma once

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

#include "persist/profile/cls_ini.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kavtra {

// "MQTT": the link to a broker and what Home Assistant is told, the [MQTT]
// section of config.ini; an empty host turns MQTT off. The choice of outputs
// is the page's too. "Ok" refuses a value the link could not use, with a red
// line, saves the keys that changed in one save, and closes with Accepted;
// the program then follows the file. The link's state is shown as the
// status bar shows it.
class MqttDialog : public QDialog {
    Q_OBJECT
public:
    MqttDialog(const clsINI& config, const QString& state, QWidget* parent = nullptr);

    QLineEdit* host;
    QLineEdit* port;
    QLineEdit* user;
    QLineEdit* password;
    QLineEdit* node;
    QCheckBox* tls;
    QLineEdit* caFile;
    QCheckBox* discovery;
    QRadioButton* allOutputs;
    QRadioButton* namedOutputs;
    QRadioButton* listedOutputs;
    QLineEdit* outputList;
    QLabel* problem;

private:
    // What "Ok" would write, in the order of the keys' table.
    std::vector<std::string> typed() const;
    void okClicked();
    void refuse(const QString& why, QWidget* field);
    void browseCaFile();

    const clsINI& config_;
    std::vector<std::string> opened_;  // the keys' texts as the dialog opened
};

}  // namespace kavtra
