#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace kavtra {

// A Windows icon file holding the given square pictures (1 to 256 pixels),
// each as a 32-bit bitmap with its alpha channel: what the executable's
// resource, the Start-menu shortcut and the installer show.
QByteArray icoFile(const QList<QImage>& pictures);

}  // namespace kavtra
