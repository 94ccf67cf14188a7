#pragma once

// Drives the connection dialog by the object names of its widgets.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <QtTest>

#include "app/IMainWindow.h"
#include "device/ConnectionForm.h"

namespace phonetest {

template <typename T> T* child(QWidget* form, const char* name)
{
    T* widget = form->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

inline void chooseWifi(QWidget* form, const QString& address)
{
    child<QRadioButton>(form, "raWifi")->click();
    child<QLineEdit>(form, "txtWifiAddr")->setText(address);
}

inline void pressConnect(QWidget* form)
{
    child<QPushButton>(form, "btnConnect")->click();
}

inline bool installEnglish(QTranslator& translator)
{
    return translator.load(QStringLiteral(":/en.qm")) &&
           QCoreApplication::installTranslator(&translator);
}

// Counts what the connection dialog asks of the main window.
class FakeMainWindow : public IMainWindow
{
public:
    FakeMainWindow() { setMainWindowInstance(this); }
    ~FakeMainWindow() override { setMainWindowInstance(nullptr); }
    void reloadContacts() override {}
    void startBackupFromPhone() override { ++backupsStarted; }
    void showConversation(const QString&) override {}

    int backupsStarted = 0;
};

} // namespace phonetest
