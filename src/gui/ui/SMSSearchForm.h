#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SmsBrowser;

// Searches the stored messages by keyword and folder; one per run, shown without being modal.
class SMSSearchForm : public QDialog
{
    Q_OBJECT
public:
    explicit SMSSearchForm(QWidget* parent = nullptr);

    // A search that takes longer shows its busy dialog with Cancel.
    static constexpr int SHOW_BUSY_AFTER_MS = 100;

    QLineEdit* keywordEdit() const { return m_txtKeyword; }
    QComboBox* folderBox() const { return m_cbFolder; }
    SmsBrowser* browser() const { return m_browserSMS; }
    QLabel* statusLabel() const { return m_lbConversationStatus; }

public slots:
    void onBtnSearchClicked();

private:
    QLineEdit* m_txtKeyword;
    QComboBox* m_cbFolder;
    QPushButton* m_btnSearch;
    SmsBrowser* m_browserSMS;
    QLabel* m_lbConversationStatus;
};
