#pragma once

#include <QDialog>

#include "core/store/Sqlite3Sql.h"

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

    // The statement for a keyword (already trimmed) and folder (0 all, 1 received, 2 sent).
    static Sqlite3Sql searchStatement(const QString& keyword, int folder);

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
