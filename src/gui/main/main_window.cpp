// SPDX-License-Identifier: GPL-3.0-or-later
// Construction, layout, loading and saving of the main window; the commands are in
// main_window_commands.cpp.
#include "gui/main/main_window.h"

#include "app/tray_controller.h"
#include "gui/common/app_setup.h"
#include "gui/history/history_window.h"
#include "gui/main/condition_list_view.h"
#include "gui/main/condition_table_model.h"
#include "platform/digest_library.h"
#include "platform/files.h"
#include "platform/pathtext.h"
#include "platform/window_geometry.h"
#include "store/condition_file.h"
#include "store/history_file.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>

namespace sv {
namespace {

constexpr int kMinWidth = 434;
constexpr int kMinHeight = 338;
constexpr int kHintMilliseconds = 30000;

} // namespace

TFormMain::TFormMain(const TMainWindowEnv& env, QWidget* parent) : QMainWindow(parent), m_env(env) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Sorvanta"));
    setWindowIcon(ProgramIcon());
    setFont(ProgramFont());
    setMinimumSize(kMinWidth, kMinHeight);
    m_image1 = QIcon(QStringLiteral(":/icons/tray_notice.svg"));
    m_image2 = QIcon(QStringLiteral(":/icons/tray_running.svg"));
    m_image3 = QIcon(QStringLiteral(":/icons/tray_leak.svg"));
    CreateTrayController();

    CreateControls();
    CreateMenus();
    CreateToolBar();
    ConnectEditCommands();
    ConnectRunCommands();
    ConnectHistoryCommands();
    ConnectOptionCommands();
    ConnectExchangeCommands();
    LoadData();
    ApplyGeometry();
    m_tray->Configure();
    CreateTray();
    m_loading = false;
    UpdateCommandStates();
    // The run button has the focus when the window first shows, so a typed key never lands in
    // the folder box by surprise.
    BtnExec->setFocus();
}

TFormMain::~TFormMain() = default;

QIcon TFormMain::TrayImage(int n) const {
    switch (n) {
    case 1:
        return m_image1;
    case 2:
        return m_image2;
    case 3:
        return m_image3;
    default:
        return ProgramIcon();
    }
}

QAction* TFormMain::MakeAction(const char* name, const QString& caption, const QKeySequence& key) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty())
        action->setShortcut(key);
    return action;
}

