// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/history_logic.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "store/history_file.h"
#include "store/settings.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QTimer;
class QTreeView;

namespace sv {

class THistoryModel;
class TTransferProgressWindow;

struct THistoryEnv final {
    std::string programFolder; // path text with a trailing backslash; History.dat lives here
    std::string iniFileName = "Sorvanta.ini";
    MessageBox* box = nullptr;
    Shell* shell = nullptr;
    // The main window's settings (options read, geometry written) and its source folder box.
    TAppSettings* settings = nullptr;
    std::function<std::string()> mainSourceFolder;
    // Disabled together with this window while files are moved back.
    QWidget* mainWindow = nullptr;
};

// The history window: every entry of History.dat, from which sorted items are opened, deleted,
// erased from the record or moved back. Created once and hidden, not destroyed, when closed.
class TFormHistory final : public QWidget {
    Q_OBJECT

public:
    explicit TFormHistory(const THistoryEnv& env, QWidget* parent = nullptr);
    ~TFormHistory() override;

    // Geometry from the settings (minimum 630 x 223), then shown and brought to the front.
    void ShowFromMain();

    // Refills the list from History.dat (on every showing and after every run, shown or not).
    void LoadHistory();
    // History.dat was replaced (a run's records): a shown list is read again; a hidden window lets
    // its list go and reads the file when it is shown.
    void HistoryFileChanged();
    // Rewrites History.dat from the list; never over a file that could not be read.
    void SaveHistory();

    THistoryList& List() { return m_list; }
    std::vector<std::size_t> SelectedRows() const;
    void SelectRows(const std::vector<std::size_t>& rows);
    const THistorySort& Sort() const { return m_sort; }

    // Handlers, named after their control and event.
    void OpenClick();
    void FolderClick();
    void SourceClick();
    void BackClick();
    void UndoRunClick();
    void DelClick();
    void EraseClick();
    void DelAndEraseClick();
    void SelAllClick();
    void SeiriClick();
    void PopupMenu1Popup();
    void ListView1ColumnClick(int column);
    void Timer1Timer();
    void FindDialog1Find();
    void ShowFindDialog();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenu();
    void CreateFindDialog();
    void LayoutControls();
    bool Ask(const std::string& text, const std::string& title = "Sorvanta",
             MbAnswer defaultButton = MbAnswer::Yes);
    void Tell(const std::string& text);
    int CurrentRow() const;
    void AfterListChange();

    THistoryEnv m_env;
    THistoryList m_list;
    THistoryModel* m_model = nullptr;
    THistorySort m_sort;
    std::size_t m_rememberedSelection = 0;
    bool m_readFailed = false; // History.dat could not be read: it is never replaced by the list
    bool m_showing = false;
    std::unique_ptr<TTransferProgressWindow> m_transfer;

public:
    // Controls keep their component names.
    QTreeView* ListView1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
    QFrame* Bevel1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Open = nullptr;
    QAction* Folder = nullptr;
    QAction* Source = nullptr;
    QAction* Back = nullptr;
    QAction* UndoRun = nullptr;
    QAction* Del = nullptr;
    QAction* Erase = nullptr;
    QAction* DelAndErase = nullptr;
    QAction* SelAll = nullptr;
    QAction* Seiri = nullptr;
    QTimer* Timer1 = nullptr;
    QDialog* FindDialog1 = nullptr;
    QLineEdit* FindText = nullptr;
};

} // namespace sv
