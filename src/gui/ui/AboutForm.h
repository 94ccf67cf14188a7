#pragma once

#include <QDialog>

class QGraphicsScene;
class QGraphicsView;
class QLabel;
class QPushButton;

// The about box: icon, program name and version, and a link to the home page.
class AboutForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* version = "3.2.2";

    explicit AboutForm(QWidget* parent = nullptr);

private:
    QGraphicsView* m_graphicsView;
    QLabel* m_lbProdAndVer;
    QLabel* m_label;
    QPushButton* m_btnOK;
    QGraphicsScene* m_scene;
};