void TFormMain::CreateControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Panel"));
    setCentralWidget(central);

    Label1 = new QLabel(QStringLiteral("振り分け元フォルダ"), central);
    Label1->setObjectName(QStringLiteral("Label1"));

    ComboBox1 = new QComboBox(central);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setMaxVisibleItems(10);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setCompleter(nullptr);
    // Keys reach the combo box (the edit's focus proxy), which hands them to its edit directly.
    ComboBox1->installEventFilter(this);
    ComboBox1->lineEdit()->installEventFilter(this);
    connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { UpdateSourceButtons(); });

    ButtonRef = new QPushButton(QStringLiteral("参照..."), central);
    ButtonRef->setObjectName(QStringLiteral("ButtonRef"));
    connect(ButtonRef, &QPushButton::clicked, this, [this] { ButtonRefClick(); });

    ButtonSourceDel = new QPushButton(QStringLiteral("消"), central);
    ButtonSourceDel->setObjectName(QStringLiteral("ButtonSourceDel"));
    ButtonSourceDel->setToolTip(QStringLiteral("振り分け元フォルダの指定を消去します"));
    connect(ButtonSourceDel, &QPushButton::clicked, this, [this] { ButtonSourceDelClick(); });

    ButtonSourceOpen = new QPushButton(QStringLiteral("開"), central);
    ButtonSourceOpen->setObjectName(QStringLiteral("ButtonSourceOpen"));
    ButtonSourceOpen->setToolTip(QStringLiteral("振り分け元フォルダを開きます"));
    connect(ButtonSourceOpen, &QPushButton::clicked, this, [this] { ButtonSourceOpenClick(); });

    LblCondition = new QLabel(QStringLiteral("振り分け条件"), central);
    LblCondition->setObjectName(QStringLiteral("LblCondition"));

    ListView1 = new TConditionListView(central);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    m_conditions = new TConditionTableModel(m_list, this);
    ListView1->setModel(m_conditions);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateCommandStates(); });
    connect(ListView1, &TConditionListView::RowDropped, this, [this](int row) { DropRow(row); });
    connect(ListView1, &TConditionListView::KeyPressed, this, [this](int key, Qt::KeyboardModifiers mods) {
        if (key == Qt::Key_Delete && mods == Qt::NoModifier)
            DeleteCondition();
        else if (key == Qt::Key_Up || key == Qt::Key_Down)
            UpdateCommandStates();
    });

    ButtonUp = new QPushButton(QStringLiteral("▲"), central);
    ButtonUp->setObjectName(QStringLiteral("ButtonUp"));
    ButtonUp->setEnabled(false);
    connect(ButtonUp, &QPushButton::clicked, this, [this] { MoveSelected(true); });

    ButtonDown = new QPushButton(QStringLiteral("▼"), central);
    ButtonDown->setObjectName(QStringLiteral("ButtonDown"));
    ButtonDown->setEnabled(false);
    connect(ButtonDown, &QPushButton::clicked, this, [this] { MoveSelected(false); });

    // Runs arrive with the run window; until then the button is shown but not usable.
    BtnExec = new QPushButton(QStringLiteral("全ての条件で振り分け実行"), central);
    BtnExec->setObjectName(QStringLiteral("BtnExec"));
    BtnExec->setEnabled(false);

    for (QWidget* w : {static_cast<QWidget*>(ButtonSourceDel), static_cast<QWidget*>(ButtonSourceOpen)})
        w->setToolTipDuration(kHintMilliseconds);
}

