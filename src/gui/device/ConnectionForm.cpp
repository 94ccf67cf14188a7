#include "gui/device/ConnectionForm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "core/device/AdbBridge.h"
#include "core/device/DeviceConnection.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/ProjectInfo.h"
#include "core/frame/ReasonText.h"
#include "gui/frame/IMainWindow.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/RunBehindDialog.h"

namespace {

constexpr int WIDTH = 432;
constexpr int INITIAL_HEIGHT = 288;
constexpr int HEIGHT_WITH_METHOD = 240;
constexpr int HEIGHT_WITHOUT_METHOD = 180;

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

ConnectionForm::ConnectionForm(QWidget* parent) : QDialog(parent, Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("ConnectionForm"));
    buildWidgets();
    setWindowTitle(tr("%1-Connection").arg(tr(ProjectInfo::displayName)));
    resize(WIDTH, INITIAL_HEIGHT);

    connect(m_raUsb, &QRadioButton::clicked, this, &ConnectionForm::onChooseConnectMethod);
    connect(m_raWifi, &QRadioButton::clicked, this, &ConnectionForm::onChooseConnectMethod);
    connect(m_aRefreshUsbDevices, &QLabel::linkActivated, this,
            &ConnectionForm::onBtnRefreshClicked);
    connect(m_btnConnect, &QPushButton::pressed, this, &ConnectionForm::onBtnConnectClicked);
    connect(m_btnCancel, &QPushButton::pressed, this, &QDialog::reject);

    onChooseConnectMethod(false);
}

void ConnectionForm::buildWidgets()
{
    m_label2 = named(new QLabel(tr("To connect Android to computer,firstly start ZO Ruro Vedarov "
                                   "and then select one of the following connecting methods."),
                                this),
                     "label_2");
    m_label2->setWordWrap(true);
    m_label = named(new QLabel(tr("Connecting Method:"), this), "label");
    m_raUsb = named(new QRadioButton(tr("USB"), this), "raUsb");
    m_raWifi = named(new QRadioButton(tr("WiFi"), this), "raWifi");

    m_gbUsb = named(new QGroupBox(tr("Connect via USB"), this), "gbUsb");
    m_label3 = named(new QLabel(tr("Select Device:"), m_gbUsb), "label_3");
    m_cbUsbDevices = named(new QComboBox(m_gbUsb), "cbUsbDevices");
    m_aRefreshUsbDevices =
        named(new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(tr("Refresh")), m_gbUsb),
              "aRefreshUsbDevices");
    m_aRefreshUsbDevices->setTextFormat(Qt::RichText);
    m_aRefreshUsbDevices->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                                  Qt::LinksAccessibleByKeyboard);

    m_gbWifi = named(new QGroupBox(tr("Connect via WiFi"), this), "gbWifi");
    m_label4 = named(new QLabel(tr("WiFi IP:"), m_gbWifi), "label_4");
    m_txtWifiAddr = named(new QLineEdit(m_gbWifi), "txtWifiAddr");

    m_btnConnect = named(new QPushButton(tr("Connect"), this), "btnConnect");
    m_btnCancel = named(new QPushButton(tr("Cancel"), this), "btnCancel");

    auto* methods = new QHBoxLayout;
    methods->addWidget(m_label);
    methods->addWidget(m_raUsb);
    methods->addWidget(m_raWifi);
    methods->addStretch();

    auto* usb = new QHBoxLayout(m_gbUsb);
    usb->addWidget(m_label3);
    usb->addWidget(m_cbUsbDevices, 1);
    usb->addWidget(m_aRefreshUsbDevices);

    auto* wifi = new QHBoxLayout(m_gbWifi);
    wifi->addWidget(m_label4);
    wifi->addWidget(m_txtWifiAddr, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnConnect);
    buttons->addWidget(m_btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label2);
    layout->addLayout(methods);
    layout->addWidget(m_gbUsb);
    layout->addWidget(m_gbWifi);
    layout->addStretch();
    layout->addLayout(buttons);
}

void ConnectionForm::onChooseConnectMethod(bool)
{
    if (m_raUsb->isChecked()) {
        m_gbUsb->show();
        m_gbWifi->hide();
        onBtnRefreshClicked(QString());
        setFixedHeight(HEIGHT_WITH_METHOD);
    } else if (m_raWifi->isChecked()) {
        m_gbUsb->hide();
        m_gbWifi->show();
        setFixedHeight(HEIGHT_WITH_METHOD);
    } else {
        m_gbUsb->hide();
        m_gbWifi->hide();
        setFixedHeight(HEIGHT_WITHOUT_METHOD);
    }
}

void ConnectionForm::onBtnRefreshClicked(const QString&)
{
    QSet<QString> serials;
    try {
        if (!runInBackground(tr("Looking for devices..."), [&] {
                AdbBridge bridge;
                serials = bridge.devices();
            }))
            return;
    } catch (const std::runtime_error& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    m_cbUsbDevices->clear();
    for (const QString& serial : serials)
        m_cbUsbDevices->addItem(serial);
    if (serials.isEmpty())
        showWarning(tr("IDS_USB_CONNECTION_CAN_NOT_FIND_ANY_DEVICES"));
    else
        m_cbUsbDevices->setCurrentIndex(0);
}

bool ConnectionForm::chooseTarget(QString& serial, QString& host)
{
    if (m_raUsb->isChecked()) {
        if (m_cbUsbDevices->currentIndex() < 0) {
            showWarning(tr("IDS_PLEASE_SELECT_CONNECT_DEVICE"));
            return false;
        }
        serial = m_cbUsbDevices->currentText();
        try {
            if (!runInBackground(tr("Forwarding the phone's port..."), [&] {
                    AdbBridge bridge;
                    bridge.forward(serial, DeviceConnection::COMMAND_PORT,
                                   DeviceConnection::COMMAND_PORT);
                }))
                return false;
        } catch (const std::runtime_error& e) {
            showErrorOccurred(QString::fromUtf8(e.what()));
            return false;
        }
        host = QStringLiteral("127.0.0.1");
        return true;
    }
    if (m_raWifi->isChecked()) {
        host = m_txtWifiAddr->text().trimmed();
        if (!DeviceConnection::isWifiAddress(host)) {
            showErrorOccurred(tr("IDS_INVALID_WIFI_ADDR_WHEN_CONNECT_TO_DEVICE"));
            return false;
        }
        serial = host;
        return true;
    }
    showWarning(tr("IDS_PLEASE_SELECT_CONNECT_METHOD"));
    return false;
}

void ConnectionForm::onBtnConnectClicked()
{
    QString serial;
    QString host;
    if (!chooseTarget(serial, host))
        return;
    const bool usb = m_raUsb->isChecked();
    try {
        if (!runInBackground(tr("Connecting to the phone..."),
                             [&] { setConnection(serial, host, usb); }))
            return;
    } catch (const simpleprotocol::SocketDataTransferException& e) {
        showCritical(withReason(tr("IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1"),
                                outsideText(QString::fromUtf8(e.what()))));
        return;
    } catch (const simpleprotocol::RemoteException& e) {
        // The service is there but refused the hello: reported like a failed connection.
        showCritical(withReason(tr("IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1"),
                                outsideText(QString::fromUtf8(e.what()))));
        return;
    } catch (const std::exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    if (IMainWindow* window = mainWindowInstance())
        window->restartListener();
    if (askYesNo(tr("IDS_CONNECT_SUC_NEED_SYNC"))) {
        // The connection is made: the dialog has nothing more to show behind the job's boxes.
        hide();
        if (IMainWindow* window = mainWindowInstance())
            window->startBackupFromPhone();
    }
    accept();
}
