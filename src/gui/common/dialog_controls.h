// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QWidget;

namespace sv {

// Controls placed by hand at their design positions, as the dialogs lay themselves out.
template <typename T> T* Make(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* widget = new T(text, parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry);

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items, QRect geometry,
                     const QString& hint = {});

// Two arrow buttons beside `edit` that step its number by one inside [min, max], without wrapping.
QWidget* MakeUpDown(QWidget* parent, const char* name, QLineEdit* edit, int min, int max);

} // namespace sv
