// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's controls and where they sit. Its behaviour is in condition_dialog_events.cpp.
#include "gui/condition/condition_dialog.h"

#include "gui/common/dialog_controls.h"
#include "gui/common/window_look.h"
#include "platform/pathtext.h"
#include "platform/text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {
namespace {

constexpr int kClientWidth = 600;
constexpr int kPageWidth = kClientWidth - 16;

QWidget* MakePage(QTabWidget* tabs, const char* name, const QString& caption) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    tabs->addTab(page, caption);
    return page;
}

const QString kNotSorted = QStringLiteral("ファイルを振り分け対象としない");

} // namespace

TFormCond::TFormCond(TCondDialogEnv env, QWidget* parent)
    : QDialog(parent), m_env(std::move(env)), m_targets(*m_env.files) {
    setObjectName(QStringLiteral("FormCond"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(ProgramFont());
    setModal(true);

    CreateTopArea();
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 284, kPageWidth, 212);
    CreatePageGeneral(MakePage(PageControl1, "TabSheetSameName", QStringLiteral("一般")));
    CreatePageSize(MakePage(PageControl1, "TabSheetDoubt", QStringLiteral("ファイルサイズ限定")));
    CreatePageTime(MakePage(PageControl1, "TabSheet1", QStringLiteral("タイムスタンプ限定")));
    CreatePageStamp(MakePage(PageControl1, "TabSheet2", QStringLiteral("振り分け先フォルダ作成")));
    CreatePageTargets(MakePage(PageControl1, "TabSheetTarget", QStringLiteral("振り分け対象")));
    TabSheetSameName = PageControl1->widget(0);
    TabSheetDoubt = PageControl1->widget(1);
    TabSheet1 = PageControl1->widget(2);
    TabSheet2 = PageControl1->widget(3);
    TabSheetTarget = PageControl1->widget(4);

    // The preview and the current pattern code follow the boxes for the dialog's whole life.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TFormCond::Timer1Timer);
    Timer1->start();
    Timer1Timer();

    setFixedSize(kClientWidth, PageControl1->geometry().bottom() + 1 + 6);
}

void TFormCond::CreateTopArea() {
    Label5 = Make<QLabel>(this, "Label5", QStringLiteral("設定名"), {12, 12, 56, 16});
    EditComment = MakeEdit(this, "EditComment", {72, 9, kClientWidth - 80, 21});
    EditComment->setToolTip(
        QStringLiteral("この振り分け条件の名称を設定してください（設定しなくても振り分け処理"
                       "には影響ありません）"));

    GrpBoxSource = Make<QGroupBox>(this, "GrpBoxSource", QStringLiteral(" 振り分け元フォルダの選択 "),
                                   {8, 38, kClientWidth - 16, 80});
    RdBtnMain =
        Make<QRadioButton>(GrpBoxSource, "RdBtnMain",
                           QStringLiteral("メイン画面で設定したフォルダを適用する"), {12, 22, 300, 18});
    ChkBoxKaiFolder = Make<QCheckBox>(GrpBoxSource, "ChkBoxKaiFolder",
                                      QStringLiteral("サブフォルダも対象とする "), {330, 22, 240, 18});
    RdBtnFolder = Make<QRadioButton>(GrpBoxSource, "RdBtnFolder", QStringLiteral("以下のフォルダを適用する"),
                                     {12, 50, 180, 18});
    EdSource = MakeEdit(GrpBoxSource, "EdSource", {196, 48, kClientWidth - 16 - 196 - 82, 21});
    BtnRefSource = Make<QPushButton>(GrpBoxSource, "BtnRefSource", QStringLiteral("参照..."),
                                     {kClientWidth - 16 - 78, 47, 70, 23});

    const QString andHint = QStringLiteral("キーワードは半角スペースで区切ると複数設定できます");
    const QString notHint = QStringLiteral("先頭に半角スラッシュを付けると除外キーワードとなります");
    const int half = (kClientWidth - 16 - 6) / 2;
    PanelKeyword = new QFrame(this);
    PanelKeyword->setObjectName(QStringLiteral("PanelKeyword"));
    PanelKeyword->setGeometry(8, 126, half, 26);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8 + half + 6, 126, half, 26);
    for (QFrame* frame : {PanelKeyword, Panel1}) {
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setFrameShadow(QFrame::Sunken);
    }
    LblKeyword =
        Make<QLabel>(PanelKeyword, "LblKeyword", QStringLiteral("振り分けキーワード"), {8, 5, 130, 16});
    RdBtnAnd = Make<QRadioButton>(PanelKeyword, "RdBtnAnd", QStringLiteral("AND"), {150, 4, 60, 18});
    RdBtnOr = Make<QRadioButton>(PanelKeyword, "RdBtnOr", QStringLiteral("OR"), {214, 4, 60, 18});
    LblExclude = Make<QLabel>(Panel1, "LblExclude", QStringLiteral("除外キーワード"), {8, 5, 130, 16});
    RdBtnNotAnd = Make<QRadioButton>(Panel1, "RdBtnNotAnd", QStringLiteral("AND"), {150, 4, 60, 18});
    RdBtnNotOr = Make<QRadioButton>(Panel1, "RdBtnNotOr", QStringLiteral("OR"), {214, 4, 60, 18});
    for (QWidget* w : std::initializer_list<QWidget*>{PanelKeyword, LblKeyword, RdBtnAnd, RdBtnOr})
        w->setToolTip(andHint);
    for (QWidget* w : std::initializer_list<QWidget*>{Panel1, LblExclude, RdBtnNotAnd, RdBtnNotOr})
        w->setToolTip(notHint);
    RdBtnAnd->setChecked(true);
    RdBtnNotAnd->setChecked(true);

    EditKeyword = MakeEdit(this, "EditKeyword", {8, 156, kClientWidth - 16, 21});
    EditKeyword->setToolTip(andHint);

    Label2 = Make<QLabel>(this, "Label2", QStringLiteral("振り分け先フォルダ"), {8, 186, 200, 16});
    EditDest = MakeEdit(this, "EditDest", {8, 203, kClientWidth - 16 - 80, 21});
    ButtonRef =
        Make<QPushButton>(this, "ButtonRef", QStringLiteral("参照..."), {kClientWidth - 8 - 74, 202, 74, 23});

    ChkBoxCopy = Make<QCheckBox>(this, "ChkBoxCopy", QStringLiteral("振り分け（移動）ではなく、コピーする"),
                                 {8, 232, 280, 18});
    ChkBoxOption =
        Make<QCheckBox>(this, "ChkBoxOption", QStringLiteral("その他の設定を表示する"), {8, 254, 280, 18});

    const int buttonTop = 248;
    BtnDefault = Make<QPushButton>(this, "BtnDefault", QStringLiteral("デフォルト登録"),
                                   {kClientWidth - 8 - 3 * 84 - 110, buttonTop, 104, 25});
    BtnOk = Make<QPushButton>(this, "BtnOk", QStringLiteral("OK"),
                              {kClientWidth - 8 - 3 * 84 + 4, buttonTop, 80, 25});
    BtnCancel = Make<QPushButton>(this, "BtnCancel", QStringLiteral("キャンセル"),
                                  {kClientWidth - 8 - 2 * 84 + 4, buttonTop, 80, 25});
    BtnHelp = Make<QPushButton>(this, "BtnHelp", QStringLiteral("ヘルプ"),
                                {kClientWidth - 8 - 84 + 4, buttonTop, 80, 25});
    BtnOk->setDefault(true);
    BtnOk->setAutoDefault(true);
    for (QPushButton* b : {BtnDefault, BtnCancel, BtnHelp, BtnRefSource, ButtonRef})
        b->setAutoDefault(false);

    connect(BtnOk, &QPushButton::clicked, this, &TFormCond::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormCond::BtnCancelClick);
    connect(BtnHelp, &QPushButton::clicked, this, &TFormCond::BtnHelpClick);
    connect(BtnDefault, &QPushButton::clicked, this, &TFormCond::BtnDefaultClick);
    connect(BtnRefSource, &QPushButton::clicked, this, &TFormCond::BtnRefSourceClick);
    connect(ButtonRef, &QPushButton::clicked, this, &TFormCond::ButtonRefClick);
    connect(RdBtnMain, &QRadioButton::toggled, this, &TFormCond::RdBtnSourceClick);
    connect(RdBtnFolder, &QRadioButton::toggled, this, &TFormCond::RdBtnSourceClick);
    connect(ChkBoxCopy, &QCheckBox::toggled, this, &TFormCond::ChkBoxCopyClick);
    connect(ChkBoxOption, &QCheckBox::toggled, this, &TFormCond::ChkBoxOptionClick);
    connect(EditComment, &QLineEdit::textEdited, this,
            [this] { LimitBytes(EditComment, &m_lastComment, kSettingNameMaxBytes); });
    connect(EditKeyword, &QLineEdit::textEdited, this,
            [this] { LimitBytes(EditKeyword, &m_lastKeyword, kKeywordMaxBytes); });
}

