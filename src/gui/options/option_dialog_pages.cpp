// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog's six pages and where their controls sit. Behaviour: option_dialog.cpp.
#include "gui/common/dialog_controls.h"
#include "gui/options/option_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace sv {
namespace {

constexpr int kPageWidth = 536;

QWidget* Page(QTabWidget* tabs, const char* name, const QString& caption) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    tabs->addTab(page, caption);
    return page;
}

QLabel* Navy(QWidget* parent, const char* name, const QString& text, QRect at) {
    auto* label = Make<QLabel>(parent, name, text, at);
    label->setStyleSheet(QStringLiteral("color: navy;"));
    return label;
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& text, int top, const QString& hint = {}) {
    auto* box = Make<QCheckBox>(parent, name, text, QRect(12, top, kPageWidth - 24, 20));
    box->setToolTip(hint);
    return box;
}

const QStringList kSameNameItems = {
    QStringLiteral("新しい日付のファイルを残す"), QStringLiteral("古い日付のファイルを残す"),
    QStringLiteral("ファイル名を変えて振り分ける"), QStringLiteral("振り分けない")};

QButtonGroup* RadioGroup(QGroupBox* group) {
    auto* items = new QButtonGroup(group);
    for (int i = 0; i < kSameNameItems.size(); ++i) {
        auto* radio = new QRadioButton(kSameNameItems[i], group);
        radio->setObjectName(group->objectName() + QString::number(i));
        radio->setGeometry(12, 22 + 22 * i, group->width() - 24, 20);
        items->addButton(radio, i);
    }
    return items;
}

} // namespace

void TFormOption::CreatePages() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 8, 544, 300);
    // All six tabs in one row at the design width: the style's own padding would push two of them
    // behind scroll arrows.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    CreateSameNamePage(Page(PageControl1, "TabSheetSameName", QStringLiteral("同名ファイルの処理")));
    CreateDoubtPage(Page(PageControl1, "TabSheetDoubt", QStringLiteral("怪しいファイルの処理")));
    CreateNotClassPage(Page(PageControl1, "TabSheetNotClass", QStringLiteral("振り分けないファイル")));
    CreateExtChangePage(Page(PageControl1, "TabSheetExtChange", QStringLiteral("拡張子変更")));
    CreateOthers1Page(Page(PageControl1, "TabSheetOthers", QStringLiteral("その他1")));
    CreateOthers2Page(Page(PageControl1, "TabSheet1", QStringLiteral("その他2")));
}

void TFormOption::CreateSameNamePage(QWidget* page) {
    RadioGroupSameSize = Make<QGroupBox>(
        page, "RadioGroupSameSize", QStringLiteral(" ファイルサイズが同じ場合 "), QRect(12, 8, 250, 116));
    SameSizeItems = RadioGroup(RadioGroupSameSize);
    RadioGroupNotSameSize = Make<QGroupBox>(
        page, "RadioGroupNotSameSize", QStringLiteral(" ファイルサイズが違う場合 "), QRect(274, 8, 250, 116));
    NotSameSizeItems = RadioGroup(RadioGroupNotSameSize);
    Navy(page, "Label2",
         QStringLiteral(
             "※上記の同名ファイル処理は、[その他2] のタブにある「ファイルコンペア処理」の後に行われます。"),
         QRect(12, 134, kPageWidth - 16, 16));
    Navy(page, "Label3",
         QStringLiteral("※振り分け条件で「振り分け（移動）ではなく、コピーする」を選択した場合、上記の同名フ"
                        "ァイル処理は"),
         QRect(12, 156, kPageWidth - 16, 16));
    Navy(page, "Label5", QStringLiteral("実行されません。"), QRect(24, 172, kPageWidth - 28, 16));
}

