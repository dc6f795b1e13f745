#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace kavtra {

// Shows a page in the desktop's browser without waiting for it, and calls
// `failed` when none will show it: at once when nothing could be started,
// or later, when the system's opener ends with a failure (xdg-open finds no
// browser, or one that will not start as root, only after it has started).
void openPage(const QUrl& page, std::function<void()> failed);

// The same through `opener`, a program that takes the address as its one
// argument and ends with status 0 when it showed the page.
void openPageWith(const QString& opener, const QUrl& page, std::function<void()> failed);

}  // namespace kavtra
