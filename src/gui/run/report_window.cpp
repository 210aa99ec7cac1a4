// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/run/report_window.h"

#include "engine/undo_last_run.h"
#include "gui/common/help_key.h"
#include "gui/common/qt_text.h"
#include "gui/common/window_look.h"
#include "gui/run/report_model.h"
#include "gui/run/transfer_progress_window.h"
#include "platform/help.h"
#include "platform/pathtext.h"
#include "platform/window_geometry.h"
#include "services/open_folder.h"
#include "services/open_warnings.h"
#include "store/last_run.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <iostream>

namespace sv {
namespace {

constexpr int kMinWidth = 630;
constexpr int kMinHeight = 256;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kStatusPanelWidth = 500;
constexpr char kCancelledCaption[] = "Sorvanta 完了 - 振り分け処理";
constexpr int kNotesHeight = 64;

} // namespace

TFormReport::TFormReport(const TReportEnv& env, QWidget* parent) : QDialog(parent), m_env(env) {
    setObjectName(QStringLiteral("FormReport"));
    setWindowTitle(QStringLiteral("振り分け実行"));
    setFont(ProgramFont());
    // No close box: a run ends through Cancel and OK. A close request still arrives (Alt+F4).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(626, 264);
    m_transfer = std::make_unique<TTransferProgressWindow>(this);
    CreateControls();
    LayoutControls();
}

TFormReport::~TFormReport() = default;

void TFormReport::CreateControls() {
    m_results = new TReportModel(this);
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(m_results);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSortingEnabled(false);
    ListView1->header()->setSectionsClickable(false);
    ListView1->header()->setStretchLastSection(false);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->installEventFilter(this);
    connect(ListView1, &QTreeView::doubleClicked, this, [this] { OpenClick(); });
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1Popup();
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });

    lblCount = new QLabel(QStringLiteral("処理ファイル（フォルダ）： "), this);
    lblCount->setObjectName(QStringLiteral("lblCount"));

    prgBarHash = new QProgressBar(this);
    prgBarHash->setObjectName(QStringLiteral("prgBarHash"));
    prgBarHash->setRange(0, 100);
    prgBarHash->setValue(0);
    prgBarHash->setTextVisible(false);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    stsBar1 = new QStatusBar(this);
    stsBar1->setObjectName(QStringLiteral("stsBar1"));
    stsBar1->setSizeGripEnabled(false);
    stsBar1Panel = new QLabel(stsBar1);
    stsBar1Panel->setObjectName(QStringLiteral("stsBar1Panel0"));
    stsBar1Panel->setMinimumWidth(kStatusPanelWidth);
    stsBar1->addWidget(stsBar1Panel, 1);

    BtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setAutoDefault(false);
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setAutoDefault(false);
    BtnOk->hide();
    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Open = PopupMenu1->addAction(QStringLiteral("開く(&O)"));
    Open->setObjectName(QStringLiteral("Open"));
    Folder = PopupMenu1->addAction(QStringLiteral("振り分け先フォルダを開く（&F）"));
    Folder->setObjectName(QStringLiteral("Folder"));
    PopupMenu1->addSeparator();
    Del = PopupMenu1->addAction(QStringLiteral("ファイル削除(&D)"));
    Del->setObjectName(QStringLiteral("Del"));
    connect(Open, &QAction::triggered, this, [this] { OpenClick(); });
    connect(Folder, &QAction::triggered, this, [this] { FolderClick(); });
    connect(Del, &QAction::triggered, this, [this] { DelClick(); });
    UndoSeparator = PopupMenu1->addSeparator();
    UndoRun = PopupMenu1->addAction(QStringLiteral("最後の振り分けを元に戻す"));
    UndoRun->setObjectName(QStringLiteral("UndoRun"));
    connect(UndoRun, &QAction::triggered, this, [this] { UndoRunClick(); });

    MemoNotes = new QPlainTextEdit(this);
    MemoNotes->setObjectName(QStringLiteral("MemoNotes"));
    MemoNotes->setReadOnly(true);
    MemoNotes->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoNotes->hide();
}

