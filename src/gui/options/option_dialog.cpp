// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog's behaviour: loading, the enabling rules, the rule list and the close.
#include "gui/options/option_dialog.h"

#include "gui/common/help_key.h"
#include "gui/common/qt_text.h"
#include "gui/common/window_look.h"
#include "gui/options/ext_rule_dialog.h"
#include "platform/help.h"
#include "platform/pathtext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

std::string S(const QLineEdit* edit) {
    return edit->text().toStdString();
}

// A file manager on Linux is a file the user may run, whatever its name.
bool IsExecutableFile(const std::string& pathText) {
    if (pathText.empty())
        return false;
    const std::string native = ToNativePath(pathText);
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(native.c_str(), X_OK) == 0;
}

} // namespace

TFormOption::TFormOption(TOptionDialogEnv env, QWidget* parent) : QDialog(parent), m_env(std::move(env)) {
    setObjectName(QStringLiteral("FormOption"));
    setWindowTitle(QStringLiteral("オプション"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setFont(ProgramFont());
    setModal(true);
    setFixedSize(560, 348);
    CreatePages();
    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(312, 316, 75, 25);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(394, 316, 75, 25);
    BtnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    BtnHelp->setObjectName(QStringLiteral("BtnHelp"));
    BtnHelp->setGeometry(476, 316, 75, 25);
    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    connect(BtnHelp, &QPushButton::clicked, this, [this] { BtnHelpClick(); });
    m_ext = std::make_unique<TFormExt>(*m_env.box, this);
}

TFormOption::~TFormOption() = default;

std::optional<TAppSettings> TFormOption::Execute(const TAppSettings& settings) {
    Load(settings);
    CentreOnDesktop(*this);
    exec();
    return m_result;
}

// The controls in the dialog's loading order. The working state then stays while the dialog is
// open (also after the rule dialog), so nothing typed is lost before OK or Cancel.
void TFormOption::Load(const TAppSettings& settings) {
    m_settings = settings;
    m_result.reset();
    const TOptionForm f = OptionFormFrom(settings);
    SameSizeItems->button(f.sameSize)->setChecked(true);
    NotSameSizeItems->button(f.notSameSize)->setChecked(true);
    CheckBoxExe->setChecked(f.notExe);
    CheckBoxDouble->setChecked(f.notDouble);
    (f.notClass ? RadioButtonNotClass : RadioButtonClass)->setChecked(true);
    EditDoubtFolder->setText(Q(f.doubtFolder));
    EditNG->setText(Q(f.ngKeyword));
    CheckBoxIncomplete->setChecked(f.notIncomplete);
    (f.cycleExec ? RadioButtonCycleExec : RadioButtonNotCycleExec)->setChecked(true);
    GroupBoxCycleExecClick();
    m_rules = f.rules;
    ShowRules(std::nullopt);
    EditCycleExecTime->setText(Q(f.cycleExecTime));
    ChkBoxWatchSource->setChecked(f.watchSource);
    EditWatchWait->setText(Q(f.watchWait));
    ChkBoxWatchSourceClick();
    CheckBoxAllSourceExec->setChecked(f.execAll);
    CheckBoxDustBox->setChecked(f.dustBox);
    ChkBoxStartMin->setChecked(f.startMin);
    ChkBoxCloseMin->setChecked(f.closeMin);
    ChkBoxArchive->setChecked(f.archiveAlarm);
    ChkBoxFileComp->setChecked(f.fileComp);
    ChkBoxUsing->setChecked(f.fileUsing);
    EditUsingWait->setText(Q(f.usingWait));
    ChkBoxUsingClick();
    ChkBoxMakeFolder->setChecked(f.makeFolder);
    ChkBoxCheckBox->setChecked(f.execChkBox);
    ChkBoxReadOnly->setChecked(f.readOnly);
    ChkBoxHistMax->setChecked(f.histDel);
    EditHistMax->setText(Q(f.histMax));
    ChkBoxHistMaxClick();
    ChkBoxWinnyNG->setChecked(f.ny);
    ChkBoxWinnyNGClick();
    EdWinnyFolder->setText(Q(f.nyFolder));
    ChkBoxFiler->setChecked(f.filer);
    ChkBoxFilerClick();
    EdFiler->setText(Q(f.filerProg));
    CheckBoxExeClick();
    PageControl1->setCurrentIndex(0);
    BtnOk->setFocus();
}

TOptionForm TFormOption::Form() const {
    TOptionForm f;
    f.sameSize = SameSizeItems->checkedId();
    f.notSameSize = NotSameSizeItems->checkedId();
    f.notExe = CheckBoxExe->isChecked();
    f.notDouble = CheckBoxDouble->isChecked();
    f.notClass = !RadioButtonClass->isChecked();
    f.doubtFolder = S(EditDoubtFolder);
    f.ngKeyword = S(EditNG);
    f.notIncomplete = CheckBoxIncomplete->isChecked();
    f.fileUsing = ChkBoxUsing->isChecked();
    f.usingWait = S(EditUsingWait);
    f.rules = m_rules;
    f.cycleExec = RadioButtonCycleExec->isChecked();
    f.cycleExecTime = S(EditCycleExecTime);
    f.watchSource = ChkBoxWatchSource->isChecked();
    f.watchWait = S(EditWatchWait);
    f.execAll = CheckBoxAllSourceExec->isChecked();
    f.dustBox = CheckBoxDustBox->isChecked();
    f.archiveAlarm = ChkBoxArchive->isChecked();
    f.makeFolder = ChkBoxMakeFolder->isChecked();
    f.startMin = ChkBoxStartMin->isChecked();
    f.closeMin = ChkBoxCloseMin->isChecked();
    f.execChkBox = ChkBoxCheckBox->isChecked();
    f.readOnly = ChkBoxReadOnly->isChecked();
    f.fileComp = ChkBoxFileComp->isChecked();
    f.histDel = ChkBoxHistMax->isChecked();
    f.histMax = S(EditHistMax);
    f.ny = ChkBoxWinnyNG->isChecked();
    f.nyFolder = S(EdWinnyFolder);
    f.filer = ChkBoxFiler->isChecked();
    f.filerProg = S(EdFiler);
    return f;
}

// ---- Buttons and the close --------------------------------------------------------------------

void TFormOption::BtnOkClick() {
    TOptionForm form = Form();
    // A message is shown over its page, with the focus already on the control it is about.
    const std::optional<TOptionRefusal> refusal = CheckOptions(
        form, *m_env.box, IsExecutableFile, [this](const TOptionRefusal& where) { GoTo(where); });
    // The tidied folder texts stand in the edits, as they will be stored.
    EditDoubtFolder->setText(Q(form.doubtFolder));
    EdWinnyFolder->setText(Q(form.nyFolder));
    EdFiler->setText(Q(form.filerProg));
    if (refusal)
        return;
    TAppSettings stored = m_settings;
    StoreOptions(form, stored);
    m_result = stored;
    accept();
}

void TFormOption::GoTo(const TOptionRefusal& where) {
    PageControl1->setCurrentIndex(where.page);
    if (!where.focus.empty()) {
        if (auto* control = findChild<QWidget*>(Q(where.focus)))
            control->setFocus();
    }
}

void TFormOption::BtnCancelClick() {
    m_result.reset();
    reject();
}

void TFormOption::BtnHelpClick() {
    ShowHelp(m_env.programFolder, help::Options, *m_env.shell, *m_env.box);
}

void TFormOption::keyPressEvent(QKeyEvent* event) {
    if (IsHelpKey(*event)) {
        BtnHelpClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFormOption::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblMD5 && event->type() == QEvent::MouseButtonRelease) {
        lblMD5Click();
        return true;
    }
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            BtnEditClick();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            BtnDelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The digest library ships with the program; its help section tells about it.
void TFormOption::lblMD5Click() {
    ShowHelp(m_env.programFolder, help::Options, *m_env.shell, *m_env.box);
}

void TFormOption::ChooseFolder(QLineEdit* edit, const char* title) {
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.title = title;
    request.start = edit->text().isEmpty() ? std::string() : FromNativePath(S(edit));
    if (const auto chosen = m_env.fileDialog->Choose(request))
        edit->setText(Q(ToNativePath(*chosen)));
}

void TFormOption::ButtonRefClick() {
    ChooseFolder(EditDoubtFolder, "怪しいファイルの振り分け先フォルダを選択してください。");
}

void TFormOption::BtnWinnyNGClick() {
    ChooseFolder(EdWinnyFolder, "Winnyがあるフォルダを選択してください。");
}

// On Linux a file manager is not an ".exe": every file is listed, and OK checks that the chosen
// one may be run.
void TFormOption::BtnFilerClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = "ファイラプログラムの指定";
    request.start = EdFiler->text().isEmpty() ? std::string() : FromNativePath(S(EdFiler));
    request.filter = "ファイラプログラム (*)";
    if (const auto chosen = m_env.fileDialog->Choose(request); chosen && !chosen->empty())
        EdFiler->setText(Q(ToNativePath(*chosen)));
}

// ---- Enabling rules ---------------------------------------------------------------------------

void TFormOption::CheckBoxExeClick() {
    const bool any = CheckBoxExe->isChecked() || CheckBoxDouble->isChecked();
    RadioButtonNotClass->setEnabled(any);
    RadioButtonClass->setEnabled(any);
    EditDoubtFolder->setEnabled(any && RadioButtonClass->isChecked());
    ButtonRef->setEnabled(any && RadioButtonClass->isChecked());
}

void TFormOption::RadioButtonClassClick() {
    EditDoubtFolder->setEnabled(RadioButtonClass->isChecked());
    ButtonRef->setEnabled(RadioButtonClass->isChecked());
}

void TFormOption::GroupBoxCycleExecClick() {
    const bool on = !RadioButtonNotCycleExec->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(EditCycleExecTime), UpDown1, static_cast<QWidget*>(Label1)})
        w->setEnabled(on);
}

