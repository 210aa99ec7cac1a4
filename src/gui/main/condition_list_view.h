// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTreeView>

namespace sv {

// The main list. Dragging a row onto another row reorders the conditions: the list itself moves
// nothing, it reports the target row and the main window moves the condition in its table.
class TConditionListView final : public QTreeView {
    Q_OBJECT

public:
    explicit TConditionListView(QWidget* parent = nullptr);

    // The first selected row, or -1.
    int SelectedRow() const;

signals:
    void RowDropped(int targetRow);
    void KeyPressed(int key, Qt::KeyboardModifiers modifiers);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool IsOwnRowDrag(const QDropEvent* event) const;
};

} // namespace sv
