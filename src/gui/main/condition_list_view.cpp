// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/condition_list_view.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyledItemDelegate>

namespace sv {
namespace {

// The format Qt's item views use for their own rows; files dragged in from outside lack it.
const QString kRowFormat = QStringLiteral("application/x-qabstractitemmodeldatalist");

// A little air between the rows: the 9-point face leaves them cramped otherwise.
class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 4);
    }
};

} // namespace

TConditionListView::TConditionListView(QWidget* parent) : QTreeView(parent) {
    setItemDelegate(new RowDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

int TConditionListView::SelectedRow() const {
    if (selectionModel() == nullptr)
        return -1;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

bool TConditionListView::IsOwnRowDrag(const QDropEvent* event) const {
    const QObject* source = event->source();
    return (source == nullptr || source == this) && event->mimeData() != nullptr &&
           event->mimeData()->hasFormat(kRowFormat);
}

void TConditionListView::dragEnterEvent(QDragEnterEvent* event) {
    if (IsOwnRowDrag(event))
        QTreeView::dragEnterEvent(event);
    else
        event->ignore();
}

void TConditionListView::dragMoveEvent(QDragMoveEvent* event) {
    if (IsOwnRowDrag(event) && indexAt(event->position().toPoint()).isValid())
        QTreeView::dragMoveEvent(event);
    else
        event->ignore();
}

void TConditionListView::dropEvent(QDropEvent* event) {
    const QModelIndex target = indexAt(event->position().toPoint());
    if (!IsOwnRowDrag(event) || !target.isValid()) {
        event->ignore();
        return;
    }
    // The rows stay where they are; the table is reordered and the list rebuilt from it.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    emit RowDropped(target.row());
}

void TConditionListView::keyPressEvent(QKeyEvent* event) {
    QTreeView::keyPressEvent(event);
    emit KeyPressed(event->key(), event->modifiers());
}

} // namespace sv
