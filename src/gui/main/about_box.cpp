// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/about_box.h"

#include "gui/common/app_setup.h"
#include "gui/common/help_key.h"
#include "platform/help.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sv {

TAboutBox::TAboutBox(const TMainWindowEnv& env, QWidget* parent) : QDialog(parent), m_env(env) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(ProgramFont());
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(sv::ProgramIcon().pixmap(32, 32));
    ProgramIcon->setFixedSize(36, 36);
    ProgramIcon->setAlignment(Qt::AlignCenter);

    ProductName = new QLabel(QStringLiteral("Sorvanta"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = ProductName->font();
    big.setPointSize(big.pointSize() + 5);
    big.setBold(true);
    ProductName->setFont(big);

    Version = new QLabel(panel);
    Version->setObjectName(QStringLiteral("Version"));

    Comments = new QLabel(QStringLiteral("キーワードでファイルを振り分けるソフト\n"
                                         "ライセンス: GNU GPL バージョン 3 以降"),
                          panel);
    Comments->setObjectName(QStringLiteral("Comments"));

    auto* grid = new QGridLayout(panel);
    grid->addWidget(ProgramIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(ProductName, 0, 1);
    grid->addWidget(Version, 1, 1);
    grid->addWidget(Comments, 2, 1);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(12);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(300);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if (IsHelpKey(*event)) {
        ShowHelp(m_env.programFolder, help::About, *m_env.shell, *m_env.box);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace sv
