#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

#include <string>

#include "tests/support/file_bytes.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {

// "Ok" of a dialog's buttons, clicked as a user clicks it.
inline void clickOk(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

// A file of these bytes in a folder of its own, for a dialog that edits it.
struct ScratchFile {
    ScratchFile(const char* name, const std::string& bytes) : path((dir.path / name).string()) {
        writeBytes(path, bytes);
    }
    std::string bytes() const { return readBytes(path); }

    ScratchDir dir;
    std::string path;
};

}  // namespace kavtra::test
