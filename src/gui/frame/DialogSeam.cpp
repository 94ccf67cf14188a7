#include "gui/frame/DialogSeam.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHash>
#include <QPushButton>

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
    // Texts from the phone or a file must not be rendered as markup.
    box.setTextFormat(Qt::PlainText);
    // Standard buttons would be rearranged by role for the platform; buttons of one role keep
    // the order in which they were added, so they show as Yes, No, Ok, Cancel everywhere.
    QDialogButtonBox standardTexts;
    QHash<QAbstractButton*, int> codes;
    int escapeCode = QMessageBox::NoButton;
    QAbstractButton* escapeButton = nullptr;
    for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel}) {
        if (!buttons.testFlag(button))
            continue;
        const QString label =
            standardTexts.addButton(QDialogButtonBox::StandardButton(int(button)))->text();
        QPushButton* added = box.addButton(label, QMessageBox::ActionRole);
        codes.insert(added, button);
        if (!box.defaultButton())
            box.setDefaultButton(added);
        // Closing the box answers Cancel, else No, else the only button there is.
        if (button == QMessageBox::Cancel || button == QMessageBox::No || !escapeButton) {
            escapeButton = added;
            escapeCode = button;
        }
    }
    if (escapeButton)
        box.setEscapeButton(escapeButton);
    box.exec();
    return codes.value(box.clickedButton(), escapeCode);
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
