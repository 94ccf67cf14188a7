#include "gui/ui/PictureViewer.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

PictureViewer::PictureViewer(const QImage& image, const QString& title, QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("lbPicture"));
    picture->setPixmap(QPixmap::fromImage(image));
    auto* area = new QScrollArea;
    area->setWidget(picture);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
    resize(std::min(image.width() + 4, 1024), std::min(image.height() + 4, 768));
}
