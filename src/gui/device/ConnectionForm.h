#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Connects to the phone over USB (through the debug bridge) or WiFi, proves the connection
// with a hello and makes it current; then offers a backup.
class ConnectionForm : public QDialog
{
    Q_OBJECT
public:
    explicit ConnectionForm(QWidget* parent = nullptr);

public slots:
    void onChooseConnectMethod(bool checked = false);
    void onBtnRefreshClicked(const QString& link = QString());
    void onBtnConnectClicked();

private:
    void buildWidgets();
    // The serial and host to connect to, or false when the user must correct something.
    bool chooseTarget(QString& serial, QString& host);

    QLabel* m_label2;
    QLabel* m_label;
    QRadioButton* m_raUsb;
    QRadioButton* m_raWifi;
    QGroupBox* m_gbUsb;
    QLabel* m_label3;
    QComboBox* m_cbUsbDevices;
    QLabel* m_aRefreshUsbDevices;
    QGroupBox* m_gbWifi;
    QLabel* m_label4;
    QLineEdit* m_txtWifiAddr;
    QPushButton* m_btnConnect;
    QPushButton* m_btnCancel;
};