void TFormOption::ChkBoxWatchSourceClick() {
    const bool on = ChkBoxWatchSource->isChecked();
    for (QWidget* w :
         {static_cast<QWidget*>(EditWatchWait), UpDownWatchWait, static_cast<QWidget*>(LblWatchWait)})
        w->setEnabled(on);
}

// The quiet time only matters while files in use are passed over.
void TFormOption::ChkBoxUsingClick() {
    const bool on = ChkBoxUsing->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(LblUsingWait), static_cast<QWidget*>(EditUsingWait),
                       UpDownUsingWait, static_cast<QWidget*>(LblUsingWait2)})
        w->setEnabled(on);
}

void TFormOption::ChkBoxHistMaxClick() {
    const bool on = ChkBoxHistMax->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(EditHistMax), UpDown2, static_cast<QWidget*>(lblHist)})
        w->setEnabled(on);
}

void TFormOption::ChkBoxWinnyNGClick() {
    const bool on = ChkBoxWinnyNG->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(EdWinnyFolder), static_cast<QWidget*>(LblWinnyNG),
                       static_cast<QWidget*>(BtnWinnyNG)})
        w->setEnabled(on);
}

void TFormOption::ChkBoxFilerClick() {
    EdFiler->setEnabled(ChkBoxFiler->isChecked());
    BtnFiler->setEnabled(ChkBoxFiler->isChecked());
}

