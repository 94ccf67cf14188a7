#include "core/frame/PrivateLibrary.h"

#include <QDir>
#include <QFileInfo>

QStringList privateLibraryFolders(const QString& programDirectory)
{
    const QDir programDir(programDirectory);
    return {programDir.absolutePath(),
            QDir::cleanPath(programDir.filePath(QStringLiteral(TB_INSTALLED_PLUGIN_DIR)))};
}

QString privateLibraryFile(const QString& folder, const QString& name)
{
#if defined(Q_OS_WIN)
    return QDir(folder).filePath(name + QStringLiteral(".dll"));
#elif defined(Q_OS_MACOS)
    return QDir(folder).filePath(QStringLiteral("lib") + name + QStringLiteral(".dylib"));
#else
    return QDir(folder).filePath(QStringLiteral("lib") + name + QStringLiteral(".so"));
#endif
}

QStringList privateLibraryCandidates(const QStringList& folders, const QString& name)
{
    QStringList candidates;
    for (const QString& folder : folders) {
        const QString file = privateLibraryFile(folder, name);
        if (QFileInfo(file).isFile())
            candidates.append(file);
    }
    return candidates;
}
