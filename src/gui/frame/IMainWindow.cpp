#include "gui/frame/IMainWindow.h"

namespace {

IMainWindow* g_mainWindow = nullptr;

} // namespace

IMainWindow* mainWindowInstance()
{
    return g_mainWindow;
}

void setMainWindowInstance(IMainWindow* window)
{
    g_mainWindow = window;
}
