#pragma once

#include <QMessageBox>
#include <QString>

// Modal message boxes titled with the program's display name. Buttons always appear in
// the order Yes, No, Ok, Cancel.
int showMessage(QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons);
bool askYesNo(const QString& text);
void showWarning(const QString& text);
void showInformation(const QString& text);
void showCritical(const QString& text);
// The one box in which every caught failure is shown, with the failure's text as detail.
void showErrorOccurred(const QString& detail);

// A text from outside the program (the phone, a file, the database) as a box shows it: its
// first 1,000 characters. Boxes show their texts as plain text, never as markup.
QString outsideText(const QString& text);
// A tool tip that shows such a text literally (a tool tip would render markup).
QString plainToolTip(const QString& text);
