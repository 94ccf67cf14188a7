#pragma once

#include <QList>
#include <QQueue>
#include <QString>

#include "gui/frame/DialogSeam.h"

// Answers the program's message boxes and file dialogs in tests and records what was asked.
// Installed on construction, removed on destruction.
class DialogRecorder : public DialogAnswerer
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    DialogRecorder() { DialogSeam::setAnswerer(this); }
    ~DialogRecorder() override { DialogSeam::setAnswerer(nullptr); }
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    // Answers for the next boxes, in order. Without a queued answer a question is answered
    // No and any other box Ok.
    void queueButton(QMessageBox::StandardButton button) { m_buttons.enqueue(button); }
    void queueFileName(const QString& name) { m_files.enqueue(name); }

    int message(QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons) override
    {
        messages.append({icon, title, text, buttons});
        if (!m_buttons.isEmpty())
            return m_buttons.dequeue();
        if (buttons.testFlag(QMessageBox::No))
            return QMessageBox::No;
        return QMessageBox::Ok;
    }

    QString openFileName(QWidget*, const QString& caption, const QString&,
                         const QString& filter) override
    {
        fileCaptions.append(caption);
        fileFilters.append(filter);
        return m_files.isEmpty() ? QString() : m_files.dequeue();
    }

    QString saveFileName(QWidget*, const QString& caption, const QString&, const QString& filter,
                         QString* selectedFilter) override
    {
        fileCaptions.append(caption);
        fileFilters.append(filter);
        if (selectedFilter && !m_selectedFilters.isEmpty())
            *selectedFilter = m_selectedFilters.dequeue();
        return m_files.isEmpty() ? QString() : m_files.dequeue();
    }

    void queueSelectedFilter(const QString& filter) { m_selectedFilters.enqueue(filter); }

    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    // Each box as the initial of its icon and its text, e.g. "W: Please select ...".
    QStringList shown() const
    {
        QStringList texts;
        for (const Message& box : messages)
            texts.append(QStringLiteral("-IWCQ").at(int(box.icon)) + QStringLiteral(": ") +
                         box.text);
        return texts;
    }
    void clear()
    {
        messages.clear();
        fileCaptions.clear();
        fileFilters.clear();
    }

    QList<Message> messages;
    QStringList fileCaptions;
    QStringList fileFilters;

private:
    QQueue<int> m_buttons;
    QQueue<QString> m_files;
    QQueue<QString> m_selectedFilters;
};
