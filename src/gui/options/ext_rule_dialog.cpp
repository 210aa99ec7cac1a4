// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/options/ext_rule_dialog.h"

#include "dialogs/option_form_logic.h"
#include "gui/common/dialog_controls.h"
#include "gui/common/window_look.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace sv {

TFormExt::TFormExt(MessageBox& box, QWidget* parent) : QDialog(parent), m_box(box) {
    setObjectName(QStringLiteral("FormExt"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(ProgramFont());
    setModal(true);
    setFixedSize(245, 116);
    Make<QLabel>(this, "Label1", QStringLiteral("変更前"), QRect(12, 8, 90, 16));
    Make<QLabel>(this, "Label2", QStringLiteral("変更後"), QRect(138, 8, 90, 16));
    EditBefore = MakeEdit(this, "EditBefore", QRect(12, 26, 95, 22));
    EditAfter = MakeEdit(this, "EditAfter", QRect(138, 26, 95, 22));
    auto* arrow = Make<QLabel>(this, "Label3", QStringLiteral("→"), QRect(112, 26, 22, 22));
    QFont bold = arrow->font();
    bold.setBold(true);
    arrow->setFont(bold);
    arrow->setAlignment(Qt::AlignCenter);
    for (const auto& [name, text, top] : {std::tuple{"Label4", "※複数指定することはできません。", 52},
                                          std::tuple{"Label5", "※ピリオド(.．)は不要です。", 66}}) {
        auto* note = Make<QLabel>(this, name, QString::fromUtf8(text), QRect(12, top, 225, 14));
        note->setStyleSheet(QStringLiteral("color: red;"));
    }
    BtnOk = Make<QPushButton>(this, "BtnOk", QStringLiteral("OK"), QRect(78, 86, 75, 24));
    BtnOk->setDefault(true);
    BtnCancel = Make<QPushButton>(this, "BtnCancel", QStringLiteral("キャンセル"), QRect(160, 86, 75, 24));
    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
}

void TFormExt::Prepare(const QString& caption, const TExtRule& rule) {
    setWindowTitle(caption);
    m_result.reset();
    EditBefore->setText(QString::fromStdString(rule.ExtBefore));
    EditAfter->setText(QString::fromStdString(rule.ExtAfter));
    EditBefore->setFocus();
}

std::optional<TExtRule> TFormExt::Execute(const QString& caption, const TExtRule& rule) {
    Prepare(caption, rule);
    CentreOnDesktop(*this);
    exec();
    return m_result;
}

void TFormExt::BtnOkClick() {
    const TExtRuleCheck check =
        CheckExtRule(EditBefore->text().toStdString(), EditAfter->text().toStdString());
    // The texts stand trimmed in the edits, as the check saw them.
    EditBefore->setText(EditBefore->text().trimmed());
    EditAfter->setText(EditAfter->text().trimmed());
    if (!check.rule) {
        Tell(m_box, kExtRuleErrorTitle, check.message, MbIcon::Warning);
        (check.focus == ExtRuleField::After ? EditAfter : EditBefore)->setFocus();
        return;
    }
    m_result = check.rule;
    accept();
}

void TFormExt::BtnCancelClick() {
    m_result.reset();
    reject();
}

} // namespace sv
