#include "cli/PagesLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include "core/format/PagesWriter.h"
#include "core/frame/PrivateLibrary.h"

namespace {

using MakeApplication = QCoreApplication* (*)(int*, char**);
using MakeWriter = PagesWriter* (*)();

struct Loaded
{
    QLibrary library;
    MakeWriter makeWriter = nullptr;
    QString error;
};

Loaded& loaded()
{
    static Loaded state;
    return state;
}

// The application does not exist yet: the folder of the running program comes from the system.
QString programDirectory(const char* argv0)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return QFileInfo(self.canonicalFilePath()).absolutePath();
    return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
}

MakeApplication load(const char* argv0)
{
    Loaded& state = loaded();
    const QString name = QStringLiteral("tallowbrook-pages");
    const QStringList folders = privateLibraryFolders(programDirectory(argv0));
    const QStringList candidates = privateLibraryCandidates(folders, name);
    if (candidates.isEmpty()) {
        state.error = QStringLiteral("%1 is in none of these folders: %2")
                          .arg(QFileInfo(privateLibraryFile(QString(), name)).fileName(),
                               folders.join(QStringLiteral(", ")));
        return nullptr;
    }
    state.library.setFileName(candidates.first());
    auto makeApplication =
        reinterpret_cast<MakeApplication>(state.library.resolve("tbPagesApplication"));
    state.makeWriter = reinterpret_cast<MakeWriter>(state.library.resolve("tbPdfWriter"));
    if (!makeApplication || !state.makeWriter) {
        state.error = state.library.errorString();
        state.makeWriter = nullptr;
        return nullptr;
    }
    return makeApplication;
}

} // namespace

std::unique_ptr<QCoreApplication> PagesLibrary::createApplication(int& argc, char** argv)
{
    if (const MakeApplication make = load(argv[0]))
        return std::unique_ptr<QCoreApplication>(make(&argc, argv));
    return std::make_unique<QCoreApplication>(argc, argv);
}

std::unique_ptr<PagesWriter> PagesLibrary::pdfWriter()
{
    const MakeWriter make = loaded().makeWriter;
    return std::unique_ptr<PagesWriter>(make ? make() : nullptr);
}

QString PagesLibrary::error()
{
    return loaded().error;
}