void TFormCond::CreatePageGeneral(QWidget* page) {
    const int column = kPageWidth / 2;
    CheckBoxLargeSmall =
        Make<QCheckBox>(page, "CheckBoxLargeSmall", QStringLiteral("キーワードの大文字/小文字を区別しない"),
                        {12, 14, column - 16, 18});
    CheckBoxHanZen =
        Make<QCheckBox>(page, "CheckBoxHanZen", QStringLiteral("キーワードの半角/全角を区別しない"),
                        {12, 40, column - 16, 18});
    ChkBoxHira =
        Make<QCheckBox>(page, "ChkBoxHira", QStringLiteral("キーワードのひらがな/カタカナを区別しない"),
                        {12, 66, column - 16, 18});
    ChkBoxDup =
        Make<QCheckBox>(page, "ChkBoxDup", QStringLiteral("オプションのファイルコンペア処理を行わない "),
                        {12, 92, column - 16, 18});
    ChkBoxNoHistory = Make<QCheckBox>(page, "ChkBoxNoHistory", QStringLiteral("振り分け履歴に保存しない"),
                                      {column, 14, column - 12, 18});
    ChkBoxExtChange =
        Make<QCheckBox>(page, "ChkBoxExtChange", QStringLiteral("オプションの拡張子変更条件を適用しない"),
                        {column, 40, column - 12, 18});
    ChkBoxFolder = Make<QCheckBox>(page, "ChkBoxFolder", QStringLiteral("フォルダも振り分け対象とする"),
                                   {column, 66, column - 12, 18});
    ChkBoxOnlyFolder =
        Make<QCheckBox>(page, "ChkBoxOnlyFolder", QStringLiteral("フォルダのみ振り分け対象とする"),
                        {column, 92, column - 12, 18});
    // The two folder boxes exclude each other.
    connect(ChkBoxFolder, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ChkBoxOnlyFolder->setChecked(false);
    });
    connect(ChkBoxOnlyFolder, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ChkBoxFolder->setChecked(false);
    });
}

