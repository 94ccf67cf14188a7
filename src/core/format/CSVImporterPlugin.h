#pragma once

#include <QHash>
#include <QLibrary>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/format/CSVReader.h"

// Loads the other-phone CSV importer library ("csvimporter") and calls it. The library
// recognises a file's format from its first two records and turns records into field values
// with the keys "send" (bool), "date" (QDateTime), "number", "person", "content". A library
// whose exported "version" is not one this wrapper knows is refused: its functions may take
// other arguments.
class CSVImporterPlugin
{
public:
    static constexpr int KNOWN_VERSION = 1;

    using VersionFn = int (*)();
    using GetFormatFn = void* (*)(QStringList, QStringList);
    using HasHeaderFn = bool (*)(void*);
    using GetSMSFn = QHash<QString, QVariant> (*)(void*, QHash<QString, int>, QStringList);
    using DeleteFormatFn = void (*)(void*);
    using CSVEscapesFn = int (*)(void*);

    // Loads the library from the program's own folder, then from the program's private library
    // folder (installed: ../lib/<triplet>/tallowbrook beside bin/), never through the system's
    // library search path. Throws std::runtime_error with the loader's message.
    CSVImporterPlugin();
    // Loads exactly this library file (tests, tools).
    explicit CSVImporterPlugin(const QString& libraryPath);
    ~CSVImporterPlugin();
    CSVImporterPlugin(const CSVImporterPlugin&) = delete;
    CSVImporterPlugin& operator=(const CSVImporterPlugin&) = delete;

    // Asks the library for the format of a file from its first and second record; true when
    // one matched.
    bool chooseFormat(const QStringList& first, const QStringList& second);
    // The same from the file: its first record of at least four fields and the record after
    // it (the first stands in for the second when nothing usable follows). Throws
    // std::runtime_error when the file cannot be read.
    bool chooseFormatOf(const QString& fileName);
    bool hasHeader() const;
    // How the chosen format escapes quotes: asked through the optional export "csvEscapes"
    // (1 = backslash); doubled quotes when the library or the format does not say.
    CSVEscapes escapes() const;
    QHash<QString, QVariant> getSMS(const QHash<QString, int>& columns,
                                    const QStringList& fields) const;
    // Frees the chosen format and unloads the library; later calls answer as with no format.
    void unload();

    QString libraryFileName() const { return m_library.fileName(); }

    // An extra folder searched before the program's own (tests run from another folder).
    static void setSearchDirectory(const QString& directory);

private:
    void load(const QStringList& candidates);
    void resolveAll();
    void requireKnownVersion();

    VersionFn m_version = nullptr;
    GetFormatFn m_getFormat = nullptr;
    HasHeaderFn m_hasHeader = nullptr;
    GetSMSFn m_getSMS = nullptr;
    DeleteFormatFn m_deleteFormat = nullptr;
    CSVEscapesFn m_csvEscapes = nullptr; // optional
    QLibrary m_library;
    void* m_format = nullptr;
};
