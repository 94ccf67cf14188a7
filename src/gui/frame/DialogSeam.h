#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every modal message box and file dialog of the program goes through here, so that
// tests can answer them without running a real modal loop.
class DialogAnswerer
{
public:
    virtual ~DialogAnswerer() = default;
    // Returns the pressed StandardButton.
    virtual int message(QMessageBox::Icon icon, const QString& title, const QString& text,
                        QMessageBox::StandardButtons buttons) = 0;
    // Return the chosen file name, or an empty string for cancel.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter, QString* selectedFilter) = 0;
};

namespace DialogSeam {
// Installs the answerer (not owned); nullptr restores the real dialogs.
void setAnswerer(DialogAnswerer* answerer);
DialogAnswerer* answerer();

int message(QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons);
QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter);
QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter, QString* selectedFilter = nullptr);
} // namespace DialogSeam
