// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/option_form_logic.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "store/settings.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;

namespace sv {

class TFormExt;

struct TOptionDialogEnv final {
    std::string programFolder; // path text; the help pages live below it
    MessageBox* box = nullptr;
    FileDialog* fileDialog = nullptr;
    Shell* shell = nullptr;
};

// The options dialog. Created once and reused; every opening loads the controls from the settings
// handed in and works on its own copy of the extension-change rules, so Cancel changes nothing.
class TFormOption final : public QDialog {
    Q_OBJECT

public:
    explicit TFormOption(TOptionDialogEnv env, QWidget* parent = nullptr);
    ~TFormOption() override;

    // Shown modally: the settings with the options stored when OK passed every check.
    std::optional<TAppSettings> Execute(const TAppSettings& settings);
    // Loads the controls as an opening does, without showing (tests, and Execute).
    void Load(const TAppSettings& settings);
    const std::optional<TAppSettings>& Result() const { return m_result; }
    TFormExt* RuleDialog() const { return m_ext.get(); }
    // The form as the controls hold it.
    TOptionForm Form() const;

    // Handlers, named after their control and event.
    void BtnOkClick();
    void BtnCancelClick();
    void BtnHelpClick();
    void ButtonRefClick();
    void BtnWinnyNGClick();
    void BtnFilerClick();
    void lblMD5Click();
    void CheckBoxExeClick();
    void RadioButtonClassClick();
    void GroupBoxCycleExecClick();
    void ChkBoxWatchSourceClick();
    void ChkBoxUsingClick();
    void ChkBoxHistMaxClick();
    void ChkBoxWinnyNGClick();
    void ChkBoxFilerClick();
    void BtnAddClick();
    void BtnEditClick();
    void BtnDelClick();
    void ListView1Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreatePages();
    void CreateSameNamePage(QWidget* page);
    void CreateDoubtPage(QWidget* page);
    void CreateNotClassPage(QWidget* page);
    void CreateExtChangePage(QWidget* page);
    void CreateOthers1Page(QWidget* page);
    void CreateOthers2Page(QWidget* page);
    void ShowRules(std::optional<std::size_t> select);
    std::optional<std::size_t> SelectedRule() const;
    // Selects the page and focuses the control a check is about.
    void GoTo(const TOptionRefusal& where);
    void ChooseFolder(QLineEdit* edit, const char* title);

    TOptionDialogEnv m_env;
    TAppSettings m_settings;
    std::vector<TExtRule> m_rules; // the working copy of the rule list
    std::optional<TAppSettings> m_result;
    std::unique_ptr<TFormExt> m_ext;

public:
    // Controls keep their component names.
    QTabWidget* PageControl1 = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnHelp = nullptr;
    QGroupBox* RadioGroupSameSize = nullptr;
    QGroupBox* RadioGroupNotSameSize = nullptr;
    QButtonGroup* SameSizeItems = nullptr;
    QButtonGroup* NotSameSizeItems = nullptr;
    QCheckBox* CheckBoxExe = nullptr;
    QCheckBox* CheckBoxDouble = nullptr;
    QRadioButton* RadioButtonNotClass = nullptr;
    QRadioButton* RadioButtonClass = nullptr;
    QLineEdit* EditDoubtFolder = nullptr;
    QPushButton* ButtonRef = nullptr;
    QLineEdit* EditNG = nullptr;
    QCheckBox* CheckBoxIncomplete = nullptr;
    QCheckBox* ChkBoxUsing = nullptr;
    QLabel* LblUsingWait = nullptr;
    QLineEdit* EditUsingWait = nullptr;
    QWidget* UpDownUsingWait = nullptr;
    QLabel* LblUsingWait2 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnEdit = nullptr;
    QPushButton* BtnDel = nullptr;
    QGroupBox* GroupBoxCycleExec = nullptr;
    QRadioButton* RadioButtonNotCycleExec = nullptr;
    QRadioButton* RadioButtonCycleExec = nullptr;
    QLineEdit* EditCycleExecTime = nullptr;
    QWidget* UpDown1 = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* ChkBoxWatchSource = nullptr;
    QLineEdit* EditWatchWait = nullptr;
    QWidget* UpDownWatchWait = nullptr;
    QLabel* LblWatchWait = nullptr;
    QCheckBox* CheckBoxAllSourceExec = nullptr;
    QCheckBox* CheckBoxDustBox = nullptr;
    QCheckBox* ChkBoxArchive = nullptr;
    QCheckBox* ChkBoxMakeFolder = nullptr;
    QCheckBox* ChkBoxStartMin = nullptr;
    QCheckBox* ChkBoxCloseMin = nullptr;
    QCheckBox* ChkBoxCheckBox = nullptr;
    QCheckBox* ChkBoxReadOnly = nullptr;
    QCheckBox* ChkBoxFileComp = nullptr;
    QLabel* lblMD5 = nullptr;
    QCheckBox* ChkBoxHistMax = nullptr;
    QLineEdit* EditHistMax = nullptr;
    QWidget* UpDown2 = nullptr;
    QLabel* lblHist = nullptr;
    QCheckBox* ChkBoxWinnyNG = nullptr;
    QLabel* LblWinnyNG = nullptr;
    QLineEdit* EdWinnyFolder = nullptr;
    QPushButton* BtnWinnyNG = nullptr;
    QCheckBox* ChkBoxFiler = nullptr;
    QLineEdit* EdFiler = nullptr;
    QPushButton* BtnFiler = nullptr;
};

} // namespace sv
