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
