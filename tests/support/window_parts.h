#pragma once

#include <QAction>
#include <QMenu>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "ui/main/find_bar.h"
#include "ui/main/main_status_bar.h"
#include "ui/main/my_frm.h"
#include "ui/main/output_list.h"

namespace kavtra::test {

// The main window's parts, found as any widget is found: by their type and
// the object name the window gives them. A part that is not there fails the
// test that asked for it.
template <class Part>
Part& partOf(const MyFrm& frm, const char* objectName) {
    if (auto* part = frm.findChild<Part*>(QString::fromLatin1(objectName))) return *part;
    throw std::logic_error(std::string("the window has no part named ") + objectName);
}

inline OutputList& listOf(const MyFrm& frm) { return partOf<OutputList>(frm, "List1"); }
inline FindBar& findBarOf(const MyFrm& frm) { return partOf<FindBar>(frm, "findBar"); }
inline MainStatusBar& statusOf(const MyFrm& frm) { return partOf<MainStatusBar>(frm, "status"); }
inline QTimer& geometryTimerOf(const MyFrm& frm) { return partOf<QTimer>(frm, "Timer1"); }
// "on_all", "off_all", "options_menu", "about_menu", "journal_menu",
// "undo_menu", "findAction".
inline QAction& actionOf(const MyFrm& frm, const char* objectName) { return partOf<QAction>(frm, objectName); }
// "outmenu", "editmenu", "groupmenu", "scenemenu", "propmenu".
inline QMenu& menuOf(const MyFrm& frm, const char* objectName) { return partOf<QMenu>(frm, objectName); }

// The entries of a menu or the menu bar as they read, in order; a separator
// reads "-".
inline QStringList entriesOf(const QWidget& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// The entry reached through the menus by their texts: {"Удалить группу", "Сад"}.
inline QAction& entryOf(const QMenu& menu, const QStringList& path) {
    const QMenu* in = &menu;
    QAction* found = nullptr;
    for (const QString& text : path) {
        const QList<QAction*> entries = in ? in->actions() : QList<QAction*>();
        const auto it = std::find_if(entries.begin(), entries.end(), [&](QAction* a) { return a->text() == text; });
        if (it == entries.end()) throw std::logic_error("no menu entry " + path.join(" > ").toStdString());
        found = *it;
        in = found->menu();
    }
    if (!found) throw std::logic_error("an empty menu path");
    return *found;
}

// One tick of the geometry saver, as its timer gives it, without waiting for
// the timer (which the tests stop).
inline void tickGeometrySaver(const MyFrm& frm) {
    if (!QMetaObject::invokeMethod(&geometryTimerOf(frm), "timeout", Qt::DirectConnection))
        throw std::logic_error("the geometry saver's timer cannot be ticked");
}

}  // namespace kavtra::test
