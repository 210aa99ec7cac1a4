// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/history/history_model.h"

#include "history/history_logic.h"
#include "platform/pathtext.h"
#include "store/record_text.h"

namespace sv {
namespace {

const char* const kCaptions[kHistoryColumns] = {"振り分けファイル（フォルダ）名", "処理",
                                                "振り分け元フォルダ", "振り分け先フォルダ", "振り分け日時"};

QString Shown(const std::string& recordText, bool folder) {
    std::string text = UnescapeRecordText(recordText);
    // Folders are shown the way a Linux user writes them; "削除" and "ごみ箱" stay words.
    if (folder && !text.empty() && text.front() == '\\')
        text = ToNativePath(text);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

THistoryModel::THistoryModel(THistoryList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {}

int THistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.entries.size());
}

int THistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kHistoryColumns;
}

QVariant THistoryModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const int column = index.column();
    return Shown(m_list.entries.Text(static_cast<std::size_t>(index.row()), HistoryColumnField(column)),
                 column == 2 || column == 3);
}

QVariant THistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kHistoryColumns)
        return {};
    return QString::fromUtf8(kCaptions[section]);
}

void THistoryModel::Reset() {
    beginResetModel();
    endResetModel();
}

} // namespace sv
