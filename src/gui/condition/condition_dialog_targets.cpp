// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's page "振り分け対象": what the condition would take if it ran now on its own.
#include "gui/condition/condition_dialog.h"

#include "gui/common/dialog_controls.h"
#include "platform/pathtext.h"
#include "store/byte_size.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTreeView>

namespace sv {

// The rows of the list, nothing copied into items.
class TTargetModel final : public QAbstractTableModel {
public:
    explicit TTargetModel(QObject* parent) : QAbstractTableModel(parent) {}

    void Reset(std::vector<TTargetRow> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const TTargetRow& row = m_rows[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case 0:
            return QString::fromStdString(row.name);
        case 1:
            return QString::fromStdString(ToNativePath(row.folder));
        case 2:
            return row.isFolder ? QStringLiteral("フォルダ")
                                : QString::fromStdString(FormatByteSize(row.size));
        default:
            return row.suspicious ? QStringLiteral("怪しいファイル用フォルダへ") : QString();
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const std::array<QString, 4> kHeads{QStringLiteral("名前"), QStringLiteral("フォルダ"),
                                                   QStringLiteral("サイズ"), QStringLiteral("備考")};
        return kHeads[static_cast<std::size_t>(section)];
    }

private:
    std::vector<TTargetRow> m_rows;
};

void TFormCond::CreatePageTargets(QWidget* page) {
    constexpr int kWidth = 584; // the page control's width less its frame
    LblTargetCount = Make<QLabel>(page, "LblTargetCount", {}, {12, 8, kWidth - 30, 16});
    m_targetModel = new TTargetModel(this);
    ListTarget = new QTreeView(page);
    ListTarget->setObjectName(QStringLiteral("ListTarget"));
    ListTarget->setModel(m_targetModel);
    ListTarget->setRootIsDecorated(false);
    ListTarget->setUniformRowHeights(true);
    ListTarget->setItemsExpandable(false);
    ListTarget->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListTarget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListTarget->setAllColumnsShowFocus(true);
    ListTarget->header()->setStretchLastSection(true);
    ListTarget->setGeometry(8, 28, kWidth - 20, 118);
    for (const auto& [column, width] : {std::pair{0, 210}, std::pair{1, 170}, std::pair{2, 70}})
        ListTarget->setColumnWidth(column, width);
    LblTargetNote = Make<QLabel>(
        page, "LblTargetNote",
        QStringLiteral(
            "※ 一覧でこの条件より上にある振り分け条件が、このうちのいくつかを先に振り分けることがあります。"),
        {12, 150, kWidth - 30, 16});
}

void TFormCond::UpdateTargets() {
    if (!TabSheetTarget->isVisible())
        return;
    TSortCondition condition;
    if (const Status composed = ComposeForm(ReadForm(), condition); !composed) {
        if (m_targetsShown || m_targetsFault != composed.error()) {
            m_targetsShown.reset();
            m_targetsFault = composed.error();
            TTargetList nothing;
            nothing.countLine = m_targetsFault;
            ShowTargets(nothing);
        }
        return;
    }
    const bool read = m_targets.Read(TargetSourceOf(DecodeCondition(condition), m_mainFolders));
    if (read)
        ++m_targetReads;
    if (!read && m_targetsShown == condition)
        return;
    m_targetsShown = condition;
    m_targetsFault.clear();
    ShowTargets(m_targets.Match(condition, m_options, Now()));
}

void TFormCond::ShowTargets(const TTargetList& list) {
    LblTargetCount->setText(QString::fromStdString(list.countLine));
    LblTargetCount->setToolTip(LblTargetCount->text());
    m_targetModel->Reset(list.rows);
}

} // namespace sv
