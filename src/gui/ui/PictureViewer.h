#pragma once

#include <QDialog>
#include <QImage>

// A picture of an MMS at full size, scrollable; deletes itself when closed.
class PictureViewer : public QDialog
{
    Q_OBJECT
public:
    PictureViewer(const QImage& image, const QString& title, QWidget* parent = nullptr);
};
