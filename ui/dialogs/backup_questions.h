#pragma once

#include <optional>
#include <string>

class QWidget;

namespace kavtra {

// The window's way to the setup's backup (what kavtra --export and --import
// do): the archive chosen in a file dialog, the questions and what came of
// it in message boxes.

// Writes the archive where the user chooses, with the secrets only when the
// user says so, and tells what it holds or why it was not written.
void saveBackupFromWindow(const std::string& filesDir, QWidget* parent);

// The archive to restore from, once it is checked whole and the user has
// agreed that the program ends for it and starts again; nothing when the
// user backs out or the archive is refused (after saying why: then nothing
// has changed).
std::optional<std::string> chooseBackupToRestore(const std::string& filesDir, QWidget* parent);

}  // namespace kavtra
