#include "core/format/CSVImporterPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "core/frame/PrivateLibrary.h"

namespace {

QString& searchDirectory()
{
    static QString directory;
    return directory;
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
    QStringList folders = privateLibraryFolders(QCoreApplication::applicationDirPath());
    if (!searchDirectory().isEmpty())
        folders.prepend(searchDirectory());
    const QString name = QStringLiteral("csvimporter");
    const QStringList candidates = privateLibraryCandidates(folders, name);
    if (candidates.isEmpty()) {
        fail(QStringLiteral("The importer plug-in %1 is in none of these folders: %2")
                 .arg(QFileInfo(privateLibraryFile(QString(), name)).fileName(),
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
        m_library.setFileName(candidate);
        if (m_library.load()) {
            resolveAll();
            requireKnownVersion();
            return;
        }
        error = m_library.errorString();
    }
    throw std::runtime_error(error.toUtf8().toStdString());
}

void CSVImporterPlugin::resolveAll()
{
    const auto resolve = [this](const char* name) {
        QFunctionPointer function = m_library.resolve(name);
        if (!function) {
            // The loader's own text may not name the symbol.
            const QString error =
                QStringLiteral("Cannot resolve \"%1\" in %2: %3")
                    .arg(QLatin1String(name), m_library.fileName(), m_library.errorString());
            m_library.unload();
            throw std::runtime_error(error.toUtf8().toStdString());
        }
        return function;
    };
    m_version = reinterpret_cast<VersionFn>(resolve("version"));
    m_getFormat = reinterpret_cast<GetFormatFn>(resolve("getFormat"));
    m_hasHeader = reinterpret_cast<HasHeaderFn>(resolve("hasHeader"));
    m_getSMS = reinterpret_cast<GetSMSFn>(resolve("getSMS"));
    m_deleteFormat = reinterpret_cast<DeleteFormatFn>(resolve("deleteFormat"));
    m_csvEscapes = reinterpret_cast<CSVEscapesFn>(m_library.resolve("csvEscapes"));
}

void CSVImporterPlugin::requireKnownVersion()
{
    const int found = m_version();
    if (found == KNOWN_VERSION)
        return;
    const QString text =
        QCoreApplication::translate("CSVImporterPlugin", "IDS_UNKNOWN_IMPORTER_VERSION_%1_%2")
            .arg(m_library.fileName())
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
    if (!m_getFormat)
        return false;
    if (m_format)
        m_deleteFormat(m_format);
    m_format = m_getFormat(first, second);
    return m_format != nullptr;
}

bool CSVImporterPlugin::hasHeader() const
{
    return m_format ? m_hasHeader(m_format) : false;
}

CSVEscapes CSVImporterPlugin::escapes() const
{
    if (m_format && m_csvEscapes && m_csvEscapes(m_format) == 1)
        return CSVEscapes::Backslash;
    return CSVEscapes::DoubledQuotes;
}

QHash<QString, QVariant> CSVImporterPlugin::getSMS(const QHash<QString, int>& columns,
                                                   const QStringList& fields) const
{
    if (!m_format)
        return {};
    return m_getSMS(m_format, columns, fields);
}

void CSVImporterPlugin::unload()
{
    if (m_format && m_deleteFormat)
        m_deleteFormat(m_format);
    m_format = nullptr;
    m_version = nullptr;
    m_getFormat = nullptr;
    m_hasHeader = nullptr;
    m_getSMS = nullptr;
    m_deleteFormat = nullptr;
    m_csvEscapes = nullptr;
    if (m_library.isLoaded())
        m_library.unload();
}