void TFormCond::CreatePageSize(QWidget* page) {
    auto* group = Make<QGroupBox>(page, "GroupBoxSize", QStringLiteral(" ファイルサイズで処理を限定する "),
                                  {8, 8, kPageWidth - 24, 92});
    const QStringList units{QStringLiteral("バイト"), QStringLiteral("KB"), QStringLiteral("MB")};
    const QStringList relations{QStringLiteral("の"), QStringLiteral("以下の"), QStringLiteral("以上の")};
    struct Row {
        QCheckBox** tick;
        QLineEdit** edit;
        QWidget** upDown;
        QComboBox** unit;
        QComboBox** relation;
        QLabel** label;
        std::array<const char*, 6> names;
        const char* caption;
    };
    const std::array<Row, 2> rows{{
        {&ChkCondition1,
         &EditSize1,
         &UpDown1,
         &CboSize1,
         &CboSelect1,
         &LblSize1,
         {"ChkCondition1", "EditSize1", "UpDown1", "CboSize1", "CboSelect1", "LblSize1"},
         "条件1"},
        {&ChkCondition2,
         &EditSize2,
         &UpDown2,
         &CboSize2,
         &CboSelect2,
         &LblSize2,
         {"ChkCondition2", "EditSize2", "UpDown2", "CboSize2", "CboSelect2", "LblSize2"},
         "条件2"},
    }};
    int top = 26;
    for (const Row& row : rows) {
        *row.tick = Make<QCheckBox>(group, row.names[0], QString::fromUtf8(row.caption), {12, top, 64, 18});
        *row.edit = MakeEdit(group, row.names[1], {80, top - 2, 44, 21});
        (*row.edit)->setMaxLength(4);
        (*row.edit)->setText(QStringLiteral("1"));
        *row.upDown = MakeUpDown(group, row.names[2], *row.edit, 0, 9999);
        *row.unit = MakeCombo(group, row.names[3], units, {148, top - 2, 70, 22});
        *row.relation = MakeCombo(group, row.names[4], relations, {224, top - 2, 80, 22});
        *row.label = Make<QLabel>(group, row.names[5], kNotSorted, {312, top + 1, 220, 16});
        connect(*row.tick, &QCheckBox::toggled, this, &TFormCond::ChkBoxSizeClick);
        top += 32;
    }
}

