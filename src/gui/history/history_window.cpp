// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/history/history_window.h"

#include "gui/common/help_key.h"
#include "gui/common/qt_text.h"
#include "gui/common/window_look.h"
#include "gui/history/history_model.h"
#include "gui/run/transfer_progress_window.h"
#include "platform/help.h"
#include "platform/window_geometry.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace sv {
namespace {

constexpr int kMinWidth = 630;
constexpr int kMinHeight = 223;
constexpr int kPanelWidths[3] = {200, 100, 100};

} // namespace

TFormHistory::TFormHistory(const THistoryEnv& env, QWidget* parent)
    : QWidget(parent, Qt::Window), m_env(env) {
    setObjectName(QStringLiteral("FormHistory"));
    setWindowTitle(QStringLiteral("振り分け履歴"));
    setWindowIcon(ProgramIcon());
    setFont(ProgramFont());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kMinWidth, kMinHeight);
    m_transfer = std::make_unique<TTransferProgressWindow>(this);
    CreateControls();
    CreateMenu();
    CreateFindDialog();
    LayoutControls();
}

// The list dies before the widget base closes the window: the view must not read it then.
TFormHistory::~TFormHistory() {
    ListView1->setModel(nullptr);
}

void TFormHistory::CreateControls() {
    m_model = new THistoryModel(m_list, this);
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(m_model);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(false);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->installEventFilter(this);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView1ColumnClick(section); });
    connect(ListView1, &QTreeView::doubleClicked, this, [this] { OpenClick(); });
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1Popup();
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(StatusBar1);
        StatusPanel[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        StatusPanel[i]->setMinimumWidth(kPanelWidths[i]);
        StatusBar1->addWidget(StatusPanel[i], i == 2 ? 1 : 0);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TFormHistory::CreateMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](QAction*& action, const char* name, const char* caption,
                             void (TFormHistory::*slot)()) {
        action = PopupMenu1->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    };
    const auto separator = [this](const char* name) {
        PopupMenu1->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    item(Open, "Open", "開く(&O)", &TFormHistory::OpenClick);
    item(Folder, "Folder", "振り分け先フォルダを開く（&F）", &TFormHistory::FolderClick);
    item(Source, "Source", "振り分け元フォルダを開く（&S）", &TFormHistory::SourceClick);
    separator("N4");
    item(Back, "Back", "振り分け元フォルダに戻す(&U)", &TFormHistory::BackClick);
    item(UndoRun, "UndoRun", "最後の振り分けを元に戻す", &TFormHistory::UndoRunClick);
    separator("N1");
    item(Del, "Del", "ファイル削除(&D)", &TFormHistory::DelClick);
    item(Erase, "Erase", "リストから消去(&E)", &TFormHistory::EraseClick);
    item(DelAndErase, "DelAndErase", "ファイル削除＆リストからも消去(&W)", &TFormHistory::DelAndEraseClick);
    separator("N2");
    item(SelAll, "SelAll", "すべて選択(&A)", &TFormHistory::SelAllClick);
    separator("N3");
    item(Seiri, "Seiri", "履歴の整理(&R)", &TFormHistory::SeiriClick);
}

// A small find box (Ctrl+F): the next entry whose whole name is the text, case-blind.
void TFormHistory::CreateFindDialog() {
    FindDialog1 = new QDialog(this);
    FindDialog1->setObjectName(QStringLiteral("FindDialog1"));
    FindDialog1->setWindowTitle(QStringLiteral("Sorvanta - 検索"));
    FindDialog1->setFont(ProgramFont());
    auto* layout = new QHBoxLayout(FindDialog1);
    auto* label = new QLabel(QStringLiteral("ファイル（フォルダ）名:"), FindDialog1);
    FindText = new QLineEdit(FindDialog1);
    FindText->setObjectName(QStringLiteral("FindText"));
    FindText->setMinimumWidth(200);
    auto* next = new QPushButton(QStringLiteral("次を検索(&F)"), FindDialog1);
    next->setObjectName(QStringLiteral("BtnFindNext"));
    next->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), FindDialog1);
    cancel->setObjectName(QStringLiteral("BtnFindCancel"));
    layout->addWidget(label);
    layout->addWidget(FindText);
    layout->addWidget(next);
    layout->addWidget(cancel);
    connect(next, &QPushButton::clicked, this, [this] { FindDialog1Find(); });
    connect(cancel, &QPushButton::clicked, FindDialog1, &QDialog::hide);
}

