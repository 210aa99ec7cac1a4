// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_ui.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace sv {

// A run's result rows as the run window's model: the rows the run reported, kept as they came,
// three columns shown from them. A run of 100 000 items costs the view only the rows it shows.
class TReportModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TReportModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // One row at the end, announced on its own: a run shows its rows as it makes them.
    void Append(const TReportEntry& row);
    void Clear();

    // The row's destination folder as a path text; empty for a deleted duplicate ("ごみ箱",
    // "削除") and for a row that does not exist.
    std::string FolderOf(int row) const;
    // The row's file as a path text under its exact name on disk; empty where FolderOf is.
    std::string PathOf(int row) const;

private:
    std::vector<TReportEntry> m_rows;
};

} // namespace sv
