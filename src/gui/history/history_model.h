// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/history_file.h"

#include <QAbstractTableModel>

namespace sv {

// The history list as the window's model: one row per entry, five columns, nothing copied. A
// history of 100 000 entries costs the view only the rows it shows.
class THistoryModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit THistoryModel(THistoryList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The list was refilled, sorted or shortened.
    void Reset();

private:
    THistoryList& m_list;
};

} // namespace sv
