// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/import_dialog.h"

#include "gui/common/dialog_controls.h"
#include "gui/common/help_key.h"
#include "gui/common/window_look.h"
#include "platform/files.h"
#include "platform/help.h"
#include "services/open_warnings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextOption>
#include <QTimer>

namespace sv {
namespace {

constexpr int kModes = 4;
constexpr int kAtCursor = static_cast<int>(ImportMode::AtCursor);

} // namespace

TFormImport::TFormImport(TExchangeEnv env, QWidget* parent) : QDialog(parent), m_env(std::move(env)) {
    setObjectName(QStringLiteral("FormImport"));
    setWindowTitle(QStringLiteral("振り分け条件インポート"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(ProgramFont());
    setModal(true);
    setFixedSize(456, 396);
    Label1 = Make<QLabel>(this, "Label1",
                          QStringLiteral("インポートファイル名を指定し、[実行]ボタンを押してください。"),
                          {12, 10, 432, 16});
    Label3 = Make<QLabel>(this, "Label3", QStringLiteral("インポートファイル名"), {12, 38, 200, 16});
    CboFile = MakeFileBox(this, {12, 56, 350, 24});
    ButtonRef = Make<QPushButton>(this, "ButtonRef", QStringLiteral("参照..."), {369, 56, 75, 24});
    CreateModes();
    Label2 = Make<QLabel>(this, "Label2", QStringLiteral("実行結果"), {12, 204, 200, 16});
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The report lines wrap at the memo's width, a long name anywhere, so none needs a sideways
    // scroll.
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setGeometry(12, 222, 432, 128);
    BtnOpen = Make<QPushButton>(this, "BtnOpen", QStringLiteral("ファイルを開く"), {12, 361, 100, 25});
    BtnOk = Make<QPushButton>(this, "BtnOk", QStringLiteral("実行"), {126, 361, 75, 25});
    BtnBack = Make<QPushButton>(this, "BtnBack", QStringLiteral("元に戻す"), {207, 361, 75, 25});
    BtnCancel = Make<QPushButton>(this, "BtnCancel", QStringLiteral("閉じる"), {288, 361, 75, 25});
    BtnHelp = Make<QPushButton>(this, "BtnHelp", QStringLiteral("ヘルプ"), {369, 361, 75, 25});
    BtnOk->setDefault(true);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(ButtonRef, &QPushButton::clicked, this, [this] { ButtonRefClick(); });
    connect(BtnOpen, &QPushButton::clicked, this, [this] { BtnOpenClick(); });
    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnBack, &QPushButton::clicked, this, [this] { BtnBackClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnHelp, &QPushButton::clicked, this, [this] { BtnHelpClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TFormImport::CreateModes() {
    RdGrp1 = new QGroupBox(QStringLiteral(" インポート方法 "), this);
    RdGrp1->setObjectName(QStringLiteral("RdGrp1"));
    RdGrp1->setGeometry(12, 90, 432, 106);
    RdGrp1Items = new QButtonGroup(this);
    const QString texts[kModes] = {
        QStringLiteral("現在の振り分け条件をクリアしてインポート"),
        QStringLiteral("現在の振り分け条件の先頭に追加インポート"),
        QStringLiteral("現在の振り分け条件の最後尾に追加インポート"),
        QStringLiteral("現在の振り分け条件のカーソル位置に追加インポート"),
    };
    for (int mode = 0; mode < kModes; ++mode) {
        auto* button = new QRadioButton(texts[mode], RdGrp1);
        button->setObjectName(QStringLiteral("RdGrp1Item%1").arg(mode));
        button->setGeometry(12, 20 + mode * 20, 408, 18);
        RdGrp1Items->addButton(button, mode);
    }
}

void TFormImport::Execute(TConditionList& list, int selectedRow, TAppSettings& settings) {
    Prepare(list, selectedRow, settings);
    CentreOnDesktop(*this);
    Timer1->start();
    exec();
    Timer1->stop();
    Finish();
    m_list = nullptr;
    m_settings = nullptr;
}

void TFormImport::Prepare(TConditionList& list, int selectedRow, TAppSettings& settings) {
    m_list = &list;
    m_selectedRow = selectedRow;
    m_settings = &settings;
    const bool cursor = selectedRow >= 0 && selectedRow < list.Count();
    RdGrp1Items->button(kAtCursor)->setEnabled(cursor);
    int mode = settings.ImpIndex;
    if (mode < 0 || mode >= kModes || (mode == kAtCursor && !cursor))
        mode = 0;
    RdGrp1Items->button(mode)->setChecked(true);
    Memo1->clear();
    FillFileBox(CboFile, settings.ImpFile);
    Timer1Timer();
    BtnOk->setFocus();
}

void TFormImport::Finish() {
    if (m_settings != nullptr)
        m_settings->ImpIndex = RdGrp1Items->checkedId();
}

std::string TFormImport::FileName() const {
    return FileBoxPathText(CboFile, m_env.programFolder);
}

void TFormImport::SetMemo(const std::string& text) {
    Memo1->setPlainText(QString::fromStdString(text));
    Memo1->repaint();
}

void TFormImport::Timer1Timer() {
    const std::string name = FileName();
    const bool exists = !name.empty() && FileExists(name);
    BtnOpen->setEnabled(exists);
    BtnOk->setEnabled(exists);
    BtnBack->setEnabled(m_state.undoPossible);
}

void TFormImport::BtnOkClick() {
    if (m_list == nullptr)
        return;
    MessageBox& box = *m_env.box;
    if (!Ask(box, "Sorvanta - 確認", "振り分け条件インポート処理を行います。よろしいですか？"))
        return;
    const std::string name = FileName();
    if (name.empty() || !FileExists(name)) {
        Tell(box, "Sorvanta - ファイルオープンエラー", "インポートファイルがありません。", MbIcon::Error);
        return;
    }
    if (const std::string problem = RecentNameProblem(name); !problem.empty()) {
        Tell(box, "Sorvanta", problem, MbIcon::Error);
        return;
    }
    SetMemo("インポート処理中です。しばらくお待ち下さい...");
    const auto mode = static_cast<ImportMode>(std::max(RdGrp1Items->checkedId(), 0));
    const TImportOutcome outcome = ImportConditions(name, mode, m_selectedRow, *m_list, m_state);
    if (!outcome.read) {
        Tell(box, "Sorvanta", "インポートファイルを開けません。\n" + outcome.read.error(), MbIcon::Error);
        Memo1->clear();
        return;
    }
    SetMemo(outcome.MemoText());
    Tell(box, "Sorvanta", "振り分け条件インポート処理が完了しました。", MbIcon::None);
    RememberFile(CboFile, name, m_settings->ImpFile);
    Timer1Timer();
}

void TFormImport::BtnBackClick() {
    if (m_list == nullptr || !m_state.undoPossible)
        return;
    if (!Ask(*m_env.box, "Sorvanta - 確認",
             "振り分け条件リストを、最後に実行したインポート処理の直前の状態に戻します。よろしいですか？"))
        return;
    UndoImport(*m_list, m_state);
    Tell(*m_env.box, "Sorvanta", "振り分け条件を元に戻す処理が完了しました。", MbIcon::None);
    Timer1Timer();
}

void TFormImport::ButtonRefClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = "インポートファイルの参照";
    request.filter = "インポートファイル（*.csv） (*.csv)";
    BrowseForFile(CboFile, m_env, std::move(request));
}

void TFormImport::BtnOpenClick() {
    OpenWithoutQuestions(FileName(), *m_env.shell, *m_env.box);
}

void TFormImport::BtnHelpClick() {
    ShowHelp(m_env.programFolder, help::Exchange, *m_env.shell, *m_env.box);
}

void TFormImport::keyPressEvent(QKeyEvent* event) {
    if (IsHelpKey(*event)) {
        BtnHelpClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace sv
