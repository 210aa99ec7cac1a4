// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/run/report_model.h"

#include "platform/pathtext.h"

namespace sv {
namespace {

constexpr int kColumns = 3;
const char* const kCaptions[kColumns] = {"振り分けファイル名", "処理", "振り分け先フォルダ"};

// A destination that names a folder; "ごみ箱" and "削除" do not.
bool IsFolderText(std::string_view dest) {
    return !dest.empty() && dest.front() == '\\';
}

// A name on disk need not be UTF-8: what cannot be shown is replaced on screen only; the row
// keeps the exact bytes for opening and deleting.
QString Shown(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TReportModel::TReportModel(QObject* parent) : QAbstractTableModel(parent) {}

int TReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant TReportModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid() || index.row() >= rowCount())
        return {};
    const TReportEntry& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return Shown(row.name);
    case 1:
        return Shown(row.mark);
    case 2:
        return IsFolderText(row.dest) ? Shown(ToNativePath(row.dest)) : Shown(row.dest);
    default:
        return {};
    }
}

QVariant TReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= kColumns)
        return {};
    return QString::fromUtf8(kCaptions[section]);
}

void TReportModel::Append(const TReportEntry& row) {
    const int at = rowCount();
    beginInsertRows({}, at, at);
    m_rows.push_back(row);
    endInsertRows();
}

void TReportModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

std::string TReportModel::FolderOf(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    const TReportEntry& entry = m_rows[static_cast<std::size_t>(row)];
    return IsFolderText(entry.dest) ? entry.dest : std::string();
}

std::string TReportModel::PathOf(int row) const {
    const std::string folder = FolderOf(row);
    if (folder.empty())
        return {};
    return JoinPath(folder, m_rows[static_cast<std::size_t>(row)].name);
}

} // namespace sv
