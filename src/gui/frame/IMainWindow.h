#pragma once

#include <QString>

struct SMSInfo;

// What the dialogs may ask of the one main window.
class IMainWindow
{
public:
    virtual ~IMainWindow() = default;
    virtual void reloadContacts() = 0;
    virtual void startBackupFromPhone() = 0;
    virtual void showConversation(const QString& suffix) = 0;
    // A message the phone sent (from a chat or the compose dialog): stored like an incoming one,
    // at once or as soon as the account can take it; then its conversation's row moves to its
    // place.
    virtual void messageSent(const SMSInfo& sms) = 0;
    // A connection was made: the window's listener for incoming messages starts anew on it.
    virtual void restartListener() = 0;
};

// The one main window, or nullptr before it exists (and in tests without one).
IMainWindow* mainWindowInstance();
void setMainWindowInstance(IMainWindow* window);
