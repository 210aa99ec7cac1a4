// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/main_logic.h"
#include "app/tray_logic.h"
#include "engine/run.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "store/condition_list.h"
#include "store/settings.h"

#include <QIcon>
#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QToolBar;
class QToolButton;

namespace sv {

class TFormExport;
class TFormHistory;
class TFormImport;
class TFormOption;

class TConditionListView;
class TConditionTableModel;
class TFormCond;
class TFormReport;
class TrayController;

// The ports and the place of the data files the main window works with.
struct TMainWindowEnv final {
    std::string programFolder; // path text with a trailing backslash; the data files live here
    std::string iniFileName;
    MessageBox* box = nullptr;
    FileDialog* fileDialog = nullptr;
    Shell* shell = nullptr;
    // A monotonic clock in milliseconds that times the periodic runs; empty: the system's.
    std::function<std::int64_t()> clock;
    // Whether the desktop has a tray now; empty: the desktop is asked. Asked each time the window
    // goes to the tray.
    std::function<bool()> trayAvailable;
    // "/a": all conditions once, right after the window is first painted, then the program ends.
    bool runAllAndExit = false;
    // The folder a first start offers as the source folder (a native path, empty for none);
    // empty: the user's download folder.
    std::function<std::string()> downloadFolder;
};

// The main window: owns the condition table, the settings, the source-folder history and the
// copy buffer, and offers the commands on them.
class TFormMain final : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(const TMainWindowEnv& env, QWidget* parent = nullptr);
    ~TFormMain() override;

