// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/dialog_controls.h"

#include "platform/text.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    return edit;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items, QRect geometry,
                     const QString& hint) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    box->setGeometry(geometry);
    box->setToolTip(hint);
    box->setCurrentIndex(0);
    return box;
}

QWidget* MakeUpDown(QWidget* parent, const char* name, QLineEdit* edit, int min, int max) {
    auto* frame = new QWidget(parent);
    frame->setObjectName(QString::fromLatin1(name));
    const QRect at = edit->geometry();
    frame->setGeometry(at.right() + 1, at.top(), 16, at.height());
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const int step : {1, -1}) {
        auto* button = new QToolButton(frame);
        button->setObjectName(QString::fromLatin1(step > 0 ? "Up" : "Down"));
        button->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
        QObject::connect(button, &QToolButton::clicked, edit, [edit, step, min, max] {
            const auto value = ParseInteger(edit->text().toStdString());
            const long long now = value ? std::clamp<long long>(*value, min, max) : min;
            edit->setText(QString::number(std::clamp<long long>(now + step, min, max)));
        });
    }
    return frame;
}

} // namespace sv
