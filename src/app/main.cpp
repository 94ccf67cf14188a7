#include <QApplication>
#include <QTranslator>
#include <memory>

#include "core/frame/LocalTimeZone.h"
#include "gui/frame/IMainWindow.h"
#include "gui/store/AccountForm.h"
#include "gui/ui/MainWindow.h"

int main(int argc, char* argv[])
{
    readLocalTimeZoneOnce();
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/res/main_icon.png")));
    // Wayland ties the window to its desktop entry (and so its icon and name) by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tallowbrook.Tallowbrook"));

    // A catalogue that fails to load leaves the keys showing as they are.
    QTranslator translator;
    if (translator.load(QStringLiteral(":/en.qm"), QString(), QString(), QString()))
        app.installTranslator(&translator);

    AccountForm accountForm(nullptr);
    if (accountForm.exec() != QDialog::Accepted)
        return 0;

    auto mainWindow = std::make_unique<MainWindow>();
    setMainWindowInstance(mainWindow.get());
    const int code = mainWindow->runUntilClosed();
    setMainWindowInstance(nullptr);
    return code;
}
