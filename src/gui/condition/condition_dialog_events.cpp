// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor does: opening from a condition, the enabling rules, the close request.
#include "gui/condition/condition_dialog.h"

#include "gui/common/help_key.h"
#include "gui/common/qt_text.h"
#include "platform/help.h"
#include "platform/pathtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

#include <algorithm>

namespace sv {
namespace {

std::string S(const QString& text) {
    return text.toStdString();
}

void SetRowEnabled(bool on, std::initializer_list<QWidget*> widgets) {
    for (QWidget* w : widgets)
        w->setEnabled(on);
}

} // namespace

std::optional<TSortCondition> TFormCond::Execute(const CondEditRequest& request) {
    Open(request);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
    return result() == QDialog::Accepted ? m_result : std::nullopt;
}

void TFormCond::Open(const CondEditRequest& request) {
    m_opened = OpenForm(request);
    m_result.reset();
    m_okClose = false;
    // Every opening reads the folders afresh, once the list is looked at.
    m_options = request.options;
    m_mainFolders = request.mainFolders;
    m_targets = TargetListing(*m_env.files);
    m_targetsShown.reset();
    m_targetsFault.clear();
    WriteForm(m_opened);
    EditKeyword->setFocus();
}

void TFormCond::WriteForm(const TCondForm& f) {
    EditKeyword->setText(Q(f.keywordText));
    m_lastKeyword = f.keywordText;
    EditComment->setText(Q(f.settingName));
    m_lastComment = f.settingName;
    EditDest->setText(Q(f.destText));
    EdSource->setText(Q(f.sourceText));
    setWindowTitle(Q(f.caption));

    (f.ownSource ? RdBtnFolder : RdBtnMain)->setChecked(true);
    (f.keywordOr ? RdBtnOr : RdBtnAnd)->setChecked(true);
    (f.excludeOr ? RdBtnNotOr : RdBtnNotAnd)->setChecked(true);
    ChkBoxKaiFolder->setChecked(f.subFolders);
    CheckBoxHanZen->setChecked(f.widthFold);
    CheckBoxLargeSmall->setChecked(f.caseFold);
    ChkBoxExtChange->setChecked(f.extChangeOff);
    ChkBoxExtChange->setEnabled(f.extRulesExist);
    ChkBoxNoHistory->setChecked(f.historyOff);
    ChkBoxDup->setChecked(f.compareOff);
    ChkBoxOption->setChecked(f.showOther);
    ChkBoxFolder->setChecked(f.includeFolders);
    ChkBoxCopy->setChecked(f.copyMode);
    ChkBoxHira->setChecked(f.kanaFold);

    const auto writeSize = [](const TSizeRow& row, QCheckBox* tick, QLineEdit* edit, QComboBox* unit,
                              QComboBox* relation) {
        tick->setChecked(row.on);
        edit->setText(Q(row.text));
        unit->setCurrentIndex(row.unit);
        relation->setCurrentIndex(row.relation);
    };
    writeSize(f.size1, ChkCondition1, EditSize1, CboSize1, CboSelect1);
    writeSize(f.size2, ChkCondition2, EditSize2, CboSize2, CboSelect2);

    ChkBoxTimeStamp->setChecked(f.timestampFolder);
    const auto boxes = PatternBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setCurrentIndex(f.pattern[i]);

    ChkBoxOnlyFolder->setChecked(f.onlyFolders);

    const std::array<QCheckBox*, 2> dateTicks{chkTimeLimit1, chkTimeLimit2};
    const std::array<QDateEdit*, 2> pickers{DTPick1, DTPick2};
    const std::array<QComboBox*, 2> dateRelations{cboDTP1, cboDTP2};
    for (std::size_t i = 0; i < 2; ++i) {
        const TDateLimitRow& row = f.dateLimits[i];
        dateTicks[i]->setChecked(row.on);
        pickers[i]->setDate(QDate(row.year, row.month, row.day));
        dateRelations[i]->setCurrentIndex(row.relation);
    }
    const std::array<QCheckBox*, 2> ageTicks{chkTimeLimit3, chkTimeLimit4};
    const std::array<QLineEdit*, 2> counts{EditTimeLimit1, EditTimeLimit2};
    const std::array<QComboBox*, 2> terms{cboTerm1, cboTerm11};
    const std::array<QComboBox*, 2> ageRelations{cboTerm2, cboTerm12};
    for (std::size_t i = 0; i < 2; ++i) {
        const TAgeLimitRow& row = f.ageLimits[i];
        ageTicks[i]->setChecked(row.on);
        counts[i]->setText(Q(row.count));
        terms[i]->setCurrentIndex(row.term);
        ageRelations[i]->setCurrentIndex(row.relation);
    }

    // Setting a box to the state it had runs no handler, so every rule is applied once more.
    RdBtnSourceClick();
    ChkBoxCopyClick();
    ChkBoxSizeClick();
    chkTimeLimit1Click();
    ChkBoxTimeStampClick();
    ChkBoxOptionClick();
    Timer1Timer();
}

TCondForm TFormCond::ReadForm() const {
    TCondForm f = m_opened;
    f.settingName = S(EditComment->text());
    f.ownSource = RdBtnFolder->isChecked();
    f.sourceText = S(EdSource->text());
    f.subFolders = ChkBoxKaiFolder->isChecked();
    f.keywordOr = RdBtnOr->isChecked();
    f.excludeOr = RdBtnNotOr->isChecked();
    f.keywordText = S(EditKeyword->text());
    f.destText = S(EditDest->text());
    f.copyMode = ChkBoxCopy->isChecked();
    f.showOther = ChkBoxOption->isChecked();
    f.caseFold = CheckBoxLargeSmall->isChecked();
    f.widthFold = CheckBoxHanZen->isChecked();
    f.kanaFold = ChkBoxHira->isChecked();
    f.compareOff = ChkBoxDup->isChecked();
    f.historyOff = ChkBoxNoHistory->isChecked();
    f.extChangeOff = ChkBoxExtChange->isChecked();
    f.includeFolders = ChkBoxFolder->isChecked();
    f.onlyFolders = ChkBoxOnlyFolder->isChecked();
    f.size1 = {ChkCondition1->isChecked(), S(EditSize1->text()), CboSize1->currentIndex(),
               CboSelect1->currentIndex()};
    f.size2 = {ChkCondition2->isChecked(), S(EditSize2->text()), CboSize2->currentIndex(),
               CboSelect2->currentIndex()};
    f.timestampFolder = ChkBoxTimeStamp->isChecked();
    const auto boxes = PatternBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        f.pattern[i] = boxes[i]->currentIndex();
    const std::array<std::pair<QCheckBox*, QDateEdit*>, 2> dates{
        {{chkTimeLimit1, DTPick1}, {chkTimeLimit2, DTPick2}}};
    for (std::size_t i = 0; i < 2; ++i) {
        const QDate date = dates[i].second->date();
        f.dateLimits[i] = {dates[i].first->isChecked(), date.year(), date.month(), date.day(),
                           (i == 0 ? cboDTP1 : cboDTP2)->currentIndex()};
    }
    f.ageLimits[0] = {chkTimeLimit3->isChecked(), S(EditTimeLimit1->text()), cboTerm1->currentIndex(),
                      cboTerm2->currentIndex()};
    f.ageLimits[1] = {chkTimeLimit4->isChecked(), S(EditTimeLimit2->text()), cboTerm11->currentIndex(),
                      cboTerm12->currentIndex()};
    return f;
}

void TFormCond::BtnOkClick() {
    m_okClose = true;
    done(QDialog::Accepted);
}

void TFormCond::BtnCancelClick() {
    done(QDialog::Rejected);
}

// Every way of closing ends here (OK, Cancel, Esc, the close box); only OK is an accept.
void TFormCond::done(int result) {
    const bool accept = m_okClose && result == QDialog::Accepted;
    m_okClose = false;
    TCondForm form = ReadForm();
    NormaliseFolderTexts(form);
    EdSource->setText(Q(form.sourceText));
    EditDest->setText(Q(form.destText));
    if (!accept) {
        m_result.reset();
        QDialog::done(QDialog::Rejected);
        return;
    }
    TCloseResult closing = CheckAndCompose(form, *m_env.box, *m_env.files);
    if (!closing.condition) {
        FocusControl(closing.focus);
        return;
    }
    m_result = std::move(closing.condition);
    QDialog::done(QDialog::Accepted);
}

void TFormCond::FocusControl(CondControl control) {
    QWidget* target = nullptr;
    switch (control) {
    case CondControl::None:
        return;
    case CondControl::EditComment:
        target = EditComment;
        break;
    case CondControl::EdSource:
        // With the main window's folder selected the edit is disabled; its radio button is next.
        target = EdSource->isEnabled() ? static_cast<QWidget*>(EdSource) : RdBtnFolder;
        break;
    case CondControl::EditKeyword:
        target = EditKeyword;
        break;
    case CondControl::EditDest:
        target = EditDest;
        break;
    case CondControl::EditSize1:
    case CondControl::EditSize2:
        // The size to correct must be visible.
        ChkBoxOption->setChecked(true);
        PageControl1->setCurrentWidget(TabSheetDoubt);
        target = control == CondControl::EditSize1 ? EditSize1 : EditSize2;
        break;
    case CondControl::EditTimeLimit1:
    case CondControl::EditTimeLimit2:
        ChkBoxOption->setChecked(true);
        PageControl1->setCurrentWidget(TabSheet1);
        target = control == CondControl::EditTimeLimit1 ? EditTimeLimit1 : EditTimeLimit2;
        break;
    }
    target->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        edit->selectAll();
}

void TFormCond::BtnHelpClick() {
    ShowHelp(m_env.programFolder, help::Condition, *m_env.shell, *m_env.box);
}

void TFormCond::keyPressEvent(QKeyEvent* event) {
    if (IsHelpKey(*event)) {
        BtnHelpClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormCond::BtnDefaultClick() {
    const auto def = BuildDefaultCondition(ReadForm(), *m_env.box);
    if (def && m_env.saveDefault)
        m_env.saveDefault(*def);
}

void TFormCond::BrowseFolder(QLineEdit* edit, const char* title) {
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.title = title;
    request.start = FromNativePath(S(edit->text()));
    if (const auto chosen = m_env.fileDialog->Choose(request))
        edit->setText(Q(ToNativePath(*chosen)));
}

void TFormCond::BtnRefSourceClick() {
    BrowseFolder(EdSource, "振り分け元フォルダを選択してください。");
}

void TFormCond::ButtonRefClick() {
    BrowseFolder(EditDest, "振り分け先フォルダを選択してください。");
}

void TFormCond::LimitBytes(QLineEdit* edit, std::string* last, std::size_t maxBytes) {
    const std::string now = S(edit->text());
    const TLimitedEdit limited = LimitEdit(*last, now, maxBytes);
    *last = limited.text;
    if (limited.text == now)
        return;
    // Like typing into a full edit: what does not fit is not taken.
    edit->setText(Q(limited.text));
    edit->setCursorPosition(static_cast<int>(Q(limited.text.substr(0, limited.cursor)).size()));
    QApplication::beep();
}

void TFormCond::RdBtnSourceClick() {
    SetRowEnabled(RdBtnFolder->isChecked(), {EdSource, BtnRefSource, ChkBoxKaiFolder});
}

void TFormCond::ChkBoxCopyClick() {
    // Copying never compares, and without the options' compare the box has nothing to switch off;
    // its tick is kept and stored either way.
    ChkBoxDup->setEnabled(!ChkBoxCopy->isChecked() && m_opened.fileCompOn);
}

void TFormCond::ChkBoxSizeClick() {
    SetRowEnabled(ChkCondition1->isChecked(), {EditSize1, UpDown1, CboSize1, CboSelect1, LblSize1});
    SetRowEnabled(ChkCondition2->isChecked(), {EditSize2, UpDown2, CboSize2, CboSelect2, LblSize2});
}

void TFormCond::chkTimeLimit1Click() {
    SetRowEnabled(chkTimeLimit1->isChecked(), {DTPick1, cboDTP1, LblTime1});
    SetRowEnabled(chkTimeLimit2->isChecked(), {DTPick2, cboDTP2, LblTime2});
    SetRowEnabled(chkTimeLimit3->isChecked(), {EditTimeLimit1, UpDownLimit1, cboTerm1, cboTerm2, LblTime3});
    SetRowEnabled(chkTimeLimit4->isChecked(), {EditTimeLimit2, UpDownLimit2, cboTerm11, cboTerm12, LblTime4});
}

void TFormCond::ChkBoxTimeStampClick() {
    const bool on = ChkBoxTimeStamp->isChecked();
    SetRowEnabled(on, {Lbl1, Lbl2, LblPath});
    for (QComboBox* box : PatternBoxes())
        box->setEnabled(on);
}

void TFormCond::ChkBoxOptionClick() {
    // Unticked, the pages are cut off below the buttons.
    const QWidget* bottom = ChkBoxOption->isChecked() ? static_cast<QWidget*>(PageControl1) : BtnOk;
    setFixedSize(width(), bottom->y() + bottom->height() + 6);
}

void TFormCond::Timer1Timer() {
    std::array<int, 9> indexes{};
    const auto boxes = PatternBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        indexes[i] = boxes[i]->currentIndex();
    const TPatternPreview preview = BuildPatternPreview(indexes);
    LblPath->setText(Q(ToNativePath(preview.path)));
    LblPattern->setText(Q("（パターンコード：" + preview.code + "） "));
    UpdateTargets();
}

} // namespace sv
