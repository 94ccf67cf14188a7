#pragma once

// Shared by the GUI tests: a stand-in main window, widgets found by object name, and acting on
// modal dialogs.
#include <QApplication>
#include <QTimer>
#include <functional>

#include "core/frame/JobRunner.h"
#include "core/jobs/ListenJob.h"
#include "gui/frame/IMainWindow.h"

namespace guitest {

// Stands in for the main window while it lives, and counts what is asked of it.
class FakeMainWindow : public IMainWindow
{
public:
    FakeMainWindow() { setMainWindowInstance(this); }
    ~FakeMainWindow() override { setMainWindowInstance(nullptr); }
    void reloadContacts() override { ++reloads; }
    void startBackupFromPhone() override { ++backupsStarted; }
    void showConversation(const QString&) override {}
    void messageSent(const SMSInfo&) override {}
    void restartListener() override { listenerRunner.restart(); }

    int reloads = 0;
    int backupsStarted = 0;
    ListenJob listener;
    JobRunner listenerRunner{listener};
};

template <typename T> T* child(QWidget* form, const char* name)
{
    T* widget = form->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

// Runs action on the next modal dialog of the given object or class name once it is shown.
inline void whenModal(const QString& name, std::function<void(QWidget*)> action,
                      int attemptsLeft = 2000)
{
    QTimer::singleShot(5, [=]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() &&
            (modal->objectName() == name || name == modal->metaObject()->className()))
            action(modal);
        else if (attemptsLeft > 0)
            whenModal(name, action, attemptsLeft - 1);
    });
}

} // namespace guitest
