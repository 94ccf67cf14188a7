#include "gui/frame/MyTreeView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

MyTreeView::MyTreeView(QWidget* parent) : QTreeView(parent) {}

void MyTreeView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    emit onSelectionChanged(selected, deselected);
    QTreeView::selectionChanged(selected, deselected);
}

void MyTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    m_menuPosition = event->globalPos();
    const QRect row = visualRect(currentIndex());
    if (event->reason() == QContextMenuEvent::Keyboard && row.isValid())
        m_menuPosition = viewport()->mapToGlobal(row.center());
    emit createContextMenu();
    QAbstractScrollArea::contextMenuEvent(event);
}

void MyTreeView::keyPressEvent(QKeyEvent* event)
{
    const bool menuKey = event->key() == Qt::Key_Menu ||
                         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (!menuKey) {
        QTreeView::keyPressEvent(event);
        return;
    }
    const QRect row = visualRect(currentIndex());
    const QPoint at = row.isValid() ? row.center() : QPoint();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at),
                              event->modifiers());
    contextMenuEvent(&request);
    event->accept();
}
