// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/condition_form_logic.h"
#include "dialogs/condition_targets.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QDialog>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QTreeView;
class QWidget;

namespace sv {

// The ports and the place of the help pages the condition editor works with.
struct TCondDialogEnv final {
    std::string programFolder; // path text; the help pages live below it
    MessageBox* box = nullptr;
    FileDialog* fileDialog = nullptr;
    Shell* shell = nullptr;
    // BtnDefault hands the new default here; the owner of the settings stores it (ApplyDefault)
    // and runs the common save of the settings and conditions. Returns whether all was written.
    std::function<bool(const TDefaultCondition&)> saveDefault;
    // What the folder checks and the list of what a condition takes ask after the disk.
    FileSystem* files = &Disk();
};

class TTargetModel;

// The modal editor of one sorting condition. Created once and reused; every opening
// re-initialises the controls from the condition passed in.
//
// Wiring in the main window (the ticks are already in the conditions' coded texts):
//   Add:  refuse with a message when m_list.IsFull(); else
//         if (auto c = m_formCond->Execute(AddConditionRequest(m_settings))) insert *c above the
//         selected row (or at the top), select it, scroll to it, save.
//   Edit: if (auto c = m_formCond->Execute(EditConditionRequest(m_list.At(row), RowChecked(row),
//         m_settings))) put *c at row, refresh it, save.
//   env.saveDefault = [this](const TDefaultCondition& d) { ApplyDefault(d, m_settings); return SaveAll(); };
class TFormCond final : public QDialog {
    Q_OBJECT

public:
    explicit TFormCond(TCondDialogEnv env, QWidget* parent = nullptr);

    // Shows the dialog modally for `request`: the new condition when it was accepted, nothing when
    // it was cancelled.
    std::optional<TSortCondition> Execute(const CondEditRequest& request);

    // Initialises every control from `request` without showing the dialog (Execute does this).
    void Open(const CondEditRequest& request);
    // The condition of the last accepted close, nothing after a cancel.
    const std::optional<TSortCondition>& Result() const { return m_result; }
    // The controls as plain data.
    TCondForm ReadForm() const;
    // How often the list of what the condition takes has read its folders since the dialog was made.
    int TargetReads() const { return m_targetReads; }

    // Handlers, named after their control and event.
    void BtnOkClick();
    void BtnCancelClick();
    void BtnHelpClick();
    void BtnDefaultClick();
    void BtnRefSourceClick();
    void ButtonRefClick();
    void RdBtnSourceClick();
    void ChkBoxCopyClick();
    void ChkBoxSizeClick();
    void chkTimeLimit1Click();
    void ChkBoxTimeStampClick();
    void ChkBoxOptionClick();
    void Timer1Timer();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateTopArea();
    void CreatePageGeneral(QWidget* page);
    void CreatePageSize(QWidget* page);
    void CreatePageTime(QWidget* page);
    void CreatePageStamp(QWidget* page);
    void CreatePageTargets(QWidget* page);
    // The list of what the condition takes, made again when the condition changed while its page
    // is shown; its folders are read again only when the source changed.
    void UpdateTargets();
    void ShowTargets(const TTargetList& list);
    void WriteForm(const TCondForm& form);
    void FocusControl(CondControl control);
    void LimitBytes(QLineEdit* edit, std::string* last, std::size_t maxBytes);
    void BrowseFolder(QLineEdit* edit, const char* title);

    TCondDialogEnv m_env;
    TCondForm m_opened; // what the last opening carried beside the controls
    std::optional<TSortCondition> m_result;
    bool m_okClose = false;
    std::string m_lastComment;
    std::string m_lastKeyword;
    TAppSettings m_options;
    std::vector<std::string> m_mainFolders;
    TargetListing m_targets;
    std::optional<TSortCondition> m_targetsShown; // the condition the list shows
    std::string m_targetsFault;                   // or why it shows nothing
    int m_targetReads = 0;
    TTargetModel* m_targetModel = nullptr;

public:
    // Controls keep their component names.
    QLabel* Label5 = nullptr;
    QLineEdit* EditComment = nullptr;
    QGroupBox* GrpBoxSource = nullptr;
    QRadioButton* RdBtnMain = nullptr;
    QRadioButton* RdBtnFolder = nullptr;
    QLineEdit* EdSource = nullptr;
    QPushButton* BtnRefSource = nullptr;
    QCheckBox* ChkBoxKaiFolder = nullptr;
    QFrame* PanelKeyword = nullptr;
    QLabel* LblKeyword = nullptr;
    QRadioButton* RdBtnAnd = nullptr;
    QRadioButton* RdBtnOr = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* LblExclude = nullptr;
    QRadioButton* RdBtnNotAnd = nullptr;
    QRadioButton* RdBtnNotOr = nullptr;
    QLineEdit* EditKeyword = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EditDest = nullptr;
    QPushButton* ButtonRef = nullptr;
    QCheckBox* ChkBoxCopy = nullptr;
    QCheckBox* ChkBoxOption = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnHelp = nullptr;
    QPushButton* BtnDefault = nullptr;
    QTabWidget* PageControl1 = nullptr;