void TFormHistory::LayoutControls() {
    const int statusHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    Bevel1->setGeometry(0, 0, width(), 2);
    ListView1->setGeometry(0, 2, width(), std::max(0, height() - statusHeight - 2));
}

void TFormHistory::ShowFromMain() {
    TAppSettings& s = *m_env.settings;
    setMinimumSize(kMinWidth, kMinHeight);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1 << 24, 1 << 24);
    if (!isMaximized()) {
        const int height = s.HistoryHeight > kMinHeight - 1 ? s.HistoryHeight : kMinHeight;
        resize(ClampWindowExtent(s.HistoryWidth, kMinWidth, area.width()),
               ClampWindowExtent(height, kMinHeight, area.height()));
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
    for (int i = 0; i < kHistoryColumns; ++i)
        ListView1->setColumnWidth(
            i, ClampColumnWidth(s.HistoryListWidth[static_cast<std::size_t>(i)], area.width()));
    show();
    raise();
    activateWindow();
}

void TFormHistory::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_showing = true;
    LoadHistory();
    Timer1->start();
}

void TFormHistory::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !Timer1->isActive())
        Timer1->start();
}

void TFormHistory::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutControls();
    // The size the user gave it, not the maximised one, is what the next showing takes.
    if (m_showing && isVisible() && !isMaximized() && m_env.settings != nullptr) {
        m_env.settings->HistoryWidth = width();
        m_env.settings->HistoryHeight = height();
    }
}

void TFormHistory::closeEvent(QCloseEvent* event) {
    event->accept();
    hide();
    m_showing = false;
    if (m_env.mainWindow != nullptr)
        m_env.mainWindow->repaint();
    if (m_env.settings != nullptr) {
        for (int i = 0; i < kHistoryColumns; ++i)
            m_env.settings->HistoryListWidth[static_cast<std::size_t>(i)] = ListView1->columnWidth(i);
    }
    Timer1->stop();
    FindDialog1->hide();
    SaveHistory();
}

