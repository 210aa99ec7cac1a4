// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/export_dialog.h"

#include "exchange/csv_export.h"
#include "gui/common/dialog_controls.h"
#include "gui/common/help_key.h"
#include "gui/common/window_look.h"
#include "platform/files.h"
#include "platform/help.h"
#include "platform/pathtext.h"
#include "services/open_warnings.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace sv {

TFormExport::TFormExport(TExchangeEnv env, QWidget* parent) : QDialog(parent), m_env(std::move(env)) {
    setObjectName(QStringLiteral("FormExport"));
    setWindowTitle(QStringLiteral("振り分け条件エクスポート"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(ProgramFont());
    setModal(true);
    setFixedSize(420, 128);
    Label1 = Make<QLabel>(this, "Label1",
                          QStringLiteral("エクスポートファイル名を指定し、[実行]ボタンを押してください。"),
                          {12, 10, 396, 16});
    Label3 = Make<QLabel>(this, "Label3", QStringLiteral("エクスポートファイル名"), {12, 38, 200, 16});
    CboFile = MakeFileBox(this, {12, 56, 314, 24});
    ButtonRef = Make<QPushButton>(this, "ButtonRef", QStringLiteral("参照..."), {333, 56, 75, 24});
    BtnOpen = Make<QPushButton>(this, "BtnOpen", QStringLiteral("ファイルを開く"), {12, 94, 100, 25});
    BtnOk = Make<QPushButton>(this, "BtnOk", QStringLiteral("実行"), {171, 94, 75, 25});
    BtnCancel = Make<QPushButton>(this, "BtnCancel", QStringLiteral("閉じる"), {252, 94, 75, 25});
    BtnHelp = Make<QPushButton>(this, "BtnHelp", QStringLiteral("ヘルプ"), {333, 94, 75, 25});
    BtnOk->setDefault(true);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(ButtonRef, &QPushButton::clicked, this, [this] { ButtonRefClick(); });
    connect(BtnOpen, &QPushButton::clicked, this, [this] { BtnOpenClick(); });
    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnHelp, &QPushButton::clicked, this, [this] { BtnHelpClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TFormExport::Execute(const TConditionList& list, int count, TAppSettings& settings) {
    Prepare(list, count, settings);
    CentreOnDesktop(*this);
    Timer1->start();
    exec();
    Timer1->stop();
    m_list = nullptr;
    m_settings = nullptr;
}

void TFormExport::Prepare(const TConditionList& list, int count, TAppSettings& settings) {
    m_list = &list;
    m_count = count;
    m_settings = &settings;
    FillFileBox(CboFile, settings.ExpFile);
    Timer1Timer();
    BtnOk->setFocus();
}

std::string TFormExport::FileName() const {
    return FileBoxPathText(CboFile, m_env.programFolder);
}

void TFormExport::Timer1Timer() {
    const std::string name = FileName();
    BtnOpen->setEnabled(!name.empty() && FileExists(name));
    BtnOk->setEnabled(!name.empty());
}

void TFormExport::BtnOkClick() {
    if (m_list == nullptr || FileName().empty())
        return;
    const std::string name = WithCsvExtension(FileName());
    CboFile->setEditText(QString::fromStdString(ToNativePath(name)));
    MessageBox& box = *m_env.box;
    if (const std::string problem = RecentNameProblem(name); !problem.empty()) {
        Tell(box, "Sorvanta", problem, MbIcon::Error);
        return;
    }
    const char* question = FileExists(name) ? "同名ファイルが存在します。上書きしてよろしいですか？"
                                            : "振り分け条件エクスポート処理を行います。よろしいですか？";
    if (!Ask(box, "Sorvanta - 確認", question))
        return;
    const Status written = ExportConditions(name, *m_list, m_count);
    if (!written) {
        Tell(box, "エクスポートファイル書き込みエラー", "ファイルに書き込めませんでした。", MbIcon::Error);
        return;
    }
    Tell(box, "Sorvanta", "振り分け条件エクスポート処理が完了しました。", MbIcon::None);
    RememberFile(CboFile, name, m_settings->ExpFile);
}

void TFormExport::ButtonRefClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "エクスポートファイルの参照";
    request.filter = "エクスポートファイル（*.csv） (*.csv)";
    request.defaultSuffix = "csv";
    BrowseForFile(CboFile, m_env, std::move(request));
}

void TFormExport::BtnOpenClick() {
    OpenWithoutQuestions(FileName(), *m_env.shell, *m_env.box);
}

void TFormExport::BtnHelpClick() {
    ShowHelp(m_env.programFolder, help::Exchange, *m_env.shell, *m_env.box);
}

void TFormExport::keyPressEvent(QKeyEvent* event) {
    if (IsHelpKey(*event)) {
        BtnHelpClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace sv
