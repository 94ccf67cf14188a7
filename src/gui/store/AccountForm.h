#pragma once

#include <QDialog>
#include <QFileInfoList>

class QComboBox;
class QGraphicsScene;
class QGraphicsView;
class QLabel;
class QPushButton;

// Shown once at start-up: lists the account files, creates or deletes one, and opens the
// chosen one as the current database before it accepts.
class AccountForm : public QDialog
{
    Q_OBJECT
public:
    explicit AccountForm(QWidget* parent = nullptr);

    // The account files found at the last refresh, newest first.
    const QFileInfoList& accountFiles() const { return m_accountFiles; }

public slots:
    void onBtnEnterClicked();
    void onDeleteAccountClicked(const QString& link);

private:
    void buildInterface();
    void showBanner();
    void fillAccountList();
    bool accountFileExists(const QString& name) const;
    // Each returns false when the dialog must stay (the user was told why).
    bool createDefaultAccount(QString& name);
    bool createNamedAccount(QString& name);
    bool createFile(const QString& name);
    bool openDatabase(const QString& name);

    QGraphicsView* m_graphicsView;
    QGraphicsScene* m_scene;
    QLabel* m_lbAccTips;
    QLabel* m_label;
    QComboBox* m_cbAccount;
    QLabel* m_aDelAccount;
    QPushButton* m_btnAccountEnter;
    QFileInfoList m_accountFiles;
};