// Cancel sits 5 pixels from the right and 8 above the status bar; the label is centred on it and
// the progress bar shares the label's top and ends 6 pixels before the button; the list ends 10
// pixels above the button and 5 pixels left of its right edge.
void TFormReport::LayoutControls() {
    const int w = width();
    const int h = height();
    const int statusHeight = stsBar1->sizeHint().height();
    stsBar1->setGeometry(0, h - statusHeight, w, statusHeight);
    Bevel1->setGeometry(0, h - statusHeight - 2, w, 2);
    const QRect button(w - 5 - kButtonWidth, h - statusHeight - 8 - kButtonHeight, kButtonWidth,
                       kButtonHeight);
    BtnCancel->setGeometry(button);
    BtnOk->setGeometry(button);
    const int labelHeight = lblCount->sizeHint().height();
    const int labelWidth = std::max(lblCount->sizeHint().width(), 200);
    const int labelTop = button.top() + (button.height() - labelHeight) / 2;
    lblCount->setGeometry(8, labelTop, labelWidth, labelHeight);
    const int barLeft = 8 + labelWidth + 8;
    prgBarHash->setGeometry(barLeft, labelTop, std::max(0, button.left() - 6 - barLeft), labelHeight);
    const int listWidth = button.right() + 1 - 5;
    int listBottom = button.top() - 10;
    // The notes of the run, when there are any, sit below the list.
    if (!MemoNotes->isHidden()) {
        listBottom -= kNotesHeight + 4;
        MemoNotes->setGeometry(0, std::max(0, listBottom + 4), listWidth, kNotesHeight);
    }
    ListView1->setGeometry(0, 0, listWidth, std::max(0, listBottom));
}

void TFormReport::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void TFormReport::ApplyGeometry(const TAppSettings& settings) {
    setMinimumSize(kMinWidth, kMinHeight);
    // Within the screen: a stored size beyond it would put OK out of reach.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect area = primary != nullptr ? primary->availableGeometry() : QRect(0, 0, 1 << 24, 1 << 24);
    resize(ClampWindowExtent(settings.ReportWidth, kMinWidth, area.width()),
           ClampWindowExtent(settings.ReportHeight, kMinHeight, area.height()));
    LayoutControls(); // a hidden window gets its resize event only when shown
    for (int i = 0; i < 3; ++i)
        ListView1->setColumnWidth(
            i, ClampColumnWidth(settings.ReportListWidth[static_cast<std::size_t>(i)], area.width()));
    if (const QScreen* screen = primary) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TFormReport::PrepareRun(const TRunRequest& request, TRunShared& shared, TAppSettings& settings,
                             bool autoRun) {
    m_request.reset();
    m_request.emplace(request);
    m_shared = &shared;
    m_settings = &settings;
    m_autoRun = autoRun;
    m_runPending = true;
    m_okAfterRun = false;
    m_outcome.reset();
    // Set before the window appears: changing it later would recreate the window.
    if (testAttribute(Qt::WA_WState_Hidden) &&
        windowFlags().testFlag(Qt::WindowStaysOnTopHint) != request.settings.HwndTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, request.settings.HwndTop);
}

int TFormReport::Execute(const TRunRequest& request, TRunShared& shared, TAppSettings& settings,
                         bool autoRun) {
    PrepareRun(request, shared, settings, autoRun);
    return exec();
}

void TFormReport::StopTimer() {
    Timer1->stop();
}

QString TFormReport::StatusText() const {
    return stsBar1Panel->text();
}

void TFormReport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Activation normally starts the run; without a window manager no activation may come, so a
    // queued start follows the show as well. Whichever comes first runs it.
    QTimer::singleShot(0, this, [this] { StartRunIfPending(); });
}

void TFormReport::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, this, [this] { StartRunIfPending(); });
}

// One run per PrepareRun. An activation during or after the run (a message box closing, the user
// coming back from an opened file) starts nothing.
void TFormReport::StartRunIfPending() {
    if (!m_runPending || !isVisible() || !m_request || m_shared == nullptr)
        return;
    m_runPending = false;
    m_running = true;
    m_sinceEvents.invalidate();
    MessageBox& box = *m_env.box;
    // A run that cannot keep its journal still runs; it only loses that safety net.
    // A test run keeps no record, so it needs no journal either.
    m_history.journal =
        !m_request->preview && m_journal.Open(m_env.programFolder).ok() ? &m_journal : nullptr;
    m_outcome = PerformSortRun(*m_request, *m_shared, *this, box, m_history);
    m_journal.Flush();
    if (m_history.Empty())
        m_journal.Discard();
    m_running = false;
    if (m_okAfterRun) {
        m_okAfterRun = false;
        BtnOkClick();
    }
}

// ---- RunUi ---------------------------------------------------------------------------------------