void TFormOption::CreateDoubtPage(QWidget* page) {
    CheckBoxExe = Check(page, "CheckBoxExe", QStringLiteral("COM/EXEファイルを怪しいファイルとみなす"), 12);
    CheckBoxDouble =
        Check(page, "CheckBoxDouble", QStringLiteral("二重拡張子ファイルを怪しいファイルとみなす"), 36);
    RadioButtonNotClass = Make<QRadioButton>(page, "RadioButtonNotClass",
                                             QStringLiteral("怪しいとみなしたファイルは振り分けない"),
                                             QRect(24, 72, kPageWidth - 36, 20));
    RadioButtonClass = Make<QRadioButton>(
        page, "RadioButtonClass", QStringLiteral("怪しいとみなしたファイルは以下のフォルダに振り分ける"),
        QRect(24, 96, kPageWidth - 36, 20));
    EditDoubtFolder = MakeEdit(page, "EditDoubtFolder", QRect(44, 122, 400, 22));
    ButtonRef = Make<QPushButton>(page, "ButtonRef", QStringLiteral("参照..."), QRect(450, 121, 75, 24));
    for (QCheckBox* box : {CheckBoxExe, CheckBoxDouble})
        connect(box, &QCheckBox::clicked, this, [this] { CheckBoxExeClick(); });
    for (QRadioButton* radio : {RadioButtonNotClass, RadioButtonClass})
        connect(radio, &QRadioButton::clicked, this, [this] { RadioButtonClassClick(); });
    connect(ButtonRef, &QPushButton::clicked, this, [this] { ButtonRefClick(); });
}

void TFormOption::CreateNotClassPage(QWidget* page) {
    Make<QLabel>(page, "Label7", QStringLiteral("NGキーワード （スペースで区切った場合はOR条件）"),
                 QRect(12, 12, kPageWidth - 24, 16));
    EditNG = MakeEdit(page, "EditNG", QRect(12, 32, kPageWidth - 24, 22));
    CheckBoxIncomplete = Check(page, "CheckBoxIncomplete",
                               QStringLiteral("ファイル名に \"_incomplete\" を含む場合は振り分けない"), 70);
    ChkBoxUsing = Check(page, "ChkBoxUsing", QStringLiteral("使用中のファイルは振り分けない"), 94);
    // The quiet time of files whose writer cannot be seen, on the row under the box it belongs to.
    LblUsingWait = Make<QLabel>(page, "LblUsingWait",
                                QStringLiteral("書き込み中か判別できないファイルは、変更が止まってから"),
                                QRect(32, 121, 0, 16));
    LblUsingWait->setGeometry(32, 121, LblUsingWait->sizeHint().width(), 16);
    const int editLeft = LblUsingWait->geometry().right() + 6;
    EditUsingWait = MakeEdit(page, "EditUsingWait", QRect(editLeft, 118, 44, 22));
    EditUsingWait->setMaxLength(4);
    UpDownUsingWait =
        MakeUpDown(page, "UpDownUsingWait", EditUsingWait, kMinFileUsingWait, kMaxFileUsingWait);
    LblUsingWait2 = Make<QLabel>(page, "LblUsingWait2", QStringLiteral("分 待つ"),
                                 QRect(UpDownUsingWait->geometry().right() + 6, 121, 60, 16));
    Navy(page, "LblUsingWait3",
         QStringLiteral("※他のユーザーのプログラムが書き込むファイルは、書き込み中か判別できません。\n"
                        "　そのようなファイルは、変更が止まってからこの時間がたつまで振り分けません。"),
         QRect(32, 146, kPageWidth - 44, 32));
    connect(ChkBoxUsing, &QCheckBox::clicked, this, [this] { ChkBoxUsingClick(); });
}

void TFormOption::CreateExtChangePage(QWidget* page) {
    ListView1 = new QTreeWidget(page);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(12, 12, 410, 200);
    ListView1->setHeaderLabels({QStringLiteral("変更前拡張子"), QStringLiteral("変更後拡張子")});
    ListView1->setColumnWidth(0, 200);
    ListView1->setColumnWidth(1, 200);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setSectionsClickable(false);
    ListView1->installEventFilter(this);
    BtnAdd = Make<QPushButton>(page, "BtnAdd", QStringLiteral("追加"), QRect(436, 12, 85, 25));
    BtnEdit = Make<QPushButton>(page, "BtnEdit", QStringLiteral("編集"), QRect(436, 44, 85, 25));
    BtnDel = Make<QPushButton>(page, "BtnDel", QStringLiteral("削除"), QRect(436, 76, 85, 25));
    connect(BtnAdd, &QPushButton::clicked, this, [this] { BtnAddClick(); });
    connect(BtnEdit, &QPushButton::clicked, this, [this] { BtnEditClick(); });
    connect(BtnDel, &QPushButton::clicked, this, [this] { BtnDelClick(); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { BtnEditClick(); });
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, [this] { ListView1Click(); });
}

