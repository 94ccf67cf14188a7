#pragma once

// The larger pictures: application icon, account banner, toolbar background, and the two
// small list icons.

#include <QByteArray>
#include <QImage>

namespace icons {

QImage applicationIcon(int size = 256);
// The application icon as an SVG document, for the desktop's scalable icon.
QByteArray applicationIconSvg();
QImage accountBanner();
QImage toolbarBackground();
QImage databaseIcon();
QImage contactIcon();

} // namespace icons
