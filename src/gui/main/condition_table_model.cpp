// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/condition_table_model.h"

#include "gui/common/qt_text.h"
#include "platform/pathtext.h"
#include "store/condition.h"

#include <utility>

namespace sv {
namespace {

constexpr int kColumns = 4;
const char* const kCaptions[kColumns] = {"設定名", "振り分け元フォルダ", "キーワード", "振り分け先フォルダ"};

} // namespace

TConditionTableModel::TConditionTableModel(TConditionList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {}

int TConditionTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TConditionTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant TConditionTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TListRow& row = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::CheckStateRole) {
        if (!m_checkBoxes || index.column() != 0)
            return {};
        return Checked(index.row()) ? Qt::Checked : Qt::Unchecked;
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case 0:
        return Q(row.caption);
    case 1:
        return row.source == "<標準>" ? Q(row.source) : Q(ToNativePath(row.source));
    case 2:
        return Q(row.keywords);
    case 3:
        return Q(ToNativePath(row.dest));
    default:
        return {};
    }
}

bool TConditionTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !m_checkBoxes || !index.isValid() || index.column() != 0 ||
        index.row() >= rowCount())
        return false;
    SetChecked(index.row(), static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
    return true;
}

QVariant TConditionTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= kColumns)
        return {};
    return QString::fromUtf8(kCaptions[section]);
}

Qt::ItemFlags TConditionTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags out =
        Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (m_checkBoxes)
        out |= Qt::ItemIsUserCheckable;
    return out;
}

Qt::DropActions TConditionTableModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

void TConditionTableModel::Reset(bool checkBoxes) {
    beginResetModel();
    m_checkBoxes = checkBoxes;
    m_rows.clear();
    m_rows.reserve(static_cast<std::size_t>(m_list.Count()));
    for (int i = 0; i < m_list.Count(); ++i)
        m_rows.push_back(BuildListRow(m_list.At(i)));
    endResetModel();
}

bool TConditionTableModel::Checked(int row) const {
    if (row < 0 || row >= rowCount())
        return false;
    // While a dialog changes the table under the list, the list's own copy answers.
    return row < m_list.Count() ? IsChecked(m_list.At(row).destText)
                                : m_rows[static_cast<std::size_t>(row)].checked;
}

void TConditionTableModel::SetChecked(int row, bool on) {
    if (row < 0 || row >= rowCount() || row >= m_list.Count() || Checked(row) == on)
        return;
    TSortCondition condition = m_list.At(row);
    condition.destText = sv::SetChecked(condition.destText, on);
    m_list.Put(row, std::move(condition));
    m_rows[static_cast<std::size_t>(row)].checked = on;
    const QModelIndex at = index(row, 0);
    emit dataChanged(at, at, {Qt::CheckStateRole});
}

void TConditionTableModel::SwapWithNext(int row) {
    if (row < 0 || row + 1 >= rowCount() || row + 1 >= m_list.Count())
        return;
    // The lower row goes above the upper one; the selection follows the rows.
    beginMoveRows({}, row + 1, row + 1, {}, row);
    m_list.Swap(row);
    std::swap(m_rows[static_cast<std::size_t>(row)], m_rows[static_cast<std::size_t>(row + 1)]);
    endMoveRows();
}

} // namespace sv
