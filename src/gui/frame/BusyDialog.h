#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// A small modal dialog for a short task on a worker (connecting, sending): a text and Cancel.
// Cancel, Esc and the close button ask the task to stop; the dialog closes when it has ended.
class BusyDialog : public QDialog
{
    Q_OBJECT
public:
    explicit BusyDialog(const QString& text, QWidget* parent = nullptr);

    QPushButton* cancelButton() const { return m_btnCancel; }

signals:
    void cancelRequested();

public slots:
    void reject() override;

private:
    QLabel* m_lbText;
    QPushButton* m_btnCancel;
    bool m_cancelling = false;
};