void TFormMain::CreateMenus() {
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));

    N11 = MakeAction("N11", QStringLiteral("  選択した条件で振り分け実行(&S)"));
    E2 = MakeAction("E2", QStringLiteral("  全ての条件で振り分け実行(&G)"));
    PreviewRun =
        MakeAction("PreviewRun", QStringLiteral("  振り分けのテスト実行（ファイルは移動しません）(&T)"));
    MenuHistory = MakeAction("MenuHistory", QStringLiteral("振り分け履歴(&H)..."));
    Export = MakeAction("Export", QStringLiteral("  振り分け条件エクスポート(&E)..."));
    Import = MakeAction("Import", QStringLiteral("  振り分け条件インポート(&I)..."));
    C1 = MakeAction("C1", QStringLiteral("  終了(&X)"));
    N2 = MakeAction("N2", QStringLiteral("追加(&A)..."));
    N3 = MakeAction("N3", QStringLiteral("  編集(&E)..."));
    N4 = MakeAction("N4", QStringLiteral("  削除(&D)"));
    MenuCopyCond =
        MakeAction("MenuCopyCond", QStringLiteral("  コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
    MenuPasteCond =
        MakeAction("MenuPasteCond", QStringLiteral("  貼り付け(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V));
    MenuAllCheck = MakeAction("MenuAllCheck", QStringLiteral("　全ての振り分け条件をチェックする(&J)"));
    MenuDelCheck = MakeAction("MenuDelCheck", QStringLiteral("　全ての振り分け条件のチェックを外す(&R)"));
    MenuFolderOpen = MakeAction("MenuFolderOpen", QStringLiteral("振り分け先フォルダを開く(&F)"));
    S2 = MakeAction("S2", QStringLiteral("オプション(&O)..."));
    N7 = MakeAction("N7", QStringLiteral("  常に手前に表示(&A)"));
    N7->setCheckable(true);
    SorvantaHelpOpen =
        MakeAction("SorvantaHelpOpen", QStringLiteral("Sorvanta ヘルプ(&H) "), QKeySequence(Qt::Key_F1));
    Sorvanta1 = MakeAction("Sorvanta1", QStringLiteral("  バージョン情報(&A)..."));

    // Commands whose windows are not part of the program yet stay visible but disabled.
    for (QAction* a : {N11, E2, PreviewRun, MenuHistory, N2, N3, S2})
        a->setEnabled(false);
    MenuPasteCond->setEnabled(false);

    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("MenuFile"));
    file->addActions({N11, E2, PreviewRun});
    file->addSeparator();
    file->addAction(MenuHistory);
    file->addSeparator();
    file->addActions({Export, Import});
    file->addSeparator();
    file->addAction(C1);

    QMenu* cond = menuBar()->addMenu(QStringLiteral("振り分け条件(&C)"));
    cond->setObjectName(QStringLiteral("MenuCondition"));
    cond->addActions({N2, N3, N4});
    cond->addSeparator();
    cond->addActions({MenuCopyCond, MenuPasteCond});
    cond->addSeparator();
    cond->addActions({MenuAllCheck, MenuDelCheck});
    cond->addSeparator();
    cond->addAction(MenuFolderOpen);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    settings->setObjectName(QStringLiteral("MenuSettings"));
    settings->addAction(S2);
    settings->addSeparator();
    settings->addAction(N7);

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    help->addAction(SorvantaHelpOpen);
    help->addSeparator();
    help->addAction(Sorvanta1);

    // The list's own menu. Its shortcuts act while the list has the focus; Ctrl+C and Ctrl+V are
    // the main menu's (one key, one action) and are only shown here.
    N13 = MakeAction("N13", QStringLiteral("  選択した条件で振り分け実行(&S)"),
                     QKeySequence(Qt::CTRL | Qt::Key_S));
    N14 = MakeAction("N14", QStringLiteral("  全ての条件で振り分け実行(&G)"),
                     QKeySequence(Qt::CTRL | Qt::Key_G));
    N5 = MakeAction("N5", QStringLiteral("追加(&A)..."), QKeySequence(Qt::CTRL | Qt::Key_A));
    N9 = MakeAction("N9", QStringLiteral("  編集(&E)..."), QKeySequence(Qt::CTRL | Qt::Key_E));
    N10 = MakeAction("N10", QStringLiteral("  削除(&D)"), QKeySequence(Qt::CTRL | Qt::Key_D));
    CondCopy = MakeAction("CondCopy", QStringLiteral("  コピー(&C)\tCtrl+C"));
    CondPaste = MakeAction("CondPaste", QStringLiteral("  貼り付け(&P)\tCtrl+V"));
    F1 = MakeAction("F1", QStringLiteral("振り分け先フォルダを開く(&F)"), QKeySequence(Qt::CTRL | Qt::Key_F));
    for (QAction* a : {N13, N14, N5, N9, N10, F1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        ListView1->addAction(a);
    }
    for (QAction* a : {N13, N14, N5, N9})
        a->setEnabled(false);
    CondPaste->setEnabled(false);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions({N13, N14});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({N5, N9, N10});
    PopupMenu1->addSeparator();
    PopupMenu1->addActions({CondCopy, CondPaste});
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(F1);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        UpdateCommandStates();
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });

    connect(C1, &QAction::triggered, this, [this] { close(); });
    connect(N4, &QAction::triggered, this, [this] { DeleteCondition(); });
    connect(N10, &QAction::triggered, this, [this] { DeleteCondition(); });
    connect(MenuCopyCond, &QAction::triggered, this, [this] { CopyCondition(); });
    connect(CondCopy, &QAction::triggered, this, [this] { CopyCondition(); });
    connect(MenuPasteCond, &QAction::triggered, this, [this] { PasteCondition(); });
    connect(CondPaste, &QAction::triggered, this, [this] { PasteCondition(); });
    connect(MenuAllCheck, &QAction::triggered, this, [this] { CheckAll(true); });
    connect(MenuDelCheck, &QAction::triggered, this, [this] { CheckAll(false); });
    connect(MenuFolderOpen, &QAction::triggered, this, [this] { OpenDestinationFolder(); });
    connect(F1, &QAction::triggered, this, [this] { OpenDestinationFolder(); });
    connect(N7, &QAction::triggered, this, [this] { ToggleAlwaysOnTop(); });
    connect(SorvantaHelpOpen, &QAction::triggered, this, [this] { ShowHelp(); });
    connect(Sorvanta1, &QAction::triggered, this, [this] { ShowVersionInfo(); });
}

void TFormMain::CreateToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->toggleViewAction()->setEnabled(false);
    const auto button = [this](const char* name, const char* icon, const QString& hint) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(icon)));
        b->setToolTip(hint);
        b->setToolTipDuration(kHintMilliseconds);
        b->setAutoRaise(true);
        ToolBar1->addWidget(b);
        return b;
    };
    ToolButtonHist = button("ToolButtonHist", "history.svg", QStringLiteral("振り分け履歴"));
    ToolButtonFiler =
        button("ToolButtonFiler", "folder_open.svg", QStringLiteral("振り分け先フォルダを開く"));
    ToolBar1->addSeparator();
    ToolButtonAdd = button("ToolButtonAdd", "add.svg", QStringLiteral("振り分け条件追加"));
    ToolButtonOption = button("ToolButtonOption", "options.svg", QStringLiteral("オプション"));
    ToolBar1->addSeparator();
    ToolButtonHelp = button("ToolButtonHelp", "help.svg", QStringLiteral("ヘルプ"));
    for (QToolButton* b : {ToolButtonHist, ToolButtonAdd, ToolButtonOption})
        b->setEnabled(false);
    connect(ToolButtonFiler, &QToolButton::clicked, this, [this] { OpenDestinationFolder(); });
    connect(ToolButtonHelp, &QToolButton::clicked, this, [this] { ShowHelp(); });
}

