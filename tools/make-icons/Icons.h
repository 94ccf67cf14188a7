#pragma once

// The 64 x 64 menu and toolbar icons: a white glyph on a coloured tile.

#include <QImage>

namespace icons {

QImage importIcon();
QImage exportIcon();
QImage printIcon();
QImage syncIcon();
QImage backupIcon();
QImage restoreIcon();
QImage fromOtherIcon();
QImage searchIcon();
QImage composeIcon();
QImage exitIcon();
QImage helpIcon();

} // namespace icons
