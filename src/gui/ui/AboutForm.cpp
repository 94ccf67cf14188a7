#include "gui/ui/AboutForm.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "core/frame/ProjectInfo.h"

AboutForm::AboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setFixedSize(500, 133);

    m_graphicsView = new QGraphicsView(this);
    m_graphicsView->setObjectName(QStringLiteral("graphicsView"));
    m_graphicsView->setGeometry(10, 20, 64, 64);
    m_graphicsView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_graphicsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lbProdAndVer = new QLabel(this);
    m_lbProdAndVer->setObjectName(QStringLiteral("lbProdAndVer"));
    m_lbProdAndVer->setGeometry(90, 30, 400, 16);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setGeometry(90, 50, 371, 16);
    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnOK->setGeometry(210, 100, 75, 23);
    connect(m_btnOK, &QPushButton::pressed, this, &QDialog::accept);

    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    const QString name = tr(ProjectInfo::displayName);
    setWindowTitle(tr("%1 - About").arg(name));
    m_lbProdAndVer->setText(name + QStringLiteral(" v") + QLatin1String(version));

    const QString home = QString::fromLatin1(ProjectInfo::homePageUrl);
    m_label->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(home));
    m_label->setTextFormat(Qt::RichText);
    m_label->setOpenExternalLinks(true);

    m_scene = new QGraphicsScene(this);
    m_scene->addPixmap(QPixmap(QStringLiteral(":/res/main_icon.png"))
                           .scaledToHeight(64, Qt::SmoothTransformation));
    m_graphicsView->setScene(m_scene);
    m_graphicsView->setStyleSheet(QStringLiteral("background:Transparent;border:0;"));
}
