#include "core/frame/DataDirectory.h"

#include "core/frame/ProjectInfo.h"

QDir appDataBaseDirectory()
{
    const QDir home = QDir::home();
    const QString roaming = home.absoluteFilePath(QStringLiteral("AppData/Roaming"));
    if (QDir(roaming).exists())
        return QDir(roaming);
    return QDir(home.absoluteFilePath(QStringLiteral("Application Data")));
}

QDir dataDirectory()
{
    const QString path =
        appDataBaseDirectory().absoluteFilePath(QString::fromLatin1(ProjectInfo::dataSubFolder));
    // A failure shows later, when an account file cannot be created or opened.
    QDir().mkpath(path);
    return QDir(path);
}