void TFormOption::CreateOthers1Page(QWidget* page) {
    GroupBoxCycleExec = Make<QGroupBox>(page, "GroupBoxCycleExec", QStringLiteral(" 定周期実行 "),
                                        QRect(12, 4, kPageWidth - 24, 48));
    RadioButtonNotCycleExec = Make<QRadioButton>(GroupBoxCycleExec, "RadioButtonNotCycleExec",
                                                 QStringLiteral("定周期実行しない"), QRect(12, 20, 130, 20));
    RadioButtonCycleExec =
        Make<QRadioButton>(GroupBoxCycleExec, "RadioButtonCycleExec",
                           QStringLiteral("定周期で振り分けを実行する"), QRect(150, 20, 190, 20));
    EditCycleExecTime = MakeEdit(GroupBoxCycleExec, "EditCycleExecTime", QRect(348, 19, 48, 22));
    EditCycleExecTime->setMaxLength(4);
    UpDown1 = MakeUpDown(GroupBoxCycleExec, "UpDown1", EditCycleExecTime, 1, 9999);
    Label1 = Make<QLabel>(GroupBoxCycleExec, "Label1", QStringLiteral("分毎"), QRect(420, 22, 40, 16));
    for (QRadioButton* radio : {RadioButtonNotCycleExec, RadioButtonCycleExec})
        connect(radio, &QRadioButton::clicked, this, [this] { GroupBoxCycleExecClick(); });
    // Sorting on arrival, below the periodic runs it goes beside.
    ChkBoxWatchSource = Check(
        page, "ChkBoxWatchSource",
        QStringLiteral("振り分け元フォルダを監視し、ファイルが届いたら振り分けを実行する"), 58,
        QStringLiteral("通知領域にいる間、振り分け元フォルダにファイルが届いて落ち着いたら振り分けます"));
    EditWatchWait = MakeEdit(page, "EditWatchWait", QRect(32, 80, 48, 22));
    EditWatchWait->setMaxLength(4);
    UpDownWatchWait = MakeUpDown(page, "UpDownWatchWait", EditWatchWait, kMinWatchWait, kMaxWatchWait);
    LblWatchWait =
        Make<QLabel>(page, "LblWatchWait", QStringLiteral("秒間変化がなければ実行"), QRect(104, 83, 200, 16));
    connect(ChkBoxWatchSource, &QCheckBox::clicked, this, [this] { ChkBoxWatchSourceClick(); });
    constexpr int top = 106; // the rows below move down by the two rows above
    CheckBoxAllSourceExec = Check(page, "CheckBoxAllSourceExec",
                                  QStringLiteral("全ての振り分け元フォルダで振り分けを実行する"), top);
    CheckBoxDustBox =
        Check(page, "CheckBoxDustBox", QStringLiteral("ファイル削除時はごみ箱に移動する"), top + 22);
    ChkBoxArchive =
        Check(page, "ChkBoxArchive", QStringLiteral("LZH，ZIP，RARファイルを開くときに警告する"), top + 44);
    ChkBoxMakeFolder = Check(page, "ChkBoxMakeFolder",
                             QStringLiteral("振り分け先フォルダが存在しない場合は自動で作成する"), top + 66);
    ChkBoxStartMin = Check(page, "ChkBoxStartMin", QStringLiteral("最小化で起動する"), top + 88);
    ChkBoxStartMin->setGeometry(12, top + 88, 200, 20);
    ChkBoxCloseMin = Make<QCheckBox>(page, "ChkBoxCloseMin", QStringLiteral("×ボタンで最小化する"),
                                     QRect(220, top + 88, kPageWidth - 232, 20));
    ChkBoxCloseMin->setToolTip(QStringLiteral("ウィンドウの×ボタンで終了せず、通知領域に入ります"));
    ChkBoxCheckBox = Check(
        page, "ChkBoxCheckBox",
        QStringLiteral(
            "振り分け条件リストにチェックボックスを表示する （全ての条件で振り分けする際に適用されます）"),
        top + 110);
    ChkBoxReadOnly =
        Check(page, "ChkBoxReadOnly",
              QStringLiteral("読み取り専用ファイルを振り分ける際に確認ダイアログを表示しない"), top + 132);
}