    // 一般
    QWidget* TabSheetSameName = nullptr;
    QCheckBox* CheckBoxLargeSmall = nullptr;
    QCheckBox* CheckBoxHanZen = nullptr;
    QCheckBox* ChkBoxHira = nullptr;
    QCheckBox* ChkBoxDup = nullptr;
    QCheckBox* ChkBoxNoHistory = nullptr;
    QCheckBox* ChkBoxExtChange = nullptr;
    QCheckBox* ChkBoxFolder = nullptr;
    QCheckBox* ChkBoxOnlyFolder = nullptr;

    // ファイルサイズ限定
    QWidget* TabSheetDoubt = nullptr;
    QCheckBox* ChkCondition1 = nullptr;
    QLineEdit* EditSize1 = nullptr;
    QWidget* UpDown1 = nullptr;
    QComboBox* CboSize1 = nullptr;
    QComboBox* CboSelect1 = nullptr;
    QLabel* LblSize1 = nullptr;
    QCheckBox* ChkCondition2 = nullptr;
    QLineEdit* EditSize2 = nullptr;
    QWidget* UpDown2 = nullptr;
    QComboBox* CboSize2 = nullptr;
    QComboBox* CboSelect2 = nullptr;
    QLabel* LblSize2 = nullptr;

    // タイムスタンプ限定
    QWidget* TabSheet1 = nullptr;
    QCheckBox* chkTimeLimit1 = nullptr;
    QDateEdit* DTPick1 = nullptr;
    QComboBox* cboDTP1 = nullptr;
    QLabel* LblTime1 = nullptr;
    QCheckBox* chkTimeLimit2 = nullptr;
    QDateEdit* DTPick2 = nullptr;
    QComboBox* cboDTP2 = nullptr;
    QLabel* LblTime2 = nullptr;
    QCheckBox* chkTimeLimit3 = nullptr;
    QLineEdit* EditTimeLimit1 = nullptr;
    QWidget* UpDownLimit1 = nullptr;
    QComboBox* cboTerm1 = nullptr;
    QComboBox* cboTerm2 = nullptr;
    QLabel* LblTime3 = nullptr;
    QCheckBox* chkTimeLimit4 = nullptr;
    QLineEdit* EditTimeLimit2 = nullptr;
    QWidget* UpDownLimit2 = nullptr;
    QComboBox* cboTerm11 = nullptr;
    QComboBox* cboTerm12 = nullptr;
    QLabel* LblTime4 = nullptr;

    // 振り分け先フォルダ作成
    QWidget* TabSheet2 = nullptr;
    QCheckBox* ChkBoxTimeStamp = nullptr;
    QWidget* Lbl1 = nullptr;
    QComboBox* CboYY = nullptr;
    QComboBox* CboYY_ = nullptr;
    QComboBox* CboMM = nullptr;
    QComboBox* CboMM_ = nullptr;
    QComboBox* CboDD = nullptr;
    QComboBox* CboDD_ = nullptr;
    QComboBox* CboHH = nullptr;
    QComboBox* CboHH_ = nullptr;
    QComboBox* CboNN = nullptr;
    QLabel* Lbl2 = nullptr;
    QLabel* LblPath = nullptr;
    QLabel* LblPattern = nullptr;

    // 振り分け対象
    QWidget* TabSheetTarget = nullptr;
    QLabel* LblTargetCount = nullptr;
    QLabel* LblTargetNote = nullptr;
    QTreeView* ListTarget = nullptr;

    QTimer* Timer1 = nullptr;

private:
    std::array<QComboBox*, 9> PatternBoxes() const;
};

} // namespace sv