    // The program's main calls this when a second start asks the running one to come to the front.
    void BringToFront();
    // The program's exit status after "/a": 1 when the run could not begin (a source folder
    // missing), as for "/t". Read by the program's main when the window has closed.
    int ExitStatus() const { return m_exitStatus; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The tray images: 1 completion notice, 2 automatic run, 3 leak warning.
    QIcon TrayImage(int n) const;

    // Handlers, named after their control and event.
    void ButtonRefClick();
    void ButtonSourceDelClick();
    void ButtonSourceOpenClick();
    void ComboBox1Enter();
    void AddCondition();
    void EditCondition();
    void DeleteCondition();
    void CopyCondition();
    void PasteCondition();
    void MoveSelected(bool up);
    void DropRow(int targetRow);
    void CheckAll(bool on);
    void UpdateCommandStates();
    void OpenDestinationFolder();
    void ToggleAlwaysOnTop();
    void ShowHelp();
    void ShowVersionInfo();
    void TidySourceHistory();
    // Takes the window's state into the settings and writes them with the conditions.
    bool SaveAll();
    void TellKeptAside(const TKeptAside& kept, bool blockSavesOnFailure);
    void RecoverDeadRun();
    // Runs: all conditions, the selected one; both check the source folders first. Whether the
    // run of all conditions began.
    bool RunAll();
    void RunSelected();
    // All conditions as a test run: the run window shows what a run would do; nothing moves.
    void RunPreview();
    bool CheckSourceFolders();

    // The tray. Without a tray host the window minimises to the task bar instead and counts as
    // being in the tray while it is minimised; restoring it is the restore from the tray.
    void GoToTray();
    void RestoreFromTray();
    void TrayIconActivated(TrayClick click);

    void CreateControls();
    void CreateMenus();
    void CreateToolBar();
    void ConnectEditCommands();
    void ConnectRunCommands();
    void ConnectHistoryCommands();
    void ConnectOptionCommands();
    void ConnectExchangeCommands();
    void ShowExport();
    // The import dialog; when it changed the table, the list is rebuilt from it.
    void ShowImport();
    void CreateTray();
    void FindTray();
    // The tray icon while a tray is there; null where the task-bar button stands for it.
    QSystemTrayIcon* Tray() const;
    // The tray's state below the window, with the periodic runs, the tick and the folder watch.
    void CreateTrayController();
    TTrayState TrayState() const;
    void ShowTrayState();
    void ApplyCaption();
    // The half-second tick's part for the window: its command states follow the selection.
    void TickCommands();
    TRunRequest RunRequest(RunMode runMode, FileSystem& files = Disk()) const;
    void ShowHistoryWindow();
    // The options dialog; an accepted one changes the settings, the period and the list at once.
    void ShowOptions();
    void ApplyOptions(const TAppSettings& stored);
    void StartRun(RunMode runMode, bool preview = false);
    void LayoutControls();
    void LoadData();
    void ApplyGeometry();
    void RebuildList();
    bool RowChecked(int row) const;
    void SetRowChecked(int row, bool on);
    int SelectedRow() const;
    void SelectRow(int row);
    void UpdateSourceButtons();
    void SetSourceItems(const TSourceHistory& history);
    void OfferDownloadFolder();
    std::string ComboPathText() const;
    void ShowError(const std::string& text, const std::string& title = "Sorvanta");
    QAction* MakeAction(const char* name, const QString& caption, const QKeySequence& key = {});

    TMainWindowEnv m_env;
    TAppSettings m_settings;
    TConditionList m_list;
    TConditionTableModel* m_conditions = nullptr; // the list's model over m_list
    TCopyBuffer m_copyBuffer;
    bool m_runActive = false;
    TFormCond* m_formCond = nullptr;
    TFormReport* m_report = nullptr;
    TFormHistory* m_history = nullptr;
    TFormOption* m_formOption = nullptr;
    TFormExport* m_formExport = nullptr;
    TFormImport* m_formImport = nullptr;
    TRunShared m_runShared;
    bool m_startMinPending = false; // the start caption stays until the window is in the tray
    int m_lastSelectedRow = -1;
    QSystemTrayIcon* m_trayIcon = nullptr;
    TrayController* m_tray = nullptr;
    bool m_firstPainted = false;
    int m_exitStatus = 0;
    TConditionFileWatch m_conditionWatch; // Condition.txt as last read or written
    bool m_saveBlocked = false;           // an unreadable Condition.txt stayed in place: never overwrite it
    bool m_loading = true;
    bool m_closed = false; // a request to come to the front must not bring a closed window back

    QIcon m_image1;
    QIcon m_image2;
    QIcon m_image3;

    // Controls keep their component names (and object names, by which tests find them).
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButtonHist = nullptr;
    QToolButton* ToolButtonFiler = nullptr;
    QToolButton* ToolButtonAdd = nullptr;
    QToolButton* ToolButtonOption = nullptr;
    QToolButton* ToolButtonHelp = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* ButtonRef = nullptr;
    QPushButton* ButtonSourceDel = nullptr;
    QPushButton* ButtonSourceOpen = nullptr;
    QLabel* LblCondition = nullptr;
    TConditionListView* ListView1 = nullptr;
    QPushButton* ButtonUp = nullptr;
    QPushButton* ButtonDown = nullptr;
    QPushButton* BtnExec = nullptr;
    QMenu* PopupMenu1 = nullptr;

    // Menu items.
    QAction* N11 = nullptr;
    QAction* E2 = nullptr;
    QAction* PreviewRun = nullptr;
    QAction* MenuHistory = nullptr;
    QAction* Export = nullptr;
    QAction* Import = nullptr;
    QAction* C1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QAction* MenuCopyCond = nullptr;
    QAction* MenuPasteCond = nullptr;
    QAction* MenuAllCheck = nullptr;
    QAction* MenuDelCheck = nullptr;
    QAction* MenuFolderOpen = nullptr;
    QAction* S2 = nullptr;
    QAction* N7 = nullptr;
    QAction* SorvantaHelpOpen = nullptr;
    QAction* Sorvanta1 = nullptr;
    QAction* N13 = nullptr;
    QAction* N14 = nullptr;
    QAction* N5 = nullptr;
    QAction* N9 = nullptr;
    QAction* N10 = nullptr;
    QAction* CondCopy = nullptr;
    QAction* CondPaste = nullptr;
    QAction* F1 = nullptr;
    // The tray menu.
    QMenu* PopupMenu2 = nullptr;
    QAction* Resize = nullptr;
    QAction* AllExec = nullptr;
    QAction* VerInfo = nullptr;
    QAction* Reset = nullptr;
    QAction* Exit = nullptr;
};

} // namespace sv