void TFormMain::LayoutControls() {
    QWidget* c = centralWidget();
    if (c == nullptr || ListView1 == nullptr)
        return;
    const int w = c->width();
    const int h = c->height();
    constexpr int margin = 6;
    constexpr int rowHeight = 24;
    constexpr int sideColumn = 28;
    const int smallButton = rowHeight + 4;
    const int refWidth = 64;

    Label1->setGeometry(margin, 4, w - 2 * margin, 18);
    const int sourceTop = 23;
    const int right = w - margin;
    ButtonSourceOpen->setGeometry(right - smallButton, sourceTop, smallButton, rowHeight);
    ButtonSourceDel->setGeometry(right - 2 * smallButton - 2, sourceTop, smallButton, rowHeight);
    ButtonRef->setGeometry(right - 2 * smallButton - 4 - refWidth, sourceTop, refWidth, rowHeight);
    ComboBox1->setGeometry(margin, sourceTop, ButtonRef->x() - 4 - margin, rowHeight);

    LblCondition->setGeometry(margin, sourceTop + rowHeight + 6, w - 2 * margin, 18);
    const int listTop = LblCondition->y() + 20;
    const int execHeight = 30;
    const int execTop = h - margin - execHeight;
    const int listHeight = std::max(execTop - 6 - listTop, 40);
    ListView1->setGeometry(margin, listTop, w - 2 * margin - sideColumn - 4, listHeight);

    const TUpDownLayout upDown = UpDownLayout(listTop, listHeight);
    const int sideLeft = w - margin - sideColumn;
    ButtonUp->setGeometry(sideLeft, upDown.upTop, sideColumn, upDown.height);
    ButtonDown->setGeometry(sideLeft, upDown.downTop, sideColumn, upDown.height);
    BtnExec->setGeometry(margin, execTop, w - 2 * margin, execHeight);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayoutControls();
    // Only a size the user gives the window with its border is remembered, not a maximised one.
    if (!m_loading && !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        m_settings.FormWidth = width();
        m_settings.FormHeight = height();
    }
}