void TFormCond::CreatePageTime(QWidget* page) {
    auto* group = Make<QGroupBox>(page, "GroupBoxTime", QStringLiteral(" タイムスタンプで処理を限定する "),
                                  {8, 8, kPageWidth - 24, 158});
    const QStringList beforeAfter{QStringLiteral("以前の"), QStringLiteral("以降の")};
    const QStringList terms{QStringLiteral("日前"), QStringLiteral("週間前"), QStringLiteral("ヶ月前")};
    int top = 26;
    const std::array<QCheckBox**, 2> dateTicks{&chkTimeLimit1, &chkTimeLimit2};
    const std::array<QDateEdit**, 2> pickers{&DTPick1, &DTPick2};
    const std::array<QComboBox**, 2> dateRelations{&cboDTP1, &cboDTP2};
    const std::array<QLabel**, 4> labels{&LblTime1, &LblTime2, &LblTime3, &LblTime4};
    for (int i = 0; i < 2; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        *dateTicks[i] = Make<QCheckBox>(group, ("chkTimeLimit" + n).constData(),
                                        QStringLiteral("条件") + QString(n), {12, top, 64, 18});
        auto* picker = new QDateEdit(QDate(2009, 1, 1), group);
        picker->setObjectName(QString::fromLatin1("DTPick" + n));
        // The years a block holds.
        picker->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
        picker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        picker->setCalendarPopup(true);
        picker->setGeometry(80, top - 2, 110, 22);
        *pickers[i] = picker;
        *dateRelations[i] = MakeCombo(group, ("cboDTP" + n).constData(), beforeAfter, {196, top - 2, 80, 22});
        *labels[i] = Make<QLabel>(group, ("LblTime" + n).constData(), kNotSorted, {284, top + 1, 220, 16});
        top += 32;
    }
    const std::array<QCheckBox**, 2> ageTicks{&chkTimeLimit3, &chkTimeLimit4};
    const std::array<QLineEdit**, 2> counts{&EditTimeLimit1, &EditTimeLimit2};
    const std::array<QWidget**, 2> upDowns{&UpDownLimit1, &UpDownLimit2};
    const std::array<QComboBox**, 2> termBoxes{&cboTerm1, &cboTerm11};
    const std::array<QComboBox**, 2> ageRelations{&cboTerm2, &cboTerm12};
    const std::array<const char*, 2> termNames{"cboTerm1", "cboTerm11"};
    const std::array<const char*, 2> relationNames{"cboTerm2", "cboTerm12"};
    for (int i = 0; i < 2; ++i) {
        const QByteArray n = QByteArray::number(i + 3);
        const QByteArray m = QByteArray::number(i + 1);
        *ageTicks[i] = Make<QCheckBox>(group, ("chkTimeLimit" + n).constData(),
                                       QStringLiteral("条件") + QString(n), {12, top, 64, 18});
        *counts[i] = MakeEdit(group, ("EditTimeLimit" + m).constData(), {80, top - 2, 30, 21});
        (*counts[i])->setMaxLength(2);
        (*counts[i])->setText(QStringLiteral("1"));
        *upDowns[i] = MakeUpDown(group, ("UpDownLimit" + m).constData(), *counts[i], 0, 99);
        *termBoxes[i] = MakeCombo(group, termNames[i], terms, {132, top - 2, 80, 22});
        *ageRelations[i] = MakeCombo(group, relationNames[i], beforeAfter, {218, top - 2, 80, 22});
        *labels[i + 2] =
            Make<QLabel>(group, ("LblTime" + n).constData(), kNotSorted, {306, top + 1, 220, 16});
        top += 32;
    }
    for (QCheckBox* tick : {chkTimeLimit1, chkTimeLimit2, chkTimeLimit3, chkTimeLimit4})
        connect(tick, &QCheckBox::toggled, this, &TFormCond::chkTimeLimit1Click);
}

