// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ports/qt_messagebox.h"

#include "platform/unattended.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>

namespace sv {
namespace {

QMessageBox::Icon ToQt(MbIcon icon) {
    switch (icon) {
    case MbIcon::Information:
        return QMessageBox::Information;
    case MbIcon::Question:
        return QMessageBox::Question;
    case MbIcon::Warning:
        return QMessageBox::Warning;
    case MbIcon::Error:
        return QMessageBox::Critical;
    case MbIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MbButtons buttons) {
    switch (buttons) {
    case MbButtons::Ok:
        return QMessageBox::Ok;
    case MbButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MbButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MbButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQt(MbAnswer answer) {
    switch (answer) {
    case MbAnswer::Ok:
        return QMessageBox::Ok;
    case MbAnswer::Cancel:
        return QMessageBox::Cancel;
    case MbAnswer::Yes:
        return QMessageBox::Yes;
    case MbAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// The answer a closed box (Esc or the close box) gives: Cancel or No where there is one.
MbAnswer EscapeAnswer(MbButtons buttons) {
    switch (buttons) {
    case MbButtons::Ok:
        return MbAnswer::Ok;
    case MbButtons::OkCancel:
    case MbButtons::YesNoCancel:
        return MbAnswer::Cancel;
    case MbButtons::YesNo:
        return MbAnswer::No;
    }
    return MbAnswer::Cancel;
}

} // namespace

MbAnswer QtMessageBox::Show(const MessageBoxRequest& request) {
    // Without a display nobody can answer: the box answers itself and says so on standard error.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        const MbAnswer answer = UnattendedAnswer(request);
        std::cerr << UnattendedLine(request, answer) << std::endl;
        return answer;
    }
    QWidget* owner = m_owner != nullptr ? m_owner : QApplication::activeWindow();
    QMessageBox box(ToQt(request.icon), QString::fromStdString(request.title),
                    QString::fromStdString(request.text), ToQt(request.buttons), owner);
    box.setTextFormat(Qt::PlainText);
    const QMessageBox::StandardButton def = ToQt(request.defaultButton);
    if ((ToQt(request.buttons) & def) != 0)
        box.setDefaultButton(def);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MbAnswer::Ok;
    case QMessageBox::Cancel:
        return MbAnswer::Cancel;
    case QMessageBox::Yes:
        return MbAnswer::Yes;
    case QMessageBox::No:
        return MbAnswer::No;
    default:
        return EscapeAnswer(request.buttons);
    }
}

} // namespace sv
