// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messagebox.h"
#include "store/settings.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace sv {

// The small dialog that edits one extension-change rule. Created once and reused.
class TFormExt final : public QDialog {
    Q_OBJECT

public:
    TFormExt(MessageBox& box, QWidget* parent = nullptr);

    // Shown modally with the caption and the two texts; the clean rule when it was accepted.
    std::optional<TExtRule> Execute(const QString& caption, const TExtRule& rule);
    // Prepares the controls as Execute does, without showing (for tests and for Execute).
    void Prepare(const QString& caption, const TExtRule& rule);
    const std::optional<TExtRule>& Result() const { return m_result; }

    void BtnOkClick();
    void BtnCancelClick();

public:
    QLineEdit* EditBefore = nullptr;
    QLineEdit* EditAfter = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

private:
    MessageBox& m_box;
    std::optional<TExtRule> m_result;
};

} // namespace sv
