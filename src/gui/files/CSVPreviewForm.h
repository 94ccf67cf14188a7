#pragma once

#include <QDialog>
#include <QList>

#include "core/frame/SMSInfo.h"
#include "gui/files/ItemModelSMSPreview.h"

class AbsSMSDataSource;
class JobThread;
class QLabel;
class QPushButton;
class MyTreeView;

// Shows previewed messages and sends all of them, or the selected ones, into the open account
// (import job) or to the phone (restore job). Closes itself, accepted, after a successful
// import or restore; an import also makes the main window reload its contacts. For an XML
// backup file it shows the first page of the file's messages and the number of all of them;
// importing or restoring all reads the file again, streaming.
class CSVPreviewForm : public QDialog
{
    Q_OBJECT
public:
    explicit CSVPreviewForm(const QList<SMSInfo>& list, QWidget* parent = nullptr);
    CSVPreviewForm(const QList<SMSInfo>& firstPage, const QString& xmlFile, int total,
                   QWidget* parent = nullptr);

    const ItemModelSMSPreview& model() const { return m_model; }

public slots:
    void onBtnImportAllToLocalPressed();
    void onBtnRestoreToAndroidPressed();
    void onSMSListCreateContextMenu();
    void onmiImportSelectionToLocal();
    void onmiRestoreSelectionToAndroid();

private:
    void buildInterface();
    QList<SMSInfo> selectedSMS() const;
    void importToLocal(const QList<SMSInfo>& list);
    void runImport(JobThread& job);
    void restoreToAndroid(AbsSMSDataSource& source);

    ItemModelSMSPreview m_model;
    QString m_xmlFile; // empty: the model holds every message
    int m_total;
    QLabel* m_lbCSVTotal = nullptr;
    QPushButton* m_btnImportToLocal = nullptr;
    QPushButton* m_btnRestoreToAndroid = nullptr;
    MyTreeView* m_listSMS = nullptr;
};
