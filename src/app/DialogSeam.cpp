#include "app/DialogSeam.h"

#include <QFileDialog>

namespace {

DialogAnswerer* g_answerer = nullptr;

} // namespace

namespace DialogSeam {

void setAnswerer(DialogAnswerer* answerer)
{
    g_answerer = answerer;
}

DialogAnswerer* answerer()
{
    return g_answerer;
}

int message(QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons)
{
    if (g_answerer)
        return g_answerer->message(icon, title, text, buttons);

    QMessageBox box(icon, title, text, QMessageBox::NoButton, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    // A fixed order, whatever the platform's button layout prefers.
    for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel}) {
        if (buttons.testFlag(button))
            box.addButton(button);
    }
    return box.exec();
}

QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter)
{
    if (g_answerer)
        return g_answerer->openFileName(parent, caption, dir, filter);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter, QString* selectedFilter)
{
    if (g_answerer)
        return g_answerer->saveFileName(parent, caption, dir, filter, selectedFilter);
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

} // namespace DialogSeam
