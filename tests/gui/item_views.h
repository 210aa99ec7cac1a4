// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A list's rows as a user sees and touches them, through its view and the view's model.

#include <QAbstractItemView>
#include <QItemSelectionModel>

namespace sv::testing {

inline int Rows(const QAbstractItemView* view) {
    return view->model()->rowCount();
}

inline QString Cell(const QAbstractItemView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
}

inline QString Caption(const QAbstractItemView* view, int column) {
    return view->model()->headerData(column, Qt::Horizontal).toString();
}

// The row's check box: no value where none is shown.
inline QVariant CheckData(const QAbstractItemView* view, int row) {
    return view->model()->index(row, 0).data(Qt::CheckStateRole);
}
inline Qt::CheckState CheckState(const QAbstractItemView* view, int row) {
    return static_cast<Qt::CheckState>(CheckData(view, row).toInt());
}
// What a click on the row's check box does.
inline void SetCheckState(QAbstractItemView* view, int row, Qt::CheckState state) {
    view->model()->setData(view->model()->index(row, 0), state, Qt::CheckStateRole);
}

// The current row, selected alone as a click selects it; -1 for none.
inline void SetCurrentRow(QAbstractItemView* view, int row) {
    view->setCurrentIndex(row < 0 ? QModelIndex() : view->model()->index(row, 0));
}
inline int CurrentRow(const QAbstractItemView* view) {
    const QModelIndex current = view->currentIndex();
    return current.isValid() ? current.row() : -1;
}
// Adds the row to the selection, as a Ctrl+click does, leaving the current row where it is.
inline void AlsoSelect(QAbstractItemView* view, int row) {
    view->selectionModel()->select(view->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace sv::testing