void TFormOption::CreateOthers2Page(QWidget* page) {
    ChkBoxFileComp =
        Check(page, "ChkBoxFileComp",
              QStringLiteral("ファイルコンペア処理を行う （一致していたら振り分け元ファイルを削除する）"), 8,
              QStringLiteral("MD5ハッシュ値を基にファイルの照合を行います"));
    // One sentence of four labels, each placed right after the one before it.
    auto* label4 = Make<QLabel>(page, "Label4", QStringLiteral("この機能を使用するには md5.dll （"),
                                QRect(32, 30, 0, 16));
    lblMD5 = Make<QLabel>(page, "lblMD5", QStringLiteral("同梱の libmd5.so"), QRect(0, 30, 0, 16));
    lblMD5->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblMD5->setCursor(Qt::PointingHandCursor);
    lblMD5->installEventFilter(this);
    auto* label8 = Make<QLabel>(page, "Label8", QStringLiteral("） が"), QRect(0, 30, 0, 16));
    auto* needed = Make<QLabel>(page, "Label6", QStringLiteral("必要です。"), QRect(0, 30, 0, 16));
    QFont underlined = needed->font();
    underlined.setUnderline(true);
    needed->setFont(underlined);
    int x = 32;
    for (QLabel* label : {label4, lblMD5, label8, needed}) {
        label->setGeometry(x, 30, label->sizeHint().width(), 16);
        x += label->sizeHint().width();
    }

    ChkBoxHistMax =
        Check(page, "ChkBoxHistMax", QStringLiteral("振り分け履歴の保存件数を制限する"), 54,
              QStringLiteral("振り分け履歴表示時に動作が重い場合はチェックすることをお勧めします"));
    ChkBoxHistMax->setGeometry(12, 54, 260, 20);
    EditHistMax = MakeEdit(page, "EditHistMax", QRect(280, 53, 36, 22));
    EditHistMax->setMaxLength(2);
    UpDown2 = MakeUpDown(page, "UpDown2", EditHistMax, 0, 99);
    lblHist = Make<QLabel>(page, "lblHist", QStringLiteral("百件"), QRect(340, 56, 40, 16));
    connect(ChkBoxHistMax, &QCheckBox::clicked, this, [this] { ChkBoxHistMaxClick(); });

    ChkBoxWinnyNG = Check(
        page, "ChkBoxWinnyNG", QStringLiteral("Winnyによる情報流出を防止するためのアシスト機能を使用する"),
        84, QStringLiteral("Winnyは使うけどファイルを公開する意志のない人はチェックして損はありません"));
    LblWinnyNG =
        Make<QLabel>(page, "LblWinnyNG", QStringLiteral("Winnyがあるフォルダ"), QRect(32, 110, 120, 16));
    EdWinnyFolder = MakeEdit(page, "EdWinnyFolder", QRect(156, 107, 290, 22));
    BtnWinnyNG = Make<QPushButton>(page, "BtnWinnyNG", QStringLiteral("参照..."), QRect(450, 106, 75, 24));
    connect(ChkBoxWinnyNG, &QCheckBox::clicked, this, [this] { ChkBoxWinnyNGClick(); });
    connect(BtnWinnyNG, &QPushButton::clicked, this, [this] { BtnWinnyNGClick(); });

    ChkBoxFiler = Check(page, "ChkBoxFiler", QStringLiteral("フォルダを開く際は以下のファイラを使用する"),
                        140, QStringLiteral("MDIEなど、エクスプローラ以外のファイラを使う方はどうぞ"));
    EdFiler = MakeEdit(page, "EdFiler", QRect(32, 164, 414, 22));
    BtnFiler = Make<QPushButton>(page, "BtnFiler", QStringLiteral("参照..."), QRect(450, 163, 75, 24));
    connect(ChkBoxFiler, &QCheckBox::clicked, this, [this] { ChkBoxFilerClick(); });
    connect(BtnFiler, &QPushButton::clicked, this, [this] { BtnFilerClick(); });
}

} // namespace sv
