#pragma once

#include <QItemSelection>
#include <QPoint>
#include <QTreeView>

// Tree view that reports selection changes and context-menu requests as signals; the owner
// builds the menu and shows it at menuPosition().
class MyTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit MyTreeView(QWidget* parent = nullptr);

    // Where the menu of the last request belongs, in global coordinates: at the mouse pointer,
    // or at the current row when the request came from the keyboard (Menu key, Shift+F10).
    QPoint menuPosition() const { return m_menuPosition; }

signals:
    void onSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void createContextMenu();

protected:
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The Menu key and Shift+F10 ask for the menu of the current row.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPoint m_menuPosition;
};