void TFormReport::SetTopmost() {
    // Set before the show (PrepareRun); setting it on a shown window would move it.
    if (!testAttribute(Qt::WA_WState_Visible))
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void TFormReport::BeginRun(bool /*inTray*/) {
    // While the main window sits in the tray, the run window of a dialog owned by it has no
    // task-bar button of its own on Linux desktops, so nothing needs hiding.
    m_results->Clear();
    ListView1->setEnabled(true);
    MemoNotes->clear();
    if (!MemoNotes->isHidden()) {
        MemoNotes->hide();
        LayoutControls();
    }
    m_history.Clear();
    Timer1->stop();
    BtnOk->hide();
    BtnOk->setEnabled(false);
    BtnCancel->setEnabled(true);
    BtnCancel->setDefault(true);
    prgBarHash->setValue(0);
}

void TFormReport::FinishRun() {
    Flash();
    ShowOkInCancelsPlace(true);
    BtnCancel->setEnabled(false);
    Timer1->start();
}

void TFormReport::SetCaption(std::string_view caption) {
    setWindowTitle(Q(caption));
}

void TFormReport::SetStatus(std::string_view status) {
    stsBar1Panel->setText(Q(status));
}

void TFormReport::SetCountLabel(std::string_view text) {
    lblCount->setText(Q(text));
}

void TFormReport::SetProgress(int percent) {
    prgBarHash->setValue(std::clamp(percent, 0, 100));
}

void TFormReport::AddResultRow(const TReportEntry& row) {
    m_results->Append(row);
}

void TFormReport::AddNote(std::string_view note) {
    MemoNotes->appendPlainText(Q(note));
    if (MemoNotes->isHidden()) {
        MemoNotes->show();
        LayoutControls();
    }
    // Without a display nobody reads the window: the note goes where the unattended answers go.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        std::cerr << "Sorvanta: " << note << std::endl;
}

QString TFormReport::NotesText() const {
    return MemoNotes->toPlainText();
}

void TFormReport::Repaint() {
    repaint();
}

// Events go through once some milliseconds have passed, not before every entry: a system call
// per entry would cost more than the entry itself, and Cancel stays just as prompt.
void TFormReport::LetEventsThrough() {
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < m_eventInterval)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEvents.start();
}

bool TFormReport::CancelRequested() const {
    return BtnOk->isEnabled();
}

void TFormReport::EnableCancel() {
    BtnCancel->setEnabled(true);
}

void TFormReport::PerformCancel() {
    BtnCancelClick();
}

TransferProgress* TFormReport::TransferProgressWindow() {
    return m_transfer.get();
}

// ---- Buttons, timer and closing ------------------------------------------------------------------

void TFormReport::Flash() {
    ++m_flashes;
    QApplication::alert(this, 500);
}

void TFormReport::ShowOkInCancelsPlace(bool enabled) {
    BtnOk->setGeometry(BtnCancel->geometry());
    BtnOk->setEnabled(enabled);
    BtnOk->setDefault(true);
    BtnOk->show();
    BtnOk->raise();
    if (enabled)
        BtnOk->setFocus();
}

void TFormReport::BtnCancelClick() {
    BtnCancel->setEnabled(false);
    ShowOkInCancelsPlace(false);
    // During a transfer only the continue flag goes: the transfer completes and the run calls
    // this handler again.
    if (ContinueFlag()) {
        SetContinueFlag(false);
        return;
    }
    BtnOk->setEnabled(true);
    BtnOk->setFocus();
    setWindowTitle(QString::fromUtf8(kCancelledCaption));
    Timer1->start();
    Flash();
}

bool TFormReport::SaveHistory() {
    if (m_history.Empty()) {
        m_journal.Discard();
        return true;
    }
    SetStatus("振り分け履歴保存中。しばらくお待ちください...");
    stsBar1Panel->repaint();
    // The files were sorted: a record that silently went missing could not be undone later, so a
    // failure is told, with the offer to clear the read-only marks and write again.
    const Status saved = WriteWithReadOnlyRetry(
        m_env.programFolder, m_env.iniFileName, "履歴ファイルに書き込みできません。", *m_env.box,
        [this] { return PrependRunHistory(m_env.programFolder, m_history); });
    // Unsaved records stay in the journal for the next start. Killed anywhere from here on, the
    // next start finds them at the top of History.dat and does not add them again.
    if (!saved.ok())
        return false;
    // Without it the run could only be moved back item by item.
    (void)WriteLastRun(m_env.programFolder, m_history);
    m_journal.Discard();
    m_history.Clear();
    emit HistorySaved();
    return true;
}

void TFormReport::BtnOkClick() {
    if (m_running) {
        // The run sees the enabled OK at its next check and ends; OK takes effect after that.
        m_okAfterRun = true;
        return;
    }
    Timer1->stop();
    BtnOk->setEnabled(false);
    BtnOk->repaint();
    (void)SaveHistory();
    close();
}

void TFormReport::Timer1Timer() {
    if (m_running)
        return;
    if (m_autoRun)
        BtnOkClick();
    else
        Flash();
}