// ---- The rule list ----------------------------------------------------------------------------

void TFormOption::ShowRules(std::optional<std::size_t> select) {
    ListView1->clear();
    for (const TExtRule& rule : m_rules)
        ListView1->addTopLevelItem(new QTreeWidgetItem({Q(rule.ExtBefore), Q(rule.ExtAfter)}));
    if (select && *select < m_rules.size()) {
        QTreeWidgetItem* item = ListView1->topLevelItem(static_cast<int>(*select));
        ListView1->setCurrentItem(item);
        item->setSelected(true);
        ListView1->setFocus();
    }
    ListView1Click();
}

std::optional<std::size_t> TFormOption::SelectedRule() const {
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return static_cast<std::size_t>(ListView1->indexOfTopLevelItem(selected.front()));
}

void TFormOption::ListView1Click() {
    BtnAdd->setEnabled(m_rules.size() < kMaxExtRules);
    BtnEdit->setEnabled(SelectedRule().has_value());
    BtnDel->setEnabled(BtnEdit->isEnabled());
}

void TFormOption::BtnAddClick() {
    if (m_rules.size() >= kMaxExtRules)
        return;
    const auto rule = m_ext->Execute(QStringLiteral("追加 - 拡張子変更条件"), {});
    if (!rule)
        return;
    ShowRules(InsertExtRule(m_rules, SelectedRule(), *rule));
}

void TFormOption::BtnEditClick() {
    const auto row = SelectedRule();
    if (!row)
        return;
    const auto rule = m_ext->Execute(QStringLiteral("編集 - 拡張子変更条件"), m_rules[*row]);
    if (!rule)
        return;
    m_rules[*row] = *rule;
    ShowRules(row);
}

void TFormOption::BtnDelClick() {
    // The Delete key asks also with no rule selected (the button is disabled then); Yes then
    // deletes nothing.
    if (!Ask(*m_env.box, "Sorvanta", "選択した拡張子変更条件を削除しますか？"))
        return;
    const auto row = SelectedRule();
    if (!row)
        return;
    m_rules.erase(m_rules.begin() + static_cast<std::ptrdiff_t>(*row));
    ShowRules(std::nullopt);
}

} // namespace sv
