// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/condition_list.h"

#include <QAbstractTableModel>

#include <vector>

namespace sv {

// The table of conditions as the main list's model. A row's tick is the condition's own marker in
// its coded destination text: ticking writes it there at once, so a save, a run, an export or a
// copy always sees what the list shows. The shown texts are made once per change of the table.
class TConditionTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TConditionTableModel(TConditionList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Rows are dragged only to be reordered (by the view's owner, from the drop's row); a move,
    // as the user sees it.
    Qt::DropActions supportedDropActions() const override;

    // The table changed as a whole (loaded, edited, rows added or removed): every row anew. With
    // `checkBoxes` off the ticks are not shown but are kept all the same.
    void Reset(bool checkBoxes);
    bool CheckBoxesShown() const { return m_checkBoxes; }

    bool Checked(int row) const;
    void SetChecked(int row, bool on);
    // The row and the next one change places in the table and in the list.
    void SwapWithNext(int row);

private:
    TConditionList& m_list;
    std::vector<TListRow> m_rows;
    bool m_checkBoxes = true;
};

} // namespace sv