void TFormReport::closeEvent(QCloseEvent* event) {
    // A close request during a run cancels it; the window stays for the results.
    if (m_running || BtnCancel->isEnabled()) {
        event->ignore();
        BtnCancel->setEnabled(false);
        setWindowTitle(QString::fromUtf8(kCancelledCaption));
        // OK is shown too, so that the results can be confirmed once the run has ended.
        ShowOkInCancelsPlace(true);
        return;
    }
    Timer1->stop();
    // Closed without OK (Alt+F4): the sorted files still get their record.
    (void)SaveHistory();
    if (m_settings != nullptr) {
        m_settings->ReportHeight = height();
        m_settings->ReportWidth = width();
        for (int i = 0; i < 3; ++i)
            m_settings->ReportListWidth[static_cast<std::size_t>(i)] = ListView1->columnWidth(i);
    }
    m_results->Clear();
    m_request.reset();
    // Not QDialog::closeEvent: it would go through reject(), which is Cancel's.
    done(QDialog::Accepted);
    event->accept();
}

// Esc is Cancel's key; it never closes the window by itself.
void TFormReport::reject() {
    if (BtnCancel->isEnabled())
        BtnCancelClick();
}

void TFormReport::keyPressEvent(QKeyEvent* event) {
    if (IsHelpKey(*event)) {
        ShowHelp(m_env.programFolder, help::Main, *m_env.shell, *m_env.box);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFormReport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            // Handled here, or the dialog would take Enter for its default button.
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                OpenClick();
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                DelClick();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- The result list -----------------------------------------------------------------------------

int TFormReport::CurrentRow() const {
    const QModelIndex current = ListView1->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TFormReport::ShowError(const std::string& text) {
    Tell(*m_env.box, "Sorvanta", text, MbIcon::Error);
}

void TFormReport::OpenClick() {
    const int row = CurrentRow();
    if (row < 0)
        return;
    const std::string path = m_results->PathOf(row);
    if (path.empty() || !m_env.files->FileExists(path)) {
        ShowError("このファイルは存在しないか、またはフォルダのため開けません･･･　");
        return;
    }
    const bool archiveAlarm = m_settings != nullptr && m_settings->ArchiveAlarm;
    (void)OpenWithWarnings(path, archiveAlarm, *m_env.shell, *m_env.box);
}

void TFormReport::FolderClick() {
    const int row = CurrentRow();
    if (row < 0)
        return;
    const std::string folder = m_results->FolderOf(row);
    if (folder.empty()) {
        ShowError("振り分け先フォルダが存在しないため、開けません･･･　");
        return;
    }
    const TAppSettings defaults;
    OpenFolder(folder, FolderRole::Destination, m_settings != nullptr ? *m_settings : defaults, *m_env.shell,
               *m_env.box);
}

void TFormReport::DelClick() {
    if (CurrentRow() < 0)
        return;
    // The selected rows in list order, each once (a selected row has all its columns selected).
    std::vector<int> rows;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedIndexes()) {
        if (index.column() == 0)
            rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> paths;
    for (const int row : rows)
        paths.push_back(m_results->PathOf(row));
    if (paths.empty())
        return;
    if (!Ask(*m_env.box, "Sorvanta", "選択したファイルを削除しますか？"))
        return;
    const bool toBin = m_settings != nullptr && m_settings->DustBox;
    FileSystem& files = *m_env.files;
    for (const std::string& path : paths) {
        if (path.empty() || !files.FileExists(path))
            continue;
        // A file that cannot be deleted stays, as do the rows: the list shows what was sorted.
        if (toBin)
            (void)files.MoveToRecycleBin(path);
        else
            (void)files.DeletePermanently(path);
    }
}

void TFormReport::PopupMenu1Popup() {
    const bool row = CurrentRow() >= 0;
    Open->setVisible(row);
    Folder->setVisible(row);
    Del->setVisible(row);
    UndoSeparator->setVisible(row);
    // The rows of a test run name places where nothing is yet.
    const bool test = m_request && m_request->preview;
    Open->setEnabled(!test);
    Del->setEnabled(!test);
    // Only what this run recorded can be taken back from here.
    UndoRun->setEnabled(!m_running && !m_history.Empty());
}

// The run's records reach History.dat first, as OK would put them there; then the run is taken
// back from the files, like after a restart, and the window closes on a result that is gone.
void TFormReport::UndoRunClick() {
    if (m_running || m_history.Empty())
        return;
    const std::string status = StatusText().toStdString();
    const bool saved = SaveHistory();
    SetStatus(status);
    if (!saved)
        return;
    TUndoRequest request(*m_env.files);
    request.dataFolder = m_env.programFolder;
    if (m_settings != nullptr) {
        request.mainSource = m_settings->Source;
        request.fileUsing = m_settings->FileUsing;
        request.dustBox = m_settings->DustBox;
    }
    request.progress = TransferProgressWindow();
    if (!UndoLastRun(request, *m_env.box))
        return;
    emit HistorySaved();
    Timer1->stop();
    close();
}

} // namespace sv