void TFormMain::LoadData() {
    // Damaged files are copied aside before anything is read into the program, which saves soon.
    const TKeptAside settingsKept = KeepDamagedSettingsAside(m_env.programFolder, m_env.iniFileName);
    const bool firstStart = !FileExists(JoinPath(m_env.programFolder, m_env.iniFileName));
    m_settings = LoadSettings(m_env.programFolder, m_env.iniFileName);
    SetSourceItems(TSourceHistory{m_settings.SourceHistory, m_settings.Source});
    if (firstStart)
        OfferDownloadFolder();

    const ConditionLoad load = LoadConditions(m_env.programFolder, m_list);
    if (load.unreadable) {
        std::string text = std::string(kConditionFileName) + " を読み込めませんでした。\n";
        if (!load.movedAsideTo.empty()) {
            text += "読めなかったファイルは " + ToNativePath(load.movedAsideTo) +
                    " という名前で残してあります。\n振り分け条件は空の状態で始まります。";
        } else {
            text += load.error +
                    "\nファイルを上書きしないよう、このまま終了するまで設定と振り分け条件は保存されません。";
            m_saveBlocked = true;
        }
        ShowError(text, "Sorvanta - ファイル読み込みエラー");
    } else if (load.ignoredLines > 0) {
        // The next save writes only what the table holds: the whole file was kept aside first.
        std::string text = std::string(kConditionFileName) + " の振り分け条件が多すぎるため、後ろの " +
                           std::to_string(load.ignoredLines) + " 行は読み込めませんでした（最大 " +
                           std::to_string(TConditionList::kCapacity) + " 個）。\n";
        if (!load.keptAside.copyPathText.empty()) {
            text += "元のファイルは " + ToNativePath(load.keptAside.copyPathText) +
                    " という名前で残してあります。";
        } else {
            text +=
                "元のファイルを残せなかったため、このまま終了するまで設定と振り分け条件は保存されません。";
            m_saveBlocked = true;
        }
        ShowError(text, "Sorvanta - ファイル読み込みエラー");
    } else {
        TellKeptAside(load.keptAside, true);
    }
    TellKeptAside(settingsKept, true);
    RecoverDeadRun();
    TellKeptAside(KeepDamagedHistoryAside(m_env.programFolder), false);
    m_conditionWatch.Take(m_env.programFolder);
    ClearDataFileReadOnly(m_env.programFolder, m_env.iniFileName);

    RebuildList();
    MenuAllCheck->setEnabled(m_settings.ExecChkBox);
    MenuDelCheck->setEnabled(m_settings.ExecChkBox);
    N7->setChecked(m_settings.HwndTop);
    setWindowFlag(Qt::WindowStaysOnTopHint, m_settings.HwndTop);
}

