#include "core/files/CSVImporterPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace {

QString& searchDirectory()
{
    static QString directory;
    return directory;
}

// The library's file in a folder, named as the build makes it.
QString libraryFileIn(const QString& directory)
{
#if defined(Q_OS_WIN)
    return QDir(directory).filePath(QStringLiteral("csvimporter.dll"));
#elif defined(Q_OS_MACOS)
    return QDir(directory).filePath(QStringLiteral("libcsvimporter.dylib"));
#else
    return QDir(directory).filePath(QStringLiteral("libcsvimporter.so"));
#endif
}

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toUtf8().toStdString());
}

} // namespace

void CSVImporterPlugin::setSearchDirectory(const QString& directory)
{
    searchDirectory() = directory;
}

CSVImporterPlugin::CSVImporterPlugin()
{
    QStringList folders;
    if (!searchDirectory().isEmpty())
        folders.append(searchDirectory());
    const QDir programDir(QCoreApplication::applicationDirPath());
    folders.append(programDir.absolutePath());
    // Installed, the library lies in the program's private folder below the library folder.
    folders.append(QDir::cleanPath(programDir.filePath(QStringLiteral(TB_INSTALLED_PLUGIN_DIR))));
    // Only files that exist are handed to the loader, each by its full path: a bare name would
    // let the loader take any library of that name from its search path.
    QStringList candidates;
    for (const QString& folder : std::as_const(folders)) {
        const QString file = libraryFileIn(folder);
        if (QFileInfo(file).isFile())
            candidates.append(file);
    }
    if (candidates.isEmpty()) {
        fail(QStringLiteral("The importer plug-in %1 is in none of these folders: %2")
                 .arg(QFileInfo(libraryFileIn(QString())).fileName(),
                      folders.join(QStringLiteral(", "))));
    }
    load(candidates);
}

CSVImporterPlugin::CSVImporterPlugin(const QString& libraryPath)
{
    load({libraryPath});
}

CSVImporterPlugin::~CSVImporterPlugin()
{
    unload();
}

void CSVImporterPlugin::load(const QStringList& candidates)
{
    QString error;
    for (const QString& candidate : candidates) {
        library.setFileName(candidate);
        if (library.load()) {
            resolveAll();
            requireKnownVersion();
            return;
        }
        error = library.errorString();
    }
    throw std::runtime_error(error.toUtf8().toStdString());
}

void CSVImporterPlugin::resolveAll()
{
    const auto resolve = [this](const char* name) {
        QFunctionPointer function = library.resolve(name);
        if (!function) {
            // The loader's own text may not name the symbol.
            const QString error =
                QStringLiteral("Cannot resolve \"%1\" in %2: %3")
                    .arg(QLatin1String(name), library.fileName(), library.errorString());
            library.unload();
            throw std::runtime_error(error.toUtf8().toStdString());
        }
        return function;
    };
    version = reinterpret_cast<VersionFn>(resolve("version"));
    getFormat = reinterpret_cast<GetFormatFn>(resolve("getFormat"));
    hasHeaderFn = reinterpret_cast<HasHeaderFn>(resolve("hasHeader"));
    getSMSFn = reinterpret_cast<GetSMSFn>(resolve("getSMS"));
    deleteFormat = reinterpret_cast<DeleteFormatFn>(resolve("deleteFormat"));
    csvEscapes = reinterpret_cast<CSVEscapesFn>(library.resolve("csvEscapes"));
}

void CSVImporterPlugin::requireKnownVersion()
{
    const int found = version();
    if (found == KNOWN_VERSION)
        return;
    const QString text =
        QCoreApplication::translate("CSVImporterPlugin", "IDS_UNKNOWN_IMPORTER_VERSION_%1_%2")
            .arg(library.fileName())
            .arg(found);
    unload();
    fail(text);
}

bool CSVImporterPlugin::chooseFormatOf(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    QStringList first;
    QStringList second;
    if (readCSVRecordMinFields(&first, &file, 4))
        utf8CSVRow(&second, &file, false);
    if (second.size() < 2)
        second = first;
    return chooseFormat(first, second);
}

bool CSVImporterPlugin::chooseFormat(const QStringList& first, const QStringList& second)
{
    if (!getFormat)
        return false;
    if (format)
        deleteFormat(format);
    format = getFormat(first, second);
    return format != nullptr;
}

bool CSVImporterPlugin::hasHeader() const
{
    return format ? hasHeaderFn(format) : false;
}

CSVEscapes CSVImporterPlugin::escapes() const
{
    if (format && csvEscapes && csvEscapes(format) == 1)
        return CSVEscapes::Backslash;
    return CSVEscapes::DoubledQuotes;
}

QHash<QString, QVariant> CSVImporterPlugin::getSMS(const QHash<QString, int>& columns,
                                                   const QStringList& fields) const
{
    if (!format)
        return {};
    return getSMSFn(format, columns, fields);
}

void CSVImporterPlugin::unload()
{
    if (format && deleteFormat)
        deleteFormat(format);
    format = nullptr;
    version = nullptr;
    getFormat = nullptr;
    hasHeaderFn = nullptr;
    getSMSFn = nullptr;
    deleteFormat = nullptr;
    csvEscapes = nullptr;
    if (library.isLoaded())
        library.unload();
}
