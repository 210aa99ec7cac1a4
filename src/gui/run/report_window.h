// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run.h"
#include "engine/run_ui.h"
#include "platform/file_system.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "store/history_file.h"
#include "store/settings.h"

#include <QDialog>
#include <QElapsedTimer>

#include <memory>
#include <optional>
#include <string>

class QCloseEvent;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QAction;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;
class QTreeView;

namespace sv {

class TReportModel;
class TTransferProgressWindow;

struct TReportEnv final {
    std::string programFolder; // path text with a trailing backslash; History.dat lives here
    std::string iniFileName = "Sorvanta.ini";
    MessageBox* box = nullptr;
    Shell* shell = nullptr;
    // What the result list's Delete removes from and the undo of the run works on.
    FileSystem* files = &Disk();
};

// The window a sorting run takes place in. The run starts when the window becomes active after
// PrepareRun and works on the GUI thread; afterwards the result list offers Open, Folder and
// Delete, and OK puts the run's history in front of History.dat.
class TFormReport final : public QDialog, public RunUi {
    Q_OBJECT

public:
    explicit TFormReport(const TReportEnv& env, QWidget* parent = nullptr);
    ~TFormReport() override;

    // Size and column widths from the settings, never below the minimum of 630 x 256.
    void ApplyGeometry(const TAppSettings& settings);
    // The next show runs `request`. `settings` receives the window's geometry when it closes and
    // gives the options the result list needs; `autoRun` closes the window by itself afterwards.
    // Everything referred to must outlive the window's next close.
    void PrepareRun(const TRunRequest& request, TRunShared& shared, TAppSettings& settings, bool autoRun);
    // PrepareRun, then shown modally until it closes.
    int Execute(const TRunRequest& request, TRunShared& shared, TAppSettings& settings, bool autoRun);
    // The main window stops the tick before it closes or hides the window itself.
    void StopTimer();

    bool Running() const { return m_running; }
    const std::optional<TRunOutcome>& LastOutcome() const { return m_outcome; }
    int FlashCount() const { return m_flashes; }
    // Milliseconds between two rounds of event processing during a run; 0 lets events through
    // before every entry.
    void SetEventInterval(int milliseconds) { m_eventInterval = milliseconds; }

    // RunUi: the run reports through these.
    void SetTopmost() override;
    void BeginRun(bool inTray) override;
    void FinishRun() override;
    void SetCaption(std::string_view caption) override;
    void SetStatus(std::string_view status) override;
    void SetCountLabel(std::string_view text) override;
    void SetProgress(int percent) override;
    void AddResultRow(const TReportEntry& row) override;
    void AddNote(std::string_view note) override;
    void Repaint() override;
    void LetEventsThrough() override;
    bool CancelRequested() const override;
    void EnableCancel() override;
    void PerformCancel() override;
    TransferProgress* TransferProgressWindow() override;

signals:
    // History.dat received the run's entries; the history window reloads its list.
    void HistorySaved();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    // What the status bar and the notes show.
    QString StatusText() const;
    QString NotesText() const;

    // Handlers, named after their control and event.
    void BtnCancelClick();
    void BtnOkClick();
    void Timer1Timer();
    void OpenClick();
    void FolderClick();
    void DelClick();
    void PopupMenu1Popup();
    void UndoRunClick();

    void CreateControls();
    void LayoutControls();
    void StartRunIfPending();
    void Flash();
    void ShowOkInCancelsPlace(bool enabled);
    bool SaveHistory();
    // The current row, or -1.
    int CurrentRow() const;
    void ShowError(const std::string& text);

    TReportEnv m_env;
    std::optional<TRunRequest> m_request;
    TRunShared* m_shared = nullptr;
    TAppSettings* m_settings = nullptr;
    bool m_autoRun = false;
    bool m_runPending = false;
    bool m_running = false;
    bool m_okAfterRun = false; // OK was pressed while the run was still unwinding
    std::optional<TRunOutcome> m_outcome;
    // The hidden history memo: the run's history lines until OK saves them.
    TPendingHistory m_history;
    // The run's records on disk as they are made, until they reach History.dat.
    TRunJournal m_journal;
    QElapsedTimer m_sinceEvents;
    int m_eventInterval = 15;
    int m_flashes = 0;
    std::unique_ptr<TTransferProgressWindow> m_transfer;
    TReportModel* m_results = nullptr;

    // Controls keep their component names (and object names, by which tests find them).
    QTreeView* ListView1 = nullptr; // over the run's result rows
    QLabel* lblCount = nullptr;
    QProgressBar* prgBarHash = nullptr;
    QStatusBar* stsBar1 = nullptr;
    QLabel* stsBar1Panel = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnOk = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Open = nullptr;
    QAction* Folder = nullptr;
    QAction* Del = nullptr;
    QAction* UndoSeparator = nullptr;
    QAction* UndoRun = nullptr;
    // The run's notes: items it left alone or could only partly handle; hidden while empty.
    QPlainTextEdit* MemoNotes = nullptr;
};

} // namespace sv