void TFormMain::ApplyGeometry() {
    // A position remembered on a screen that is gone would put the window out of reach; one far
    // outside any screen is taken as such without arithmetic that could overflow.
    constexpr int kFar = 1 << 24;
    const int left = m_settings.FormLeft;
    const int top = m_settings.FormTop;
    const QScreen* screen = nullptr;
    if (std::abs(left) < kFar && std::abs(top) < kFar)
        screen = QGuiApplication::screenAt(QPoint(left + 20, top + 20));
    const QScreen* sizing = screen != nullptr ? screen : QGuiApplication::primaryScreen();
    const QRect area = sizing != nullptr ? sizing->availableGeometry() : QRect(0, 0, kFar, kFar);
    const int width = ClampWindowExtent(m_settings.FormWidth, kMinWidth, area.width());
    const int height = ClampWindowExtent(m_settings.FormHeight, kMinHeight, area.height());
    resize(width, height);
    if (screen != nullptr) {
        const TWindowPlace place = ClampWindowPlace({left, top, width, height},
                                                    {area.left(), area.top(), area.width(), area.height()});
        move(place.left, place.top);
    }
    for (int i = 0; i < 4; ++i)
        ListView1->setColumnWidth(
            i, ClampColumnWidth(m_settings.ListWidth[static_cast<std::size_t>(i)], area.width()));
    LayoutControls();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ComboBox1 || watched == ComboBox1->lineEdit()) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ComboBox1Enter();
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            // The whole text is replaced by the clipboard's first line.
            QString text = QGuiApplication::clipboard()->text();
            text = text.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
            ComboBox1->setEditText(text);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // With CloseMin the window's close button goes to the tray; the exit commands, a quit signal,
    // the end of the session and the end of "/a" still end the program.
    if (m_settings.CloseMin && event->spontaneous() && !m_closed) {
        event->ignore();
        GoToTray();
        return;
    }
    // No confirmation: the history window is put away (it saves its list and widths), then
    // everything is saved and the program ends.
    if (m_history != nullptr && m_history->isVisible())
        m_history->close();
    SaveAll();
    // A quit signal can arrive while a run waits for a digest: the library stays loaded under a
    // working thread, and the process ends right after anyway.
    if (!m_runShared.runInProgress)
        ProgramDigestLibrary().Release();
    m_closed = true;
    m_tray->Stop();
    if (m_trayIcon != nullptr)
        m_trayIcon->hide();
    event->accept();
}

// A run that ended abnormally left its records in the journal: they reach History.dat first, and
// the user is told once, also of a journal that could only be read in part.
void TFormMain::RecoverDeadRun() {
    TJournalRecovery recovery;
    const Status status = RecoverRunJournal(m_env.programFolder, recovery);
    if (const std::optional<MessageBoxRequest> notice = JournalRecoveryNotice(status, recovery))
        m_env.box->Show(*notice);
}

// Tells the user once what was kept aside and where; when the copy failed, a file whose loss
// would follow from the next save is not saved at all.
void TFormMain::TellKeptAside(const TKeptAside& kept, bool blockSavesOnFailure) {
    if (!kept.Needed())
        return;
    m_env.box->Show(KeptAsideMessage(kept));
    if (kept.copyPathText.empty() && blockSavesOnFailure)
        m_saveBlocked = true;
}

bool TFormMain::SaveAll() {
    if (m_saveBlocked)
        return false;
    const QString typed = ComboBox1->currentText();
    // A typed text that cannot be stored stays out of the history (Enter tells the user why) but
    // is left in the box.
    const bool storable = TypedFolderProblem(typed.toStdString()).empty();
    if (storable)
        m_settings.Source = ComboPathText();
    else
        m_settings.Source =
            m_settings.SourceHistory.empty() ? std::string() : m_settings.SourceHistory.front();
    for (int i = 0; i < 4; ++i)
        m_settings.ListWidth[static_cast<std::size_t>(i)] = ListView1->columnWidth(i);
    // The frame's corner, as move() takes it back at the next start; a maximised window keeps
    // the place it will be restored to.
    const QPoint corner = (windowState() & Qt::WindowMaximized) ? normalGeometry().topLeft() : pos();
    m_settings.FormLeft = corner.x();
    m_settings.FormTop = corner.y();
    const bool saved = SaveSettingsWithRetry(m_env.programFolder, m_env.iniFileName, m_settings, m_list,
                                             *m_env.box, &m_conditionWatch);
    if (m_conditionWatch.keptAside.Needed()) {
        TellKeptAside(m_conditionWatch.keptAside, false);
        m_conditionWatch.keptAside = {};
    }
    SetSourceItems(TSourceHistory{m_settings.SourceHistory, m_settings.Source});
    if (!storable)
        ComboBox1->setEditText(typed);
    return saved;
}

} // namespace sv
