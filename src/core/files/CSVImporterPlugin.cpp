#include "core/files/CSVImporterPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <stdexcept>

namespace {

QString& searchDirectory()
{
    static QString directory;
    return directory;
}

constexpr const char* libraryBaseName = "csvimporter";

} // namespace

void CSVImporterPlugin::setSearchDirectory(const QString& directory)
{
    searchDirectory() = directory;
}

CSVImporterPlugin::CSVImporterPlugin()
{
    QStringList candidates;
    if (!searchDirectory().isEmpty())
        candidates.append(QDir(searchDirectory()).filePath(QLatin1String(libraryBaseName)));
    const QDir programDir(QCoreApplication::applicationDirPath());
    candidates.append(programDir.filePath(QLatin1String(libraryBaseName)));
    // Installed, the library lies in the library folder beside the program's folder.
    candidates.append(QDir(programDir.filePath(QStringLiteral(TB_INSTALLED_PLUGIN_DIR)))
                          .filePath(QLatin1String(libraryBaseName)));
    candidates.append(QLatin1String(libraryBaseName));
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