void TFormCond::CreatePageStamp(QWidget* page) {
    ChkBoxTimeStamp = Make<QCheckBox>(page, "ChkBoxTimeStamp",
                                      QStringLiteral("タイムスタンプを元に振り分け先フォルダを作成する "),
                                      {12, 12, 400, 18});
    connect(ChkBoxTimeStamp, &QCheckBox::toggled, this, &TFormCond::ChkBoxTimeStampClick);

    const QString none = QStringLiteral("なし");
    // The separator that starts a new folder level is shown as the system's folder separator.
    const QStringList separators{none, QStringLiteral("-"), QStringLiteral("_"),
                                 QString::fromStdString(ToNativePath("\\"))};
    const QString sepHint = QStringLiteral("区切り記号");
    const int top = 62;
    CboYY = MakeCombo(page, "CboYY", {none, QStringLiteral("YY"), QStringLiteral("YYYY")}, {12, top, 66, 22},
                      QStringLiteral("年"));
    CboYY_ = MakeCombo(page, "CboYY_", separators, {82, top, 52, 22}, sepHint);
    CboMM = MakeCombo(page, "CboMM", {none, QStringLiteral("MM")}, {138, top, 58, 22}, QStringLiteral("月"));
    CboMM_ = MakeCombo(page, "CboMM_", separators, {200, top, 52, 22}, sepHint);
    CboDD = MakeCombo(page, "CboDD", {none, QStringLiteral("DD")}, {256, top, 58, 22}, QStringLiteral("日"));
    CboDD_ = MakeCombo(page, "CboDD_", separators, {318, top, 52, 22}, sepHint);
    CboHH = MakeCombo(page, "CboHH", {none, QStringLiteral("HH")}, {374, top, 58, 22}, QStringLiteral("時"));
    CboHH_ = MakeCombo(page, "CboHH_", separators, {436, top, 52, 22}, sepHint);
    CboNN = MakeCombo(page, "CboNN", {none, QStringLiteral("NN")}, {492, top, 58, 22}, QStringLiteral("分"));

    // Column heads above the component boxes, as one control.
    Lbl1 = new QWidget(page);
    Lbl1->setObjectName(QStringLiteral("Lbl1"));
    Lbl1->setGeometry(0, top - 20, kPageWidth, 18);
    const std::array<std::pair<QComboBox*, const char*>, 5> heads{
        {{CboYY, "年"}, {CboMM, "月"}, {CboDD, "日"}, {CboHH, "時"}, {CboNN, "分"}}};
    for (const auto& [box, head] : heads) {
        auto* label = new QLabel(QString::fromUtf8(head), Lbl1);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(box->x(), 0, box->width(), 18);
    }

    Lbl2 = Make<QLabel>(
        page, "Lbl2",
        QStringLiteral("▼ タイムスタンプが 2009年01月23日04時56分 のファイルが保存されるフォルダパス"),
        {12, 100, kPageWidth - 30, 16});
    LblPath = Make<QLabel>(page, "LblPath", {}, {28, 122, kPageWidth - 46, 16});
    LblPattern = Make<QLabel>(page, "LblPattern", {}, {12, 150, kPageWidth - 30, 16});
    LblPattern->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

std::array<QComboBox*, 9> TFormCond::PatternBoxes() const {
    return {CboYY, CboYY_, CboMM, CboMM_, CboDD, CboDD_, CboHH, CboHH_, CboNN};
}

} // namespace sv
