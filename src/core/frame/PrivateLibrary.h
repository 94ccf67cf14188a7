#pragma once

#include <QString>
#include <QStringList>

// The program's own libraries (the importer, the page drawing of the command line) are looked
// for beside the program (in the build) and in its private folder below the library folder
// (installed), each by its full path: a bare name would let the loader take any library of that
// name from the system's search path.
QStringList privateLibraryFolders(const QString& programDirectory);
// The library's file in folder, named as the build names it ("csvimporter": libcsvimporter.so).
QString privateLibraryFile(const QString& folder, const QString& name);
// The files of the library in those folders that exist, in the folders' order.
QStringList privateLibraryCandidates(const QStringList& folders, const QString& name);
