// Exported entry points of the importer. The program resolves them by name; Qt values are
// passed by value across the boundary, so the library is built with the program's Qt.

#include <QHash>
#include <QStringList>
#include <QVariant>

#include "ImportFormats.h"

// The interface version: the program refuses a version it does not know. Changed only when an
// exported function's arguments or results change (a test builds another version).
#ifndef CSVIMPORTER_VERSION
#define CSVIMPORTER_VERSION 1
#endif

extern "C" {

Q_DECL_EXPORT int version()
{
    return CSVIMPORTER_VERSION;
}

// A new format object, or null when no known format matches.
Q_DECL_EXPORT void* getFormat(QStringList first, QStringList second)
{
    const ImportFormatKind* kind = recogniseFormat(first, second);
    return kind ? new ImportFormatKind(*kind) : nullptr;
}

Q_DECL_EXPORT bool hasHeader(void* format)
{
    return format && formatHasHeader(*static_cast<ImportFormatKind*>(format));
}

Q_DECL_EXPORT QHash<QString, QVariant> getSMS(void* format, QHash<QString, int> columns,
                                              QStringList fields)
{
    if (!format)
        return {};
    return convertRecord(*static_cast<ImportFormatKind*>(format), columns, fields);
}

// Optional: 1 when the format escapes quotes in quoted fields with a backslash, 0 when it
// doubles them.
Q_DECL_EXPORT int csvEscapes(void* format)
{
    return format && *static_cast<ImportFormatKind*>(format) == ImportFormatKind::AndroidDatabase
               ? 1
               : 0;
}

Q_DECL_EXPORT void deleteFormat(void* format)
{
    delete static_cast<ImportFormatKind*>(format);
}

} // extern "C"