void TFormHistory::keyPressEvent(QKeyEvent* event) {
    if (IsHelpKey(*event)) {
        ShowHelp(m_env.programFolder, help::History, *m_env.shell, *m_env.box);
        return;
    }
    if (event->matches(QKeySequence::Find)) {
        ShowFindDialog();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TFormHistory::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto mods = key->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::NoModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            OpenClick();
            return true;
        }
        if (mods == Qt::NoModifier && key->key() == Qt::Key_Delete) {
            DelAndEraseClick();
            return true;
        }
        if (mods == Qt::ControlModifier && key->key() == Qt::Key_A) {
            SelAllClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- The list and the file -----------------------------------------------------------------------

void TFormHistory::LoadHistory() {
    StatusPanel[0]->setText(QStringLiteral("更新中..."));
    StatusPanel[1]->clear();
    m_rememberedSelection = 0;
    const long long limit = m_env.settings != nullptr ? HistoryLimit(*m_env.settings) : HistoryLimit({});
    const std::size_t before = m_list.entries.size();
    const HistoryLoadResult loaded = sv::LoadHistory(m_env.programFolder, m_list, limit);
    m_readFailed = loaded.state == HistoryLoadState::Failed;
    if (m_readFailed) {
        StatusPanel[0]->setText(QStringLiteral("履歴ファイルを読み込めません"));
        return;
    }
    // The same line count means the same list: the view keeps its rows and selection.
    if (loaded.state != HistoryLoadState::Unchanged || before != m_list.entries.size())
        m_model->Reset();
}

void TFormHistory::HistoryFileChanged() {
    if (isVisible()) {
        LoadHistory();
        return;
    }
    m_list = THistoryList();
    m_model->Reset();
}

void TFormHistory::SaveHistory() {
    // The list of a file that could not be read is not that file's content.
    if (m_readFailed)
        return;
    (void)sv::SaveHistory(m_env.programFolder, m_env.iniFileName, m_list, *m_env.box);
}

void TFormHistory::AfterListChange() {
    m_model->Reset();
    m_rememberedSelection = static_cast<std::size_t>(-1);
    SaveHistory();
}

std::vector<std::size_t> TFormHistory::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows())
        rows.push_back(static_cast<std::size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TFormHistory::SelectRows(const std::vector<std::size_t>& rows) {
    QItemSelection selection;
    for (const std::size_t row : rows) {
        const QModelIndex index = m_model->index(static_cast<int>(row), 0);
        selection.select(index, index);
    }
    ListView1->selectionModel()->select(selection,
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!rows.empty())
        ListView1->selectionModel()->setCurrentIndex(m_model->index(static_cast<int>(rows.front()), 0),
                                                     QItemSelectionModel::NoUpdate);
}

int TFormHistory::CurrentRow() const {
    const std::vector<std::size_t> rows = SelectedRows();
    return rows.empty() ? -1 : static_cast<int>(rows.front());
}

bool TFormHistory::Ask(const std::string& text, const std::string& title, MbAnswer defaultButton) {
    return sv::Ask(*m_env.box, title, text, defaultButton);
}

void TFormHistory::Tell(const std::string& text) {
    sv::Tell(*m_env.box, "Sorvanta", text, MbIcon::Error);
}

void TFormHistory::PopupMenu1Popup() {
    const THistoryMenuStates states = HistoryMenuStates(SelectedRows().size(), m_list.entries.size());
    for (QAction* a : {Open, Folder, Source})
        a->setEnabled(states.open);
    for (QAction* a : {Back, Del, Erase, DelAndErase})
        a->setEnabled(states.selection);
    for (QAction* a : {SelAll, Seiri, UndoRun})
        a->setEnabled(states.list);
}

void TFormHistory::ListView1ColumnClick(int column) {
    SortHistory(m_list, m_sort, column);
    ListView1->header()->setSortIndicatorShown(false);
    AfterListChange();
}

void TFormHistory::Timer1Timer() {
    const std::vector<std::size_t> rows = SelectedRows();
    if (rows.empty()) {
        StatusPanel[0]->setText(Q(HistoryCountText(m_list.entries.size())));
        StatusPanel[1]->clear();
        StatusPanel[2]->clear();
    } else if (rows.size() == 1) {
        // One stat for the one entry per tick; nothing is read for the others.
        const THistoryStatus status = HistoryStatusForOne(m_list.entries[rows.front()]);
        StatusPanel[0]->setText(Q(status.panel0));
        StatusPanel[1]->setText(Q(status.panel1));
        StatusPanel[2]->setText(Q(status.panel2));
    } else {
        if (rows.size() != m_rememberedSelection) {
            const THistoryStatus status = HistoryStatusForSeveral(m_list, rows);
            StatusPanel[0]->setText(Q(status.panel0));
            StatusPanel[1]->setText(Q(status.panel1));
        }
        StatusPanel[2]->clear();
    }
    m_rememberedSelection = rows.size();
}

void TFormHistory::ShowFindDialog() {
    FindDialog1->show();
    FindDialog1->raise();
    FindText->setFocus();
    FindText->selectAll();
}

void TFormHistory::FindDialog1Find() {
    const int current = CurrentRow();
    const auto found = FindHistoryEntry(m_list, FindText->text().toStdString(),
                                        current < 0 ? std::nullopt : std::optional<std::size_t>(current));
    if (!found)
        return;
    SelectRows({*found});
    ListView1->scrollTo(m_model->index(static_cast<int>(*found), 0));
}

} // namespace sv
