// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/file_box.h"

#include "gui/common/qt_text.h"
#include "platform/pathtext.h"

#include <QComboBox>
#include <QLineEdit>

namespace sv {

QComboBox* MakeFileBox(QWidget* parent, QRect geometry) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("CboFile"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(static_cast<int>(kMaxRecentFiles));
    box->setCompleter(nullptr);
    box->setGeometry(geometry);
    return box;
}

void FillFileBox(QComboBox* box, const TRecentSlots& recent) {
    box->clear();
    for (const std::string& item : RecentItems(recent))
        box->addItem(Q(ToNativePath(item)));
    if (box->count() > 0)
        box->setCurrentIndex(0);
    else
        box->setEditText(QString());
}

std::string FileBoxPathText(const QComboBox* box, const std::string& programFolder) {
    const std::string typed = box->currentText().toStdString();
    if (typed.empty())
        return typed;
    const std::string pathText = FromNativePath(typed);
    return pathText.front() == '\\' ? pathText : JoinPath(programFolder, pathText);
}

void RememberFile(QComboBox* box, const std::string& pathText, TRecentSlots& recent) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(FromNativePath(box->itemText(i).toStdString()));
    UpdateRecentFiles(items, pathText, recent);
    FillFileBox(box, recent);
}

void BrowseForFile(QComboBox* box, const TExchangeEnv& env, FileDialogRequest request) {
    request.start = FileBoxPathText(box, env.programFolder);
    if (const auto chosen = env.fileDialog->Choose(request); chosen && !chosen->empty())
        box->setEditText(Q(ToNativePath(*chosen)));
}

} // namespace sv
