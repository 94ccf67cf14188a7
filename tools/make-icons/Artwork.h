#pragma once

// The larger pictures: application icon, account banner, toolbar background, and the two
// small list icons.

#include <QImage>

namespace icons {

QImage applicationIcon(int size = 256);
QImage accountBanner();
QImage toolbarBackground();
QImage databaseIcon();
QImage contactIcon();

} // namespace icons
