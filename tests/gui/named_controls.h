// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window's controls as a test reaches them: by the object names the window gives them, and
// through the events a user causes.

#include <QAbstractItemView>
#include <QMenu>
#include <QPoint>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace sv::testing {

// The window's control of that name and type; a missing one ends the test program at once, since
// every later step would only fail less clearly.
template <class T> T* Named(const QObject* window, const char* name) {
    T* control = window->findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) {
        std::fprintf(stderr, "no control named %s\n", name);
        std::abort();
    }
    return control;
}

// A right click on the window's list named `listName`: the list asks for its context menu, the
// window prepares and opens the menu named `menuName`, which is closed again so that its commands
// can be triggered one by one.
inline void OpenContextMenu(const QObject* window, const char* listName = "ListView1",
                            const char* menuName = "PopupMenu1") {
    auto* list = Named<QAbstractItemView>(window, listName);
    emit list->customContextMenuRequested(QPoint(1, 1));
    Named<QMenu>(window, menuName)->hide();
}

} // namespace sv::testing
